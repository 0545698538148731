#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CodePage.h"
#include "Run.h"
#include "Summary.h"
#include "TempFolder.h"
#include "ZeroExtent.h"

using namespace jwwinfo;

namespace {

// ---- Fixture drawings, built in memory and written with the library's writer ----

void SizeTables(TJwwData& d, int32_t version) {
    d.Enthd.jwVer = version;
    d.EntLgrp.resize(16);
    d.EntLay.resize(256);
    d.EntCol.resize(10);
    d.EntLtp1.resize(8);
    d.EntLtp2.resize(5);
    d.EntLtp3.resize(4);
    d.EntColS.resize(257);
    d.EntLtpS.resize(33);
    d.EntMoj.resize(10);
}

template <class T>
void Add(std::vector<T>& records, int32_t& count, std::vector<TEntJwwNo>& order, int32_t type, const T& record) {
    records.push_back(record);
    order.push_back({type, count});
    ++count;
}

TEntJwwLine Line(double x) { return {{}, x, 0, x + 10, 5}; }

TEntJwwMoji Text(std::u16string s, double x0, double y0, double x1, double y1) {
    TEntJwwMoji m;
    m.start_x = x0, m.start_y = y0, m.end_x = x1, m.end_y = y1;
    m.dSizeX = m.dSizeY = 2.5;
    m.str = std::move(s);
    return m;
}
TEntJwwMoji Kept(std::u16string s) { return Text(std::move(s), 0, 0, 10, 0); }
TEntJwwMoji ZeroExtent(std::u16string s) { return Text(std::move(s), 5, 5, 5, 5); }

TEntJwwBlock Insertion(uint32_t number) {
    TEntJwwBlock b;
    b.dBairitsuX = b.dBairitsuY = 1;
    b.nNumber = number;
    return b;
}

TEntJwwBlockDef& Definition(TJwwData& d, uint32_t number, std::u16string name) {
    TEntJwwBlockDef& b = d.EntBlockDef.emplace_back();
    b.nNumber = number;
    b.strName = std::move(name);
    return b;
}

// The writer writes the definitions marked used, under their ref_no. Marking every one with its
// own number makes a file that keeps unused definitions and the stored numbers, as drawings
// from other programs do.
void Finish(TJwwData& d) {
    d.Enthd.n1 = int32_t(d.EntNo.size());
    for (auto& b : d.EntBlockDef) {
        b.N = int32_t(b.mNo.size());
        b.ref_flag = true;
        b.ref_no = int32_t(b.nNumber);
    }
    d.EntBlockDefN = d.Enthd.n2 = int32_t(d.EntBlockDef.size());
    d.EntBlockNum = d.EntBlockDefN;
}

// Version 700, UTF-16 strings. Definitions 12 "ドア" (holds a zero-extent text and inserts
// 40), 40 "窓" (refers to logo.bmp) and 7 "old" (not inserted; refers to plan.bmp). The
// drawing refers to "photo" (matching "Photo.jpg.gz" by letter-case-blind prefix) and, from a
// zero-extent text only, to gone.png.
void BuildRich(TJwwData& d, const FilePath& imageFolder) {
    SizeTables(d, 700);
    d.Enthd.strMemo = u"メモ";
    Add(d.EntLine, d.EntLineN, d.EntNo, kEntLine, Line(0));
    Add(d.EntLine, d.EntLineN, d.EntNo, kEntLine, Line(20));
    Add(d.EntMoji, d.EntMojiN, d.EntNo, kEntMoji, Kept(u"北側"));
    Add(d.EntMoji, d.EntMojiN, d.EntNo, kEntMoji, ZeroExtent(u"^@BM%temp%gone.png,0,0"));
    Add(d.EntMoji, d.EntMojiN, d.EntNo, kEntMoji, Kept(u"^@BM%temp%photo,0,0,10,10"));
    Add(d.EntSolid, d.EntSolidN, d.EntNo, kEntSolid, TEntJwwSolid{});
    Add(d.EntBlock, d.EntBlockN, d.EntNo, kEntBlock, Insertion(12));

    TEntJwwBlockDef& door = Definition(d, 12, u"ドア");
    Add(door.mLine, door.mLineN, door.mNo, kEntLine, Line(1));
    Add(door.mMoji, door.mMojiN, door.mNo, kEntMoji, ZeroExtent(u"x"));
    Add(door.mBlock, door.mBlockN, door.mNo, kEntBlock, Insertion(40));
    TEntJwwBlockDef& window = Definition(d, 40, u"窓");
    Add(window.mEnko, window.mEnkoN, window.mNo, kEntEnko, TEntJwwEnko{{}, 0, 0, 3, 0, 1, 0, 1, 0});
    Add(window.mMoji, window.mMojiN, window.mNo, kEntMoji, Kept(u"^@BM%temp%logo.bmp,1,1"));
    TEntJwwBlockDef& old = Definition(d, 7, u"old");
    Add(old.mTen, old.mTenN, old.mNo, kEntTen, TEntJwwTen{});
    Add(old.mMoji, old.mMojiN, old.mNo, kEntMoji, Kept(u"^@BM%temp%plan.bmp,0"));

    const std::pair<std::u16string, size_t> images[] = {
        {u"Photo.jpg.gz", 30}, {u"logo.bmp", 1}, {u"plan.bmp", 12}, {u"gone.png", 7}};
    for (const auto& [name, size] : images) {
        std::ofstream(imageFolder / PathFromText(name), std::ios::binary) << std::string(size, 'i');
        d.BindImage.push_back({name, int32_t(size), false});
    }
    d.BindImageN = int32_t(d.BindImage.size());
    d.BindImageFolder = imageFolder;
    d.BindImageExr = true;
    d.SetFileOutOption(32);
    Finish(d);
}

// Version 600, Shift-JIS strings, no definitions: the image section does not exist.
void BuildSmall(TJwwData& d) {
    SizeTables(d, 600);
    Add(d.EntLine, d.EntLineN, d.EntNo, kEntLine, Line(0));
    Add(d.EntMoji, d.EntMojiN, d.EntNo, kEntMoji, ZeroExtent(u"点"));
    Finish(d);
}

std::vector<uint8_t> Save(TJwwData& d) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(d.SaveToBuffer(bytes, d.Enthd.jwVer)) << d.LastError;
    return bytes;
}

