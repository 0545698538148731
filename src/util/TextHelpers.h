// Text helpers applied to names and texts when they are read and written.
#pragma once

#include <string>
#include <string_view>

// The text without its characters below U+0020.
std::u16string DropControlChars(std::u16string_view s);

// The text without spaces, ideographic spaces and characters below U+0020.
std::u16string StripBlanks(std::u16string_view s);

// Removes the pairs "^m" and "\n" and every character below U+0020; a non-empty text that
// loses everything becomes a single space.
std::u16string CleanOutText(std::u16string_view s);

// Upper-cases by the user locale's linguistic rules (per UTF-16 unit on Linux).
std::u16string UpperCase(std::u16string_view s);
std::u16string LowerCase(std::u16string_view s);
