#include "Settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Code-page-932 bytes of the characters the tests need.
const std::string kFullWidthOne = "\x82\x50";  // １
const std::string kWhiteCircle = "\x81\x9B";   // ○
const std::string kShin = "\x90\x5E";          // 真
const std::string kSei = "\x90\xB3";           // 正
const std::string kZumen = "\x90\x7D\x96\xCA"; // 図面

std::string Join(const std::vector<std::string>& lines, const std::string& end) {
    std::string s;
    for (const std::string& line : lines) s += line + end;
    return s;
}

// Fifteen lines with every field set to something other than its default.
std::vector<std::string> FullLines() {
    return {"10", "20", "300", "400", "F", "T", "ON", "1", kShin,
            "ed " + kZumen, "lb1", "C:\\lb2\\", "3", "Classic ", "2"};
}

TSettingFields Parsed(const std::string& bytes) {
    TSettingFields f = DefaultSettings(u"/app/");
    ParseSettings(bytes, f);
    return f;
}

TEST(Settings, DefaultsWhenThereIsNoFile) {
    TSettingFields f = DefaultSettings(u"/app/");
    EXPECT_EQ(f.Fm1x, 50);
    EXPECT_EQ(f.Fm1y, 50);
    EXPECT_EQ(f.Fm1w, 480);
    EXPECT_EQ(f.Fm1h, 480);
    EXPECT_TRUE(f.rb1);
    EXPECT_FALSE(f.rb2 || f.rb3 || f.rb4 || f.rb5);
    EXPECT_EQ(f.ed1, u"");
    EXPECT_EQ(f.lb1, u"");
    EXPECT_EQ(f.lb2, u"/app/");
    EXPECT_EQ(f.Fidx, 1);
    EXPECT_EQ(f.gstyle, u"Windows");
    EXPECT_EQ(f.cb2, 0);
}

// Missing lines read as empty, not as defaults.
TEST(Settings, EmptyFileClearsEveryField) {
    TSettingFields f = Parsed("");
    EXPECT_EQ(f.Fm1x, 0);
    EXPECT_EQ(f.Fm1y, 0);
    EXPECT_EQ(f.Fm1w, 0);
    EXPECT_EQ(f.Fm1h, 0);
    EXPECT_FALSE(f.rb1 || f.rb2 || f.rb3 || f.rb4 || f.rb5);
    EXPECT_EQ(f.ed1, u"");
    EXPECT_EQ(f.lb1, u"");
    EXPECT_EQ(f.lb2, u"");
    EXPECT_EQ(f.Fidx, 0);
    EXPECT_EQ(f.gstyle, u"");
    EXPECT_EQ(f.cb2, 0);
}

TEST(Settings, EveryLineGoesToItsField) {
    for (const std::string end : {"\n", "\r\n"}) {
        SCOPED_TRACE(end == "\n" ? "LF" : "CR LF");
        TSettingFields f = Parsed(Join(FullLines(), end));
        EXPECT_EQ(f.Fm1x, 10);
        EXPECT_EQ(f.Fm1y, 20);
        EXPECT_EQ(f.Fm1w, 300);
        EXPECT_EQ(f.Fm1h, 400);
        EXPECT_FALSE(f.rb1);
        EXPECT_TRUE(f.rb2);
        EXPECT_TRUE(f.rb3);
        EXPECT_TRUE(f.rb4);
        EXPECT_TRUE(f.rb5);
        EXPECT_EQ(f.ed1, u"ed 図面");
        EXPECT_EQ(f.lb1, u"lb1");
        EXPECT_EQ(f.lb2, u"C:\\lb2\\");
        EXPECT_EQ(f.Fidx, 3);
        EXPECT_EQ(f.gstyle, u"Classic ");
        EXPECT_EQ(f.cb2, 2);
    }
}

TEST(Settings, LineCountOtherThanFifteen) {
    std::vector<std::string> lines = FullLines();

    std::vector<std::string> three(lines.begin(), lines.begin() + 3);
    TSettingFields f = Parsed(Join(three, "\r\n"));
    EXPECT_EQ(f.Fm1w, 300);
    EXPECT_EQ(f.Fm1h, 0);
    EXPECT_FALSE(f.rb1);
    EXPECT_EQ(f.gstyle, u"");
    EXPECT_EQ(f.cb2, 0);

    // A last line without a line end still counts.
    f = Parsed(Join(three, "\n") + "7");
    EXPECT_EQ(f.Fm1h, 7);

    std::vector<std::string> more = lines;
    more.push_back("1");
    more.push_back("99");
    f = Parsed(Join(more, "\n"));
    EXPECT_EQ(f.cb2, 2);
    EXPECT_EQ(f.gstyle, u"Classic ");
}

// Values on the cb2 line, which is the one a run uses.
TEST(Settings, IntegerLines) {
    struct Case {
        std::string line;
        int32_t expected;
    };
    const Case cases[] = {
        {"2", 2},       {" 2", 2},    {"2 ", 0},    {"", 0},       {"-1", -1},
        {"+1", 1},      {"$10", 16},  {"0x10", 16}, {"0X1f", 31},  {"two", 0},
        {"2147483647", 2147483647},   {"2147483648", 0},           {"1.0", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("line \"" + c.line + "\"");
        std::vector<std::string> lines = FullLines();
        lines[14] = c.line;
        EXPECT_EQ(Parsed(Join(lines, "\r\n")).cb2, c.expected);
    }
}

TEST(Settings, BooleanLines) {
    struct Case {
        std::string line;
        bool expected;
    };
    const Case cases[] = {
        {"T", true},     {"tr", true},         {"Tru", true},        {"true", true},
        {"TRUE", true},  {"1", true},          {"On", true},         {kFullWidthOne, true},
        {kWhiteCircle, true},                  {kShin, true},        {kSei, true},
        {"", false},     {"yes", false},       {"0", false},         {"TRUE ", false},
        {" T", false},   {"TRUEE", false},     {"F", false},         {"11", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("line \"" + c.line + "\"");
        std::vector<std::string> lines = FullLines();
        lines[4] = c.line;  // rb1, whose default is true
        lines[5] = c.line;  // rb2, whose default is false
        TSettingFields f = Parsed(Join(lines, "\n"));
        EXPECT_EQ(f.rb1, c.expected);
        EXPECT_EQ(f.rb2, c.expected);
    }
}

TEST(Settings, StringLinesKeepEverythingButTheLineEnd) {
    struct Case {
        std::string bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {"  padded  \n", u"  padded  "},
        {kZumen + "\r\n", u"図面"},
        {"two CRs\r\r\n", u"two CRs\r"},
        {"inner\rCR\n", u"inner\rCR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::vector<std::string> lines = FullLines();
        std::string file = Join(std::vector<std::string>(lines.begin(), lines.begin() + 9), "\n");
        EXPECT_EQ(Parsed(file + c.bytes).ed1, c.expected);
    }
}

}  // namespace