void WriteFile(const FilePath& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

struct Outcome {
    int status;
    std::string out, err;
};

Outcome RunWith(std::vector<FilePath> args) {
    Outcome r;
    r.status = RunInfo(args, r.out, r.err);
    return r;
}

std::string Utf8(const FilePath& p) { return Utf16ToUtf8(TextFromPath(p)); }

class InfoTest : public ::testing::Test {
protected:
    TempFolder tmp;
    FilePath images = tmp.path() / "images";
    FilePath rich = tmp.path() / "rich.jww";
    FilePath small = tmp.path() / "small.jww";
    std::vector<uint8_t> richBytes;

    void SetUp() override {
        std::filesystem::create_directories(images);
        TJwwData d;
        BuildRich(d, images);
        richBytes = Save(d);
        WriteFile(rich, richBytes);
        TJwwData s;
        BuildSmall(s);
        WriteFile(small, Save(s));
    }
};

// ---- Summaries ----

TEST_F(InfoTest, TextSummaryOfDrawingWithDefinitionsAndImages) {
    Outcome r = RunWith({rich});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Utf8(rich) + "\n"
        "  version 700, strings UTF-16\n"
        "  drawing: 7 entities (line 2, text 3, solid 1, insertion 1); 1 zero-extent text\n"
        "  block definitions: 3 (2 used, 1 unused); 7 entities (line 1, arc 1, point 1, text 3, insertion 1); 1 zero-extent text\n"
        "    #0 number 12 \"ドア\": used, new number 0; 3 entities (line 1, text 1, insertion 1); 1 zero-extent text\n"
        "    #1 number 40 \"窓\": used, new number 1; 2 entities (arc 1, text 1); 0 zero-extent texts\n"
        "    #2 number 7 \"old\": unused; 2 entities (point 1, text 1); 0 zero-extent texts\n"
        "  images: 4 (3 referenced)\n"
        "    \"Photo.jpg.gz\": 30 bytes, gzip, referenced\n"
        "    \"logo.bmp\": 1 byte, referenced\n"
        "    \"plan.bmp\": 12 bytes, referenced\n"
        "    \"gone.png\": 7 bytes, not referenced\n");
}

