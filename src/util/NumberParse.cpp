// Integer parsing with the rules of Delphi's StrToInt, which wrote the settings this program reads.
#include "NumberParse.h"

namespace {

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

}  // namespace

std::optional<int32_t> ParseInteger(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';

    bool hex = false;
    if (i < text.size() && text[i] == u'$') {
        hex = true;
        i += 1;
    } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) return std::nullopt;  // no digits

    uint32_t magnitude = 0;
    if (hex) {
        // Up to 32 bits; values above 0x7FFFFFFF wrap to negative numbers, as Delphi's do.
        for (; i < text.size(); ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0 || magnitude > 0x0FFFFFFFu) return std::nullopt;
            magnitude = (magnitude << 4) | static_cast<uint32_t>(d);
        }
    } else {
        const uint32_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
        for (; i < text.size(); ++i) {
            const char16_t c = text[i];
            if (c < u'0' || c > u'9') return std::nullopt;
            const uint32_t d = c - u'0';
            if (magnitude > (limit - d) / 10) return std::nullopt;
            magnitude = magnitude * 10 + d;
        }
    }
    // Two's complement wrap, defined for unsigned arithmetic.
    if (negative) magnitude = 0u - magnitude;
    return static_cast<int32_t>(magnitude);
}
