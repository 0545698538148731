#include <gtest/gtest.h>

#include <string>

#include "CodePage.h"
#include "TextHelpers.h"

namespace {

struct Case {
    std::u16string lower;
    std::u16string upper;
};

// The settings' Boolean words are compared after upper-casing, full-width forms included.
TEST(Casing, UpperAndLower) {
    const Case cases[] = {
        {u"", u""},
        {u"true", u"TRUE"},
        {u"on", u"ON"},
        {u"ｔｒｕｅ", u"ＴＲＵＥ"},
        {u"a1 .jww", u"A1 .JWW"},
        {u"é", u"É"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpperCase(c.lower), c.upper) << Utf16ToUtf8(c.lower);
        EXPECT_EQ(LowerCase(c.upper), c.lower) << Utf16ToUtf8(c.upper);
    }
}

TEST(Casing, LeavesCaselessTextAlone) {
    const std::u16string cases[] = {u"○", u"真", u"正", u"１", u"図面ｱ", u"\U0001F600", u"\xD800"};
    for (const auto& s : cases) {
        EXPECT_EQ(UpperCase(s), s) << Utf16ToUtf8(s);
        EXPECT_EQ(LowerCase(s), s) << Utf16ToUtf8(s);
    }
}

}  // namespace