TEST_F(InfoTest, JsonSummaryOfDrawingWithDefinitionsAndImages) {
    Outcome r = RunWith({FilePath("--json"), rich});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "{\"file\":" + Quoted(Utf8(rich)) +
        R"(,"version":700,"string_form":"UTF-16",)"
        R"("drawing":{"entities":{"line":2,"arc":0,"point":0,"text":3,"dimension":0,"solid":1,"insertion":1},"zero_extent_texts":1},)"
        R"("definitions":{"count":3,"used":2,"unused":1,)"
        R"("entities":{"line":1,"arc":1,"point":1,"text":3,"dimension":0,"solid":0,"insertion":1},"zero_extent_texts":1,"list":[)"
        R"({"index":0,"number":12,"name":"ドア","used":true,"new_number":0,)"
        R"("entities":{"line":1,"arc":0,"point":0,"text":1,"dimension":0,"solid":0,"insertion":1},"zero_extent_texts":1},)"
        R"({"index":1,"number":40,"name":"窓","used":true,"new_number":1,)"
        R"("entities":{"line":0,"arc":1,"point":0,"text":1,"dimension":0,"solid":0,"insertion":0},"zero_extent_texts":0},)"
        R"({"index":2,"number":7,"name":"old","used":false,"new_number":null,)"
        R"("entities":{"line":0,"arc":0,"point":1,"text":1,"dimension":0,"solid":0,"insertion":0},"zero_extent_texts":0}]},)"
        R"("images":{"count":4,"referenced":3,"list":[)"
        R"({"name":"Photo.jpg.gz","size":30,"gzip":true,"referenced":true},)"
        R"({"name":"logo.bmp","size":1,"gzip":false,"referenced":true},)"
        R"({"name":"plan.bmp","size":12,"gzip":false,"referenced":true},)"
        R"({"name":"gone.png","size":7,"gzip":false,"referenced":false}]}})" "\n");
}

TEST_F(InfoTest, SmallDrawingInTextAndJsonOneDocumentPerFile) {
    Outcome text = RunWith({small});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, Utf8(small) + "\n"
        "  version 600, strings Shift-JIS\n"
        "  drawing: 2 entities (line 1, text 1); 1 zero-extent text\n"
        "  block definitions: 0\n"
        "  images: 0\n");

    Outcome json = RunWith({FilePath("--json"), small, small});
    EXPECT_EQ(json.status, 0);
    std::string doc = "{\"file\":" + Quoted(Utf8(small)) +
        R"(,"version":600,"string_form":"Shift-JIS",)"
        R"("drawing":{"entities":{"line":1,"arc":0,"point":0,"text":1,"dimension":0,"solid":0,"insertion":0},"zero_extent_texts":1},)"
        R"("definitions":{"count":0,"used":0,"unused":0,)"
        R"("entities":{"line":0,"arc":0,"point":0,"text":0,"dimension":0,"solid":0,"insertion":0},"zero_extent_texts":0,"list":[]},)"
        R"("images":{"count":0,"referenced":0,"list":[]}})";
    EXPECT_EQ(json.out, doc + "\n" + doc + "\n");
}

