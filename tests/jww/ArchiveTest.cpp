// Strings, counts, class tags and attribute blocks, byte by byte; class numbering through whole files.
#include <gtest/gtest.h>

#include "Archive.h"
#include "JwwTestSupport.h"

using namespace jwwtest;

namespace {

Bytes Concat(std::initializer_list<uint8_t> head, size_t fillCount = 0, uint8_t fillByte = 0) {
    Bytes b(head);
    b.insert(b.end(), fillCount, fillByte);
    return b;
}

Bytes Written(int options, const std::function<void(ByteWriter&)>& write, int version = 700) {
    Bytes out;
    ByteWriter w([&out](const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); });
    w.version = version;
    w.options = options;
    write(w);
    w.Flush();
    return out;
}

struct StringInCase {
    const char* name;
    Bytes bytes;  // followed by one sentinel byte in the test
    std::u16string expected;
    bool utf16;
};

TEST(StringIn, ReadsBothFormsAndStopsAtTheRightByte) {
    std::u16string a300(300, u'x'), b255(255, u'b'), c65535(65535, u'c');
    Bytes utf300 = Concat({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01});
    for (int i = 0; i < 300; ++i) utf300.insert(utf300.end(), {'x', 0});
    const StringInCase cases[] = {
        {"empty one-byte length", {0x00}, u"", false},
        {"empty word length", {0xFF, 0x00, 0x00}, u"", false},
        {"text ends at NUL", {0x05, 'A', 'B', 0x00, 'C', 'D'}, u"AB", false},
        {"Shift-JIS", {0x04, 0x82, 0xA0, 0x93, 0xFA}, u"\u3042\u65E5", false},
        {"word length 255", Concat({0xFF, 0xFF, 0x00}, 255, 'b'), b255, false},
        {"word length 65535 is a plain length", Concat({0xFF, 0xFF, 0xFF}, 65535, 'c'), c65535, false},
        {"UTF-16 three units", {0xFF, 0xFE, 0xFF, 0x03, 'A', 0, 0x42, 0x30, 'C', 0}, u"A\u3042C", true},
        {"UTF-16 empty", {0xFF, 0xFE, 0xFF, 0x00}, u"", true},
        {"UTF-16 word length", utf300, a300, true},
        {"UTF-16 ends at NUL", {0xFF, 0xFE, 0xFF, 0x03, 'A', 0, 0, 0, 'C', 0}, u"A", true},
        {"control characters kept", {0x03, 'A', 0x09, 'B'}, u"A\tB", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes in = c.bytes;
        in.push_back(0xEE);
        bool moji = false;
        ByteReader r(in.data(), in.size());
        r.mojiEncode = &moji;
        EXPECT_TRUE(r.StringIn() == c.expected);
        EXPECT_EQ(moji, c.utf16);
        EXPECT_EQ(r.remaining(), 1u);
        EXPECT_EQ(r.U8(), 0xEE);
        EXPECT_FALSE(r.pastEnd());
    }
}

TEST(StringIn, CleanFormDropsCharactersBelowSpaceOnly) {
    Bytes in = {0x06, 'A', 0x09, 'B', 0x0D, 0x0A, 0x7F};
    ByteReader r(in.data(), in.size());
    EXPECT_TRUE(r.StringInClean() == u"AB\x7F");
}

TEST(StringIn, LengthBeyondTheEndStopsAtTheEnd) {
    for (Bytes in : {Bytes{0x05, 'A', 'B'}, Bytes{0xFF, 0xFE, 0xFF, 0x04, 'A', 0, 'B'}, Bytes{0xFF}, Bytes{0xFF, 0xFE}}) {
        ByteReader r(in.data(), in.size());
        r.StringIn();
        EXPECT_TRUE(r.pastEnd());
        EXPECT_EQ(r.remaining(), 0u);
    }
}

struct StringOutCase {
    const char* name;
    int options;
    std::u16string text;
    Bytes expected;
};

TEST(StringOut, WritesTheChosenFormWithTheRightLength) {
    std::u16string a254(254, u'a'), a255(255, u'a'), x300(300, u'x');
    Bytes utf300 = Concat({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01});
    for (int i = 0; i < 300; ++i) utf300.insert(utf300.end(), {'x', 0});
    Bytes utf255 = Concat({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00});
    for (int i = 0; i < 255; ++i) utf255.insert(utf255.end(), {'a', 0});
    Bytes utf254 = Concat({0xFF, 0xFE, 0xFF, 0xFE});
    for (int i = 0; i < 254; ++i) utf254.insert(utf254.end(), {'a', 0});
    const StringOutCase cases[] = {
        {"empty", 0, u"", {0x00}},
        {"254 bytes", 0, a254, Concat({0xFE}, 254, 'a')},
        {"255 bytes", 0, a255, Concat({0xFF, 0xFF, 0x00}, 255, 'a')},
        {"Shift-JIS", 0, u"\u3042\u65E5", {0x04, 0x82, 0xA0, 0x93, 0xFA}},
        {"byte form ends at NUL", 0, std::u16string(u"AB\0C", 4), {0x02, 'A', 'B'}},
        {"UTF-16 empty", 32, u"", {0xFF, 0xFE, 0xFF, 0x00}},
        {"UTF-16 254", 32, a254, utf254},
        {"UTF-16 255", 32, a255, utf255},
        {"UTF-16 300", 32, x300, utf300},
        {"UTF-16 Japanese", 32, u"\u3042", {0xFF, 0xFE, 0xFF, 0x01, 0x42, 0x30}},
        {"other option bits keep the byte form", 16 | 8 | 1, u"A", {0x01, 'A'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(SameBytes(c.expected, Written(c.options, [&](ByteWriter& w) { w.StringOut(c.text); })));
    }
}

TEST(StringOut, RefusesWhatTheFormCannotCarry) {
    std::u16string ok(65533, u'a'), tooLong(65534, u'a');
    Bytes out = Written(0, [&](ByteWriter& w) { w.StringOut(ok); });
    EXPECT_TRUE(SameBytes(Concat({0xFF, 0xFD, 0xFF}, 65533, 'a'), out));
    EXPECT_THROW(Written(0, [&](ByteWriter& w) { w.StringOut(tooLong); }), JwwIoError);
    // 65533 bytes made of two-byte characters and one more ASCII byte is also too long.
    std::u16string wide(32767, u'\u3042');
    EXPECT_THROW(Written(0, [&](ByteWriter& w) { w.StringOut(wide + u"ab"); }), JwwIoError);

    std::u16string units(65535, u'x');
    Bytes utf = Written(32, [&](ByteWriter& w) { w.StringOut(units); });
    EXPECT_EQ(utf.size(), 6u + 2 * 65535);
    EXPECT_EQ(Hex(utf, 0, 6), "FF FE FF FF FF FF ");
    EXPECT_THROW(Written(32, [&](ByteWriter& w) { w.StringOut(units + u"x"); }), JwwIoError);
}

TEST(SetFileOutOption, OutOfRangeSelectsByteForm) {
    TJwwData d;
    for (auto [n, expected] : {std::pair{64, 0}, {-1, 0}, {32, 32}, {63, 63}, {0, 0}}) {
        d.SetFileOutOption(n);
        EXPECT_EQ(d.FileOutOpt, expected) << n;
    }
}

TEST(Count, BothFormsBothDirections) {
    struct Row {
        int32_t n;
        Bytes bytes;
    };
    const Row rows[] = {
        {0, {0x00, 0x00}},
        {1, {0x01, 0x00}},
        {65534, {0xFE, 0xFF}},
        {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.n);
        EXPECT_TRUE(SameBytes(row.bytes, Written(0, [&](ByteWriter& w) { w.CountOut(row.n); })));
        ByteReader r(row.bytes.data(), row.bytes.size());
        EXPECT_EQ(r.CountIn(), row.n);
        EXPECT_TRUE(r.atEnd());
    }
    // The long form may also carry a small count.
    Bytes longSmall = {0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00};
    ByteReader r(longSmall.data(), longSmall.size());
    EXPECT_EQ(r.CountIn(), 3);
}

TEST(ClassRefOut, ShortFormBelow32767) {
    struct Row {
        int64_t index;
        Bytes bytes;
    };
    const Row rows[] = {
        {1, {0x01, 0x80}},
        {32766, {0xFE, 0xFF}},
        {32767, {0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x80}},
        {100000, {0xFF, 0x7F, 0xA0, 0x86, 0x01, 0x80}},
    };
    for (const auto& row : rows)
        EXPECT_TRUE(SameBytes(row.bytes, Written(0, [&](ByteWriter& w) { w.ClassRefOut(row.index); })));
}

TEST(ClassTagIn, DeclarationsAndReferences) {
    // A list declares CDataSen (index 1) and, after one object, CDataTen (index 3).
    ByteBuilder b;
    b.declare("CDataSen", 0x1234);  // the schema word is not looked at
    b.objectDone();
    b.declare("CDataTen", 600);
    b.objectDone();
    b.raw({0x01, 0x80});                          // short reference to 1
    b.raw({0x03, 0x80});                          // short reference to 3
    b.raw({0xFF, 0x7F, 0x03, 0x00, 0x00, 0x00});  // long form below 0x80000000: index 3
    b.raw({0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80});  // long form: index 1
    b.raw({0x00, 0x80});                          // index 0: no class
    b.raw({0x02, 0x80});                          // index of an object: no class
    b.raw({0x05, 0x00});                          // below 0x8000: negative index
    ByteReader r(b.bytes.data(), b.bytes.size());
    ClassTable classes;
    EXPECT_EQ(ClassTagIn(r, classes, true), 1);
    ++classes.running;
    EXPECT_EQ(ClassTagIn(r, classes, true), 3);
    ++classes.running;
    for (int expected : {1, 3, 3, 1, 0, 0, 0}) EXPECT_EQ(ClassTagIn(r, classes, true), expected);
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.pastEnd());
    EXPECT_EQ(classes.running, 5);
}

TEST(ClassTagIn, DeclaredNames) {
    struct Row {
        const char* name;
        std::string declared;
        int expected;  // -1: the read fails
    };
    const Row rows[] = {
        {"each entity class", "CDataSunpou", 5},
        {"name padded with NUL", std::string("CDataBlock\0\0", 12), 7},
        {"unknown name", "CDataFoo", -1},
        {"block-definition class in a list", "CDataList", -1},
        {"case matters", "CDATASEN", -1},
        {"prefix only", "CDataSe", -1},
        {"longer than 2047 bytes", "CDataSen" + std::string(2040, '\0'), -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ByteBuilder b;
        b.declare(row.declared);
        ByteReader r(b.bytes.data(), b.bytes.size());
        ClassTable classes;
        if (row.expected < 0) {
            EXPECT_THROW(ClassTagIn(r, classes, true), JwwIoError);
        } else {
            EXPECT_EQ(ClassTagIn(r, classes, true), row.expected);
            EXPECT_TRUE(r.atEnd());
        }
    }
    // In front of a block definition any name is consumed whole, however long.
    ByteBuilder b;
    b.declare(std::string(5000, 'Z'));
    b.u8(0xEE);
    ByteReader r(b.bytes.data(), b.bytes.size());
    ClassTable classes;
    EXPECT_EQ(ClassTagIn(r, classes, false), 8);
    EXPECT_EQ(r.U8(), 0xEE);
}

TEST(Attr, ThirteenBytesUpTo350FifteenFrom351) {
    TEntJwwAttr a;
    a.lGroup = 0x04030201;
    a.nPenStyle = 5;
    a.nPenColor = 0x0706;
    a.nPenWidth = 0x0908;
    a.nLayer = 0x000B;
    a.nGLayer = 0x000C;
    a.sFlg = 0x0F0E;
    Bytes v351 = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0B, 0x00, 0x0C, 0x00, 0x0E, 0x0F};
    Bytes v350 = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x0B, 0x00, 0x0C, 0x00, 0x0E, 0x0F};
    // Block-definition code 8: nothing of the pen is normalised.
    EXPECT_TRUE(SameBytes(v351, Written(0, [&](ByteWriter& w) { w.AttrOut(a, 8); }, 351)));
    EXPECT_TRUE(SameBytes(v350, Written(0, [&](ByteWriter& w) { w.AttrOut(a, 8); }, 350)));
    for (auto [ver, bytes] : {std::pair{351, v351}, {350, v350}}) {
        ByteReader r(bytes.data(), bytes.size());
        r.version = ver;
        TEntJwwAttr got = r.AttrIn();
        EXPECT_TRUE(r.atEnd());
        EXPECT_EQ(got.lGroup, a.lGroup);
        EXPECT_EQ(got.nPenStyle, a.nPenStyle);
        EXPECT_EQ(got.nPenColor, a.nPenColor);
        EXPECT_EQ(got.nPenWidth, ver == 351 ? a.nPenWidth : 0);
        EXPECT_EQ(got.nLayer, a.nLayer);
        EXPECT_EQ(got.nGLayer, a.nGLayer);
        EXPECT_EQ(got.sFlg, a.sFlg);
    }
}

// ---- Class numbering through whole files ----

Line SampleLine(double v) { return Line{{0, 2, 3}, v, v + 1, v + 2, v + 3}; }
Arc SampleArc(double v) { return Arc{{0, 3, 4}, v, v, 5, 0.5, 1.5, 0, 1, 0}; }

TEST(ClassNumbering, ThreeLinesThenArcs) {
    const int ver = 600;
    Drawing d = EmptyDrawing(ver);
    d.list = {SampleLine(1), SampleLine(2), SampleLine(3), SampleArc(4), SampleArc(5)};
    Bytes file = BuildFile(d);

    // The same list written out tag by tag.
    ByteBuilder x(ver);
    x.count(5);
    x.declare("CDataSen").record(d.list[0]);
    x.raw({0x01, 0x80}).record(d.list[1]);
    x.raw({0x01, 0x80}).record(d.list[2]);
    x.raw({0xFF, 0xFF, 0x58, 0x02, 0x09, 0x00}).raw("CDataEnko").record(d.list[3]);
    x.raw({0x05, 0x80}).record(d.list[4]);
    x.count(0);
    EXPECT_TRUE(SameBytes(x.bytes, After(file, HeaderSize(d.header, ver))));

    auto drawing = Loaded(file);
    ExpectMainList(*drawing, d.list, ver);
    EXPECT_TRUE(SameBytes(file, Saved(*drawing, ver)));
}

TEST(ClassNumbering, ClassReachingIndex32767UsesTheLongReference) {
    const int ver = 420;
    Drawing d = EmptyDrawing(ver);
    for (int i = 0; i < 32765; ++i) d.list.push_back(SampleLine(i));
    d.list.push_back(SampleArc(1));
    d.list.push_back(SampleArc(2));
    Bytes file = BuildFile(d);
    size_t at = HeaderSize(d.header, ver) + 2 + 14 + 47 + 32764 * 49;
    EXPECT_EQ(Hex(file, at, 15), "FF FF A4 01 09 00 43 44 61 74 61 45 6E 6B 6F ");  // CDataEnko, index 32767
    EXPECT_EQ(Hex(file, at + 15 + 75, 6), "FF 7F FF 7F 00 80 ");

    auto drawing = Loaded(file);
    EXPECT_EQ(drawing->EntLineN, 32765);
    ASSERT_EQ(drawing->EntEnkoN, 2);
    EXPECT_EQ(drawing->EntEnko[1].start_x, 2);
    EXPECT_TRUE(SameBytes(file, Saved(*drawing, ver)));
}

}  // namespace

