// The entity list: tags that select no class, re-declared classes, counts in both forms,
// removed and stale order entries, fresh class numbering on output, dropped records.
#include <gtest/gtest.h>

#include <functional>

#include "JwwTestSupport.h"

using namespace jwwtest;

namespace {

Line L(double v) { return Line{{0, 1, 2}, v, v, v + 1, v + 1}; }
Arc A(double v) { return Arc{{0, 2, 3}, v, v, 1, 0, 1, 0, 1, 0}; }
Text T(double v) { return Text{{0, 1, 1}, v, v, v + 5, v, 0, 2, 2, 0, 0, u"F", u"text"}; }
Point P(double v) { return Point{{0, 1, 1}, v, v, 0}; }

// A file whose entity list is written by hand after the sample header.
Bytes WithList(int ver, const std::function<void(ByteBuilder&)>& list, bool blockSection = true) {
    ByteBuilder b(ver);
    b.header(SampleHeader(ver));
    list(b);
    if (blockSection) b.count(0);
    return std::move(b.bytes);
}

struct TagCase {
    const char* name;
    std::function<void(ByteBuilder&)> list;
    std::vector<Entity> read;
};

const TagCase kTagCases[] = {
    {"re-declared class takes the new index; the old one names nothing",
     [](ByteBuilder& b) {
         b.count(5);
         b.declare("CDataSen").record(L(1)).objectDone();
         b.declare("CDataSen").record(L(2)).objectDone();
         b.ref(1);  // skipped: tag only, no running index
         b.ref(3).record(L(3)).objectDone();
         b.declare("CDataEnko").record(A(4)).objectDone();  // index 6
         b.ref(6).record(A(5)).objectDone();
     },
     {L(1), L(2), L(3), A(4), A(5)}},
    {"tag 0x8000 skipped",
     [](ByteBuilder& b) {
         b.count(2);
         b.declare("CDataSen").record(L(1)).objectDone();
         b.raw({0x00, 0x80});
         b.ref(1).record(L(2)).objectDone();
     },
     {L(1), L(2)}},
    {"references to unknown indices skipped",
     [](ByteBuilder& b) {
         b.count(2);
         b.declare("CDataSen").record(L(1)).objectDone();
         b.ref(9).ref(2).raw({0x01, 0x00}).raw({0xFF, 0x7F, 0x09, 0x00, 0x00, 0x80});
         b.ref(1).record(L(2)).objectDone();
     },
     {L(1), L(2)}},
    {"long references in both ranges",
     [](ByteBuilder& b) {
         b.count(3);
         b.declare("CDataSen").record(L(1)).objectDone();
         b.raw({0xFF, 0x7F, 0x01, 0x00, 0x00, 0x00}).record(L(2)).objectDone();
         b.raw({0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80}).record(L(3)).objectDone();
     },
     {L(1), L(2), L(3)}},
    {"schema word ignored, name padded with NUL",
     [](ByteBuilder& b) {
         b.count(2);
         b.declare(std::string("CDataMoji\0\0\0", 12), 0).record(T(1)).objectDone();
         b.ref(1).record(T(2)).objectDone();
     },
     {T(1), T(2)}},
    {"count in the long form",
     [](ByteBuilder& b) {
         b.u16(0xFFFF).i32(2);
         b.declare("CDataTen").record(P(1)).objectDone();
         b.ref(1).record(P(2)).objectDone();
     },
     {P(1), P(2)}},
    {"count 0", [](ByteBuilder& b) { b.count(0); }, {}},
};

TEST(EntityList, TagsThatSelectNoClassAndRedeclaredClasses) {
    const int ver = 600;
    for (const auto& c : kTagCases) {
        SCOPED_TRACE(c.name);
        auto d = Loaded(WithList(ver, c.list));
        ExpectMainList(*d, c.read, ver);
        Drawing canonical = EmptyDrawing(ver);
        canonical.list = c.read;
        EXPECT_TRUE(SameBytes(BuildFile(canonical), Saved(*d, ver)));
    }
}

TEST(EntityList, EmptyListIsTwoZeroBytesBeforeTheBlockSection) {
    Drawing in = EmptyDrawing(600);
    auto d = Loaded(BuildFile(in));
    EXPECT_TRUE(d->EntNo.empty());
    EXPECT_EQ(d->Enthd.n1, 0);
    EXPECT_EQ(d->EntBlockNum, 0);
    Bytes out = Saved(*d, 600);
    EXPECT_EQ(Hex(out, HeaderSize(in.header, 600), 8), "00 00 00 00 ");
}

TEST(EntityList, UnknownDeclarationsFailTheLoad) {
    const std::string names[] = {"CDataFoo", "CDataList", "CDataSen" + std::string(2047, ' '), ""};
    for (const auto& name : names) {
        SCOPED_TRACE(name.substr(0, 12));
        TJwwData d;
        EXPECT_FALSE(LoadExact(d, WithList(600, [&](ByteBuilder& b) {
            b.count(3);
            b.declare("CDataSen").record(L(1)).objectDone();
            b.declare(name).record(L(2)).objectDone();
            b.ref(1).record(L(3)).objectDone();
        })));
        EXPECT_EQ(d.LastError, "File I/O Error");
        EXPECT_EQ(d.EntLineN, 1);  // the objects before stay in the drawing
        EXPECT_EQ(d.Enthd.n1, 3);
    }
}

// ---- Which order entries are written ----

struct EntryCase {
    const char* name;
    std::function<void(TJwwData&)> edit;
    std::vector<Entity> written;
};

const EntryCase kEntryCases[] = {
    {"removed entry", [](TJwwData& d) { d.EntNo[1].EntType = 0; }, {T(0), T(2), L(3)}},
    {"index beyond the count", [](TJwwData& d) { d.EntNo[1].EntNo = 7; }, {T(0), T(2), L(3)}},
    {"negative index", [](TJwwData& d) { d.EntNo[0].EntNo = -1; }, {T(1), T(2), L(3)}},
    {"unknown type", [](TJwwData& d) { d.EntNo[2].EntType = 9; }, {T(0), T(1), L(3)}},
    {"negative type", [](TJwwData& d) { d.EntNo[2].EntType = -4; }, {T(0), T(1), L(3)}},
    {"count lowered below an index", [](TJwwData& d) { d.EntMojiN = 2; }, {T(0), T(1), L(3)}},
    {"first written entry a line: CDataSen declared first",
     [](TJwwData& d) { d.EntNo[0].EntType = d.EntNo[1].EntType = d.EntNo[2].EntType = 0; }, {L(3)}},
    {"entries moved", [](TJwwData& d) { std::swap(d.EntNo[0], d.EntNo[3]); }, {L(3), T(1), T(2), T(0)}},
    {"everything removed", [](TJwwData& d) { for (auto& e : d.EntNo) e.EntType = 0; }, {}},
};

TEST(EntityList, OnlyLiveEntriesAreCountedAndWritten) {
    const int ver = 700;
    Drawing in = EmptyDrawing(ver);
    in.list = {T(0), T(1), T(2), L(3)};
    Bytes file = BuildFile(in);
    for (const auto& c : kEntryCases) {
        SCOPED_TRACE(c.name);
        auto d = Loaded(file);
        c.edit(*d);
        Drawing expected = in;
        expected.list = c.written;
        Bytes out = Saved(*d, ver);
        EXPECT_TRUE(SameBytes(BuildFile(expected), out));
        EXPECT_EQ(d->Enthd.n1, 4);  // the drawing is not changed by writing
        EXPECT_EQ(d->EntMoji.size(), 3u);

        // Read back: the order list has no removed entries.
        auto again = Loaded(out);
        ExpectMainList(*again, c.written, ver);
    }
}

TEST(EntityList, CountsAt65534And65535) {
    const int ver = 700;
    for (int n : {65534, 65535}) {
        SCOPED_TRACE(n);
        Drawing in = EmptyDrawing(ver);
        in.list.assign(size_t(n), P(1));
        std::get<Point>(in.list.back()).x = 42;
        Bytes file = BuildFile(in);
        EXPECT_EQ(Hex(file, HeaderSize(in.header, ver), 6), n == 65534 ? "FE FF FF FF BC 02 " : "FF FF FF FF 00 00 ");
        auto d = Loaded(file);
        ASSERT_EQ(d->EntTenN, n);
        EXPECT_EQ(d->Enthd.n1, n);
        EXPECT_EQ(d->EntTen.back().start_x, 42);
        EXPECT_EQ(d->EntNo.back().EntNo, n - 1);
        EXPECT_TRUE(SameBytes(file, Saved(*d, ver)));
    }
}

// A record for which the file has no byte left is dropped: its order entry stays (0, 0) at
// the end, its count does not grow, and the load then fails where the next section is due.
TEST(EntityList, RecordWithNoByteLeftIsDropped) {
    struct Row {
        const char* name;
        int ver;
        std::function<void(ByteBuilder&)> list;
        int32_t lines, texts, dims;
    };
    Dim dim;
    dim.text = T(1);
    const Row rows[] = {
        {"after the tag", 600,
         [](ByteBuilder& b) {
             b.count(3);
             b.declare("CDataSen").record(L(1)).objectDone();
             b.ref(1).record(L(2)).objectDone();
             b.ref(1);
         },
         2, 0, 0},
        {"text after its tag", 350,
         [](ByteBuilder& b) {
             b.count(2);
             b.declare("CDataSen").record(L(1)).objectDone();
             b.declare("CDataMoji");
         },
         1, 0, 0},
        {"dimension without its text", 600,
         [dim](ByteBuilder& b) {
             b.count(2);
             b.declare("CDataSunpou").record(dim).objectDone();
             b.ref(1).attr(dim.att).record(dim.line);
         },
         0, 0, 1},
        {"dimension without its last point", 420,
         [dim](ByteBuilder& b) {
             b.count(2);
             b.declare("CDataSunpou").record(dim).objectDone();
             b.ref(1).attr(dim.att).record(dim.line).record(dim.text).u16(0).record(dim.h1).record(dim.h2);
             b.record(dim.t1).record(dim.t2).record(dim.k1);
         },
         0, 0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TJwwData d;
        EXPECT_FALSE(LoadExact(d, WithList(row.ver, row.list, false)));
        EXPECT_EQ(d.LastError, "File I/O Error");
        ASSERT_GE(d.EntNo.size(), 1u);
        EXPECT_EQ(d.EntNo.back().EntType, 0);
        EXPECT_EQ(d.EntNo.back().EntNo, 0);
        EXPECT_EQ(d.EntLineN, row.lines);
        EXPECT_EQ(d.EntMojiN, row.texts);
        EXPECT_EQ(d.EntSunpoN, row.dims);
        EXPECT_EQ(d.Enthd.n1, int32_t(d.EntNo.size()));
    }
}

}  // namespace
