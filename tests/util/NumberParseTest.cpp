#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "NumberParse.h"

namespace {

struct Case {
    std::u16string text;
    std::optional<int32_t> expected;
};

std::string Show(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(ParseInteger, AcceptsWhatStrToIntAccepts) {
    const Case cases[] = {
        {u"12", 12},
        {u"0", 0},
        {u" -7", -7},
        {u"   +15", 15},
        {u"-0", 0},
        {u"$1F", 31},
        {u"$1f", 31},
        {u"0x10", 16},
        {u"0X10", 16},
        {u"-$10", -16},
        {u"2147483647", 2147483647},
        {u"-2147483648", INT32_MIN},
        {u"$7FFFFFFF", 2147483647},
        {u"$FFFFFFFF", -1},          // hexadecimal wraps to negative
        {u"$80000000", INT32_MIN},
        {u"$000000001", 1},          // leading zeros do not count towards the width
        {u"007", 7},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseInteger(c.text), c.expected) << Show(c.text);
}

TEST(ParseInteger, RejectsAnythingElse) {
    const std::u16string cases[] = {
        u"",
        u" ",
        u"-",
        u"$",
        u"0x",
        u"1 ",            // trailing blank
        u"1\t",
        u"\t1",           // only spaces are skipped
        u"abc",
        u"12a",
        u"1.5",
        u"--1",
        u"- 1",
        u"$G",
        u"x10",
        u"2147483648",    // one past the largest value
        u"-2147483649",
        u"99999999999999999999",
        u"$100000000",    // more than 32 bits
        u"\xFF12",        // full-width digits are not digits here
    };
    for (const auto& text : cases) EXPECT_EQ(ParseInteger(text), std::nullopt) << Show(text);
}

}  // namespace