// A file written in one form, and the same file with only its memo in the other form.
TEST(StringFormTest, ShiftJisUtf16AndMixed) {
    TJwwData d;
    BuildSmall(d);
    std::vector<uint8_t> shiftJis = Save(d);
    d.SetFileOutOption(32);
    std::vector<uint8_t> utf16 = Save(d);
    // The empty memo in UTF-16 form (FF FE FF 00) replaced by its byte form (00).
    ASSERT_EQ(std::vector<uint8_t>(utf16.begin() + 12, utf16.begin() + 16), (std::vector<uint8_t>{0xFF, 0xFE, 0xFF, 0x00}));
    std::vector<uint8_t> mixed(utf16.begin(), utf16.begin() + 12);
    mixed.push_back(0);
    mixed.insert(mixed.end(), utf16.begin() + 16, utf16.end());

    const struct {
        const char* name;
        const std::vector<uint8_t>& bytes;
        const char* form;
    } cases[] = {{"byte form only", shiftJis, "Shift-JIS"}, {"UTF-16 only", utf16, "UTF-16"}, {"memo in byte form", mixed, "mixed"}};
    for (const auto& c : cases) {
        TJwwData loaded;
        ASSERT_TRUE(loaded.LoadFromBuffer(c.bytes.data(), c.bytes.size())) << c.name << ": " << loaded.LastError;
        EXPECT_STREQ(StringFormName(DetectStringForm(loaded.ByteFormStrings, loaded.Utf16FormStrings)), c.form) << c.name;
    }
}

// ---- Errors ----

TEST_F(InfoTest, DrawingThatDoesNotLoadGivesOneLineWithTheReadersMessage) {
    std::vector<uint8_t> badVersion(richBytes.begin(), richBytes.begin() + 12);
    badVersion[8] = 0x20;  // version 800
    badVersion[9] = 0x03;
    std::vector<uint8_t> cutInEntities(richBytes.begin(), richBytes.begin() + richBytes.size() / 2);

    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {"text.jww", {'h', 'e', 'l', 'l', 'o', '\n'}, "JWW-Header Error"},
        {"v800.jww", badVersion, "JWW-Version Error"},
        {"cut.jww", cutInEntities, "File I/O Error"},
        {"empty.jww", {}, "JWW-Header Error"},
    };
    for (const auto& c : cases) {
        FilePath path = tmp.path() / c.name;
        WriteFile(path, c.bytes);
        Outcome r = RunWith({path});
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_EQ(r.err, "jwwinfo: " + Utf8(path) + ": " + c.reason + "\n") << c.name;
    }

    Outcome missing = RunWith({tmp.path() / "missing.jww"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "jwwinfo: " + Utf8(tmp.path() / "missing.jww") + ": cannot read the file\n");
}

TEST_F(InfoTest, FailedFileDoesNotStopTheOthers) {
    FilePath bad = tmp.path() / "bad.jww";
    WriteFile(bad, {1, 2, 3});
    Outcome r = RunWith({FilePath("--json"), bad, small});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "jwwinfo: " + Utf8(bad) + ": JWW-Header Error\n");
    EXPECT_EQ(r.out.find("{\"file\":" + Quoted(Utf8(small))), 0u);
}