namespace {

// Both string forms in one file: the reader notes the UTF-16 one, and the writer uses one form
// for every string, as the option asks.
TEST(StringForms, MixedFormsInOneFile) {
    const int ver = 600;
    Drawing d = EmptyDrawing(ver);
    d.header.layers[0].name = std::u16string(255, u'a');
    d.header.groups[1].name = std::u16string(254, u'b');
    d.header.memo = u"\u65E5\u3042 memo";
    Text t{{0, 1, 1}, 1, 2, 3, 4, 0, 2, 2, 0, 0, u"\u3042", std::u16string(300, u'x')};
    d.list = {t};
    ByteBuilder b(ver);
    b.header(d.header).count(1).tag("CDataMoji").textFixed(t).str(t.font);
    b.utf16 = true;
    b.str(t.str).objectDone();
    b.utf16 = false;
    b.count(0);
    auto drawing = Loaded(b.bytes);
    EXPECT_TRUE(drawing->MojiEncode);
    ExpectMainList(*drawing, d.list, ver);
    EXPECT_TRUE(SameBytes(BuildFile(d), Saved(*drawing, ver, 0)));
    d.utf16 = true;
    EXPECT_TRUE(SameBytes(BuildFile(d), Saved(*drawing, ver, 32)));
}

// A string the chosen form cannot carry fails the whole write.
TEST(StringForms, TooLongStringFailsTheWrite) {
    Drawing d = EmptyDrawing(600);
    d.list = {Text{{0, 1, 1}, 1, 2, 3, 4, 0, 2, 2, 0, 0, u"", u"short"}};
    auto drawing = Loaded(BuildFile(d));
    drawing->EntMoji[0].str = std::u16string(65534, u'a');
    Bytes out;
    EXPECT_FALSE(drawing->SaveToBuffer(out, 600));
    EXPECT_EQ(drawing->LastError, "File I/O Error");
    EXPECT_TRUE(out.empty());
    drawing->SetFileOutOption(32);
    EXPECT_TRUE(drawing->SaveToBuffer(out, 600));
    drawing->EntMoji[0].str = std::u16string(65536, u'a');
    EXPECT_FALSE(drawing->SaveToBuffer(out, 600));
}

}  // namespace
