// Image references in texts, and the placement rewrites of the writer's option bits 8 and 1.
#include <gtest/gtest.h>

#include <string>

#include "ImageRefs.h"
#include "Versions.h"

namespace {

TEST(ImageRefs, ReferencedName) {
    const struct {
        std::u16string text;
        std::u16string name;
    } cases[] = {
        {u"^@BM%temp%pic.bmp.gz,100,50,0,0,1,0", u"pic.bmp.gz"},
        {u"^@BM%temp%a,1", u"a"},
        {u"^@BM%temp%,1,2", u""},          // empty name: refers to nothing
        {u"^@BM%temp%pic.bmp", u""},       // no comma
        {u"^@BM%TEMP%pic.bmp,1", u""},     // the prefix is compared exactly
        {u"^@BMC:\\img\\pic.bmp,1", u""},  // an image outside the drawing
        {u"^@BM%temp%,", u""},
        {u"text", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(ImageReferenceName(c.text), c.name) << std::string(c.text.begin(), c.text.end());
}

TEST(ImageRefs, PlacementRewrites) {
    const struct {
        int32_t options;
        std::u16string in, out;
    } cases[] = {
        {0, u"^@BM%temp%pic.bmp,1,2", u"^@BM%temp%pic.bmp,1,2"},
        {kOptImageNoTemp, u"^@BM%temp%pic.bmp,1,2", u"^@BMpic.bmp,1,2"},
        {kOptImageNoTemp, u"^@BMC:\\x\\pic.bmp,1,2", u"^@BMC:\\x\\pic.bmp,1,2"},
        {kOptImageNameOnly, u"^@BMC:\\x\\pic.bmp,1,2", u"^@BMpic.bmp,1,2"},
        {kOptImageNameOnly, u"^@BM%temp%pic.bmp,1,2", u"^@BM%temp%pic.bmp,1,2"},
        {kOptImageNameOnly, u"^@BMd:/a/b/pic.png,9", u"^@BMpic.png,9"},
        {kOptImageNameOnly, u"^@BMC:\\x\\p|c.bmp,1", u"^@BM,1"},  // not a valid path
        {kOptImageNameOnly, u"^@BMC:\\x\\pic.bmp", u"^@BMC:\\x\\pic.bmp"},  // no comma
        {kOptImageNoTemp | kOptImageNameOnly, u"^@BM%temp%sub\\pic.bmp,1", u"^@BMpic.bmp,1"},
        {kOptImageNoTemp | kOptImageNameOnly, u"plain", u"plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RewriteImagePlacement(c.in, c.options), c.out) << c.options << " " << std::string(c.in.begin(), c.in.end());
}

}  // namespace