TEST(UsageTest, WrongArgumentsGiveUsageAndStatus2) {
    const std::vector<std::vector<FilePath>> cases = {
        {}, {"--json"}, {"--diff", "a.jww"}, {"--diff", "a.jww", "b.jww", "c.jww"}, {"--bogus", "a.jww"}};
    for (const auto& args : cases) {
        Outcome r = RunWith(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_NE(r.err.find("usage: jwwinfo"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
}

// A drawing cut anywhere either fails with a message or loads and is summarised.
TEST_F(InfoTest, EveryPrefixOfTheFixtureIsHandled) {
    int loaded = 0;
    for (size_t n = 0; n <= richBytes.size(); ++n) {
        // Exactly n bytes, so that a read past the end trips AddressSanitizer.
        std::unique_ptr<uint8_t[]> prefix(new uint8_t[n]);
        std::copy_n(richBytes.begin(), n, prefix.get());
        DrawingSummary s;
        std::string error;
        if (SummariseBytes(prefix.get(), n, "prefix.jww", s, error)) {
            ++loaded;
            EXPECT_FALSE(RenderText(s).empty());
            EXPECT_FALSE(RenderJson(s).empty());
        } else {
            EXPECT_EQ(error.rfind("jwwinfo: prefix.jww: ", 0), 0u) << n;
            EXPECT_EQ(error.find('\n'), error.size() - 1) << n;
        }
    }
    EXPECT_GT(loaded, 0);  // cuts inside the image section still load
}

// ---- Comparison ----

TEST_F(InfoTest, DiffOfDrawingBeforeAndAfterConversion) {
    // A conversion: load with working files, remove the zero-extent texts, write.
    TJwwData d;
    d.BindImageFolder = tmp.path() / "work";
    std::filesystem::create_directories(d.BindImageFolder);
    d.BindImageExp = d.BindImageExr = true;
    ASSERT_TRUE(d.FileIn(rich)) << d.LastError;
    RemoveZeroExtentTexts(d);
    d.SetFileOutOption(32);
    FilePath after = tmp.path() / "after.jww";
    ASSERT_TRUE(d.FileOut(after, d.Enthd.jwVer)) << d.LastError;

    Outcome r = RunWith({FilePath("--diff"), rich, after});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "--- " + Utf8(rich) + "\n+++ " + Utf8(after) + "\n"
        "drawing text: 3 -> 2\n"
        "drawing zero_extent_texts: 1 -> 0\n"
        "definitions count: 3 -> 2\n"
        "definitions point: 1 -> 0\n"
        "definitions text: 3 -> 1\n"
        "definitions zero_extent_texts: 1 -> 0\n"
        "definition \"ドア\" number: 12 -> 0\n"
        "definition \"ドア\" text: 1 -> 0\n"
        "definition \"ドア\" zero_extent_texts: 1 -> 0\n"
        "definition \"窓\" number: 40 -> 1\n"
        "definition \"old\": only in BEFORE\n"
        "images count: 4 -> 3\n"
        "images referenced: 3 -> 2\n"
        "image \"plan.bmp\" referenced: yes -> no\n"
        "image \"gone.png\": only in BEFORE\n");

    Outcome json = RunWith({FilePath("--json"), FilePath("--diff"), rich, after});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.rfind("{\"before\":{\"file\":", 0), 0u);
    EXPECT_NE(json.out.find(R"({"section":"definition","name":"ドア","occurrence":1,"field":"number","before":12,"after":0})"),
              std::string::npos);
    EXPECT_NE(json.out.find(R"({"section":"image","name":"gone.png","occurrence":1,"field":"present","before":true,"after":false}]})"),
              std::string::npos);

    Outcome same = RunWith({FilePath("--diff"), rich, rich});
    EXPECT_EQ(same.out, "--- " + Utf8(rich) + "\n+++ " + Utf8(rich) + "\nno differences\n");
}

TEST(DiffTest, RepeatedNamesMatchByOccurrenceAndImagesIgnoreCase) {
    DrawingSummary before, after;
    before.definitions = {{0, 1, "A", true, 0, {}, 0}, {1, 2, "A", true, 1, {}, 0}};
    after.definitions = {{0, 1, "A", true, 0, {}, 0}};
    before.images = {{"pic.PNG", 5, false, true}};
    after.images = {{"PIC.png", 5, false, true}};
    std::string text = RenderDiffText(before, after, Diff(before, after));
    EXPECT_EQ(text, "--- \n+++ \n"
        "definitions count: 2 -> 1\n"
        "definitions used: 2 -> 1\n"
        "definition \"A\" (occurrence 2): only in BEFORE\n"
        "image \"pic.PNG\" name: \"pic.PNG\" -> \"PIC.png\"\n");
}

// Names reach a terminal and JSON parsers: controls are escaped, broken UTF-8 is replaced.
TEST(QuotedTest, EscapesWhatCouldHarmATerminalOrAParser) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"plain", "\"plain\""},
        {"日本語", "\"日本語\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"\x1b[2J", "\"\\u001b[2J\""},
        {"\x7f", "\"\\u007f\""},
        {"\xc2\x9b" "31m", "\"\\u009b31m\""},
        {"\xe2\x80\xa8", "\"\\u2028\""},
        {"bad\xff", "\"bad\xef\xbf\xbd\""},
        {"\xe6\x97", "\"\xef\xbf\xbd\xef\xbf\xbd\""},
        {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
    };
    for (const auto& c : cases) EXPECT_EQ(Quoted(c.in), c.out) << c.in;
}

}  // namespace
