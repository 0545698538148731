#include <gtest/gtest.h>

#include <string>

#include "CodePage.h"

namespace {

std::string Hex(std::string_view bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

struct Pair {
    std::string bytes;
    std::u16string text;
};

// Characters that code page 932 carries map both ways without loss.
TEST(CodePage, MapsBothWays) {
    const Pair cases[] = {
        {"", u""},
        {"Line 1\r\n~\\", u"Line 1\r\n~\\"},   // ASCII stays ASCII: no yen sign, no overline
        {"\x90\x7D\x96\xCA", u"図面"},
        {"A\x90\x7D" "B", u"A図B"},
        {"\xB1\xDF", u"ｱﾟ"},                   // half-width katakana are single bytes
        {"\x87\x40", u"①"},                    // NEC special characters
        {"\x81\x60", u"～"},                   // Windows' mapping of the wave dash
        {"\xF0\x40", u"\xE000"},               // user-defined area
        {std::string(1, '\0') + "x", std::u16string(1, u'\0') + u"x"},
    };
    for (const Pair& c : cases) {
        EXPECT_EQ(Cp932ToUtf16(c.bytes), c.text) << Hex(c.bytes);
        EXPECT_EQ(Utf16ToCp932(c.text), c.bytes) << Hex(c.bytes);
    }
}

TEST(CodePage, LongMixedTextKeepsItsLength) {
    std::string bytes;
    std::u16string text;
    for (int i = 0; i < 100000; ++i) {
        bytes += "\x90\x7D" "a";
        text += u"図a";
    }
    EXPECT_EQ(Cp932ToUtf16(bytes), text);
    EXPECT_EQ(Utf16ToCp932(text), bytes);
}

// Invalid input is replaced where it stands; what follows it is still decoded.
TEST(CodePage, SubstitutesInvalidBytes) {
    const std::string cases[] = {
        "A\x85\x40" "B",   // undefined double-byte code
        "A\x81 B",         // lead byte followed by a byte that cannot trail
        "A\xFF" "B",
        "A\x81",           // lead byte at the end
    };
    for (const std::string& bytes : cases) {
        const std::u16string text = Cp932ToUtf16(bytes);
        ASSERT_GE(text.size(), 2u) << Hex(bytes);
        EXPECT_EQ(text.front(), u'A') << Hex(bytes);
        if (bytes.back() == 'B') {
            EXPECT_EQ(text.back(), u'B') << Hex(bytes);
            EXPECT_LE(text.size(), 4u) << Hex(bytes);
        }
    }
}

TEST(CodePage, SubstitutesUnmappableCharacters) {
    const std::u16string cases[] = {
        u"A한B",           // Hangul: not in code page 932
        u"A\U0001F600B",   // outside the BMP
        u"A\xD800" "B",    // unpaired surrogates
        u"A\xDC00" "B",
        u"A\xD800",
    };
    for (const std::u16string& text : cases) {
        const std::string bytes = Utf16ToCp932(text);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.front(), 'A');
        EXPECT_NE(bytes.find('?'), std::string::npos) << Hex(bytes);
        if (text.back() == u'B') {
            EXPECT_EQ(bytes.back(), 'B') << Hex(bytes);
        }
    }
}

TEST(CodePage, Utf8) {
    const Pair valid[] = {
        {"", u""},
        {"plain", u"plain"},
        {"\xC3\xA9", u"é"},
        {"\xE5\x9B\xB3\xE9\x9D\xA2 x", u"図面 x"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
    };
    for (const Pair& c : valid) {
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.text) << Hex(c.bytes);
        EXPECT_EQ(Utf16ToUtf8(c.text), c.bytes) << Hex(c.bytes);
    }

    const Pair invalid[] = {
        {"a\xC3", u"a\xFFFD"},                  // truncated sequence
        {"\xC0\xAF", u"\xFFFD\xFFFD"},          // overlong encodings are not decoded
        {"\xED\xA0\x80", u"\xFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\xFFFD"},        // beyond U+10FFFF
        {"\xE5\x9B" "A", u"\xFFFD" "A"},        // broken sequence, next character kept
        {"\x80z", u"\xFFFD" "z"},
    };
    for (const Pair& c : invalid) EXPECT_EQ(Utf8ToUtf16(c.bytes), c.text) << Hex(c.bytes);

    EXPECT_EQ(Utf16ToUtf8(u"a\xD800" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(Utf16ToUtf8(u"\xDC00"), "\xEF\xBF\xBD");
}

}  // namespace
