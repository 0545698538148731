// Conversion between UTF-16 and code page 932 (Shift-JIS).
#pragma once

#include <string>
#include <string_view>

// Decodes code-page-932 bytes. Invalid sequences are substituted, never an error.
std::u16string Cp932ToUtf16(std::string_view bytes);

// Encodes UTF-16 text as code page 932. Unmappable characters are substituted, never an error.
std::string Utf16ToCp932(std::u16string_view text);

// UTF-16 ⇄ UTF-8, for paths and console output. Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
