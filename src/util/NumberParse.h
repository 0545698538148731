// Parsing of settings values.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Parses the whole text as a signed 32-bit integer: leading blanks and a sign allowed,
// decimal, or hexadecimal behind "$" or "0x"/"0X". Anything else, an empty text included,
// gives nullopt.
std::optional<int32_t> ParseInteger(std::u16string_view text);
