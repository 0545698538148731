// Block definitions: numbering shared with the entity list, time stamps, renumbering and
// dropping on output, cycles and deep nests, and the insertion tree.
#include <numbers>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "JwwTestSupport.h"

using namespace jwwtest;

namespace {

Line L(double v) { return Line{{0, 1, 2}, v, v, v + 1, v + 1}; }
Text T(double v) { return Text{{0, 1, 1}, v, v, v + 5, v, 0, 2, 2, 0, 0, u"F", u"text"}; }
Insert Ins(uint32_t number, double x = 0, double y = 0) { return Insert{{0, 1, 1}, x, y, 1, 1, 0, number}; }
BlockDef Def(uint32_t number, std::vector<Entity> list, std::u16string name = u"block") {
    return BlockDef{{7, 2, 3, 4, 5, 6, 8}, number, 1, 0x01020304, std::move(name), std::move(list)};
}

TEST(Blocks, DefinitionsAtEveryLayoutComeBackByteForByte) {
    for (int ver : {220, 350, 351, 420, 700}) {
        SCOPED_TRACE(ver);
        Drawing d = EmptyDrawing(ver);
        d.list = {L(1), Ins(0), T(2)};
        d.defs = {Def(0, {L(3), T(4), Ins(1)}, u"outer"), Def(1, {}, u"\u3042")};
        Bytes file = BuildFile(d);
        auto drawing = Loaded(file);
        ASSERT_EQ(drawing->EntBlockDefN, 2);
        EXPECT_EQ(drawing->Enthd.n2, 2);
        for (int i = 0; i < 2; ++i) {
            const auto& def = drawing->EntBlockDef[size_t(i)];
            ExpectAttr(def.att, d.defs[size_t(i)].att, ver);  // pen width 0 before 351
            EXPECT_EQ(def.nNumber, d.defs[size_t(i)].number);
            EXPECT_EQ(def.bRefferd, 1u);
            EXPECT_EQ(def.dtime, d.defs[size_t(i)].time);
            EXPECT_TRUE(def.strName == d.defs[size_t(i)].name);
            ExpectDefList(def, d.defs[size_t(i)].list, ver);
        }
        EXPECT_TRUE(SameBytes(file, Saved(*drawing, ver)));
    }
}

// One numbering runs from the entity list through the block section.
TEST(Blocks, ClassNumberingContinuesIntoTheBlockSection) {
    const int ver = 700;
    Drawing d = EmptyDrawing(ver);
    d.list = {L(1), Ins(12)};
    d.defs = {Def(12, {L(2), T(3), L(4)})};
    BlockDef& def = d.defs[0];

    ByteBuilder x(ver);
    x.count(2);
    x.declare("CDataSen").record(d.list[0]);          // 1, object 2
    x.raw({0xFF, 0xFF, 0xBC, 0x02, 0x0A, 0x00}).raw("CDataBlock").record(d.list[1]);  // 3, object 4
    x.count(1);
    x.raw({0xFF, 0xFF, 0xBC, 0x02, 0x09, 0x00}).raw("CDataList");  // 5
    x.attr(def.att).u32(12).u32(def.referenced).u32(def.time).str(def.name).count(3);  // object 6
    x.raw({0x01, 0x80}).record(def.list[0]);                                   // 7
    x.raw({0xFF, 0xFF, 0xBC, 0x02, 0x09, 0x00}).raw("CDataMoji").record(def.list[1]);  // 8, object 9
    x.raw({0x01, 0x80}).record(def.list[2]);                                   // 10
    x.i32(0);
    Bytes file = BuildFile(d);
    ASSERT_TRUE(SameBytes(x.bytes, After(file, HeaderSize(d.header, ver))));

    // With one more insertion in the list CDataList is declared with index 6, and a second
    // definition refers to it.
    d.list.push_back(Ins(13));
    d.defs.push_back(Def(13, {T(5), Ins(12)}));
    file = BuildFile(d);
    ByteBuilder second(ver);
    second.ref(6).attr(d.defs[1].att).u32(13);
    Bytes body = After(file, HeaderSize(d.header, ver));
    EXPECT_NE(std::string(body.begin(), body.end()).find(std::string(second.bytes.begin(), second.bytes.end())),
              std::string::npos);
    auto drawing = Loaded(file);
    ExpectMainList(*drawing, d.list, ver);
    ExpectDefList(drawing->EntBlockDef[1], d.defs[1].list, ver);

    Drawing expected = d;
    std::get<Insert>(expected.list[1]).number = 0;
    std::get<Insert>(expected.list[2]).number = 1;
    expected.defs[0].number = 0;
    expected.defs[1].number = 1;
    std::get<Insert>(expected.defs[1].list[1]).number = 0;
    EXPECT_TRUE(SameBytes(BuildFile(expected), Saved(*drawing, ver)));
}

// In front of a definition any declaration or reference is taken; the output declares CDataList.
TEST(Blocks, DefinitionTagIsNotChecked) {
    const int ver = 600;
    Drawing d = EmptyDrawing(ver);
    d.list = {L(1), Ins(0), Ins(1)};
    d.defs = {Def(0, {L(2)}), Def(1, {L(3)})};
    ByteBuilder b(ver);
    b.header(d.header).list(d.list);
    b.count(2);
    b.declare("SomethingElse");
    b.attr(d.defs[0].att).u32(0).u32(1).u32(d.defs[0].time).str(d.defs[0].name).count(1).objectDone();
    b.ref(1).record(d.defs[0].list[0]).objectDone();
    b.ref(1);  // a reference to the line class, in front of a definition
    b.attr(d.defs[1].att).u32(1).u32(1).u32(d.defs[1].time).str(d.defs[1].name).count(1).objectDone();
    b.ref(b.classIndex["SomethingElse"]);  // the definition class in a nested list: skipped
    b.ref(1).record(d.defs[1].list[0]).objectDone();
    auto drawing = Loaded(b.bytes);
    ASSERT_EQ(drawing->EntBlockDefN, 2);
    ExpectDefList(drawing->EntBlockDef[1], {L(3)}, ver);
    EXPECT_TRUE(SameBytes(BuildFile(d), Saved(*drawing, ver)));
}

// A time stamp of 0x80000000 or more carries 8 more bytes and reads as the position.
TEST(Blocks, ExtendedTimeStamp) {
    const int ver = 420;
    Drawing d = EmptyDrawing(ver);
    d.list = {Ins(1), Ins(2), Ins(3)};
    d.defs = {Def(1, {L(1)}), Def(2, {L(2)}), Def(3, {L(3)})};
    d.defs[1].time = 0x80000000u;
    d.defs[1].timeExtra = {1, 2, 3, 4, 5, 6, 7, 8};
    d.defs[2].time = 0xFFFFFFFFu;
    d.defs[2].timeExtra = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    auto drawing = Loaded(BuildFile(d));
    EXPECT_EQ(drawing->EntBlockDef[0].dtime, d.defs[0].time);
    EXPECT_EQ(drawing->EntBlockDef[1].dtime, 2u);
    EXPECT_EQ(drawing->EntBlockDef[2].dtime, 3u);
    ExpectDefList(drawing->EntBlockDef[2], {L(3)}, ver);

    Drawing expected = d;
    expected.defs[1].time = 2;
    expected.defs[2].time = 3;
    for (uint32_t i = 0; i < 3; ++i) {
        std::get<Insert>(expected.list[i]).number = i;
        expected.defs[i].number = i;
    }
    EXPECT_TRUE(SameBytes(BuildFile(expected), Saved(*drawing, ver)));
}

// ---- Which definitions are written, and under which numbers ----

struct UseCase {
    const char* name;
    std::vector<Entity> list;
    std::vector<BlockDef> defs;
    std::vector<bool> used;
    std::vector<Entity> writtenList;    // with the numbers written
    std::vector<BlockDef> writtenDefs;  // likewise
};

std::vector<UseCase> UseCases() {
    return {
        {"12, 40, 7 become 0, 1, 2",
         {Ins(40), Ins(12), Ins(7), Ins(40)},
         {Def(12, {Ins(40)}), Def(40, {}), Def(7, {L(1)})},
         {true, true, true},
         {Ins(1), Ins(0), Ins(2), Ins(1)},
         {Def(0, {Ins(1)}), Def(1, {}), Def(2, {L(1)})}},
        {"used only through a used definition: kept",
         {Ins(5)},
         {Def(9, {L(1)}), Def(5, {Ins(9)})},
         {true, true},
         {Ins(1)},
         {Def(0, {L(1)}), Def(1, {Ins(0)})}},
        {"used only through an unused definition: dropped with everything inside",
         {Ins(1)},
         {Def(1, {L(1)}), Def(2, {Ins(3), T(1)}), Def(3, {L(2)}), Def(4, {Ins(4)})},
         {true, false, false, false},
         {Ins(0)},
         {Def(0, {L(1)})}},
        {"unknown number written as 0",
         {Ins(99), Ins(8)},
         {Def(7, {}), Def(8, {Ins(77)})},
         {false, true},
         {Ins(0), Ins(0)},
         {Def(0, {Ins(0)})}},
        {"duplicate numbers: the first is meant",
         {Ins(5)},
         {Def(5, {L(1)}, u"first"), Def(5, {L(2)}, u"second")},
         {true, false},
         {Ins(0)},
         {Def(0, {L(1)}, u"first")}},
        {"definitions without any insertion",
         {L(1)},
         {Def(1, {L(2)}), Def(2, {Ins(1)})},
         {false, false},
         {L(1)},
         {}},
        {"insertions only inside definitions",
         {L(1)},
         {Def(1, {Ins(1)})},
         {false},
         {L(1)},
         {}},
        {"a definition inserting itself",
         {Ins(3)},
         {Def(2, {}), Def(3, {Ins(3), L(1)})},
         {false, true},
         {Ins(0)},
         {Def(0, {Ins(0), L(1)})}},
        {"a cycle of two",
         {Ins(10)},
         {Def(20, {Ins(10)}), Def(10, {Ins(20), Ins(20)}), Def(30, {Ins(10)})},
         {true, true, false},
         {Ins(1)},
         {Def(0, {Ins(1)}), Def(1, {Ins(0), Ins(0)})}},
    };
}

TEST(Blocks, UsedDefinitionsRenumberedUnusedDropped) {
    const int ver = 600;
    for (const auto& c : UseCases()) {
        SCOPED_TRACE(c.name);
        Drawing d = EmptyDrawing(ver);
        d.list = c.list;
        d.defs = c.defs;
        auto drawing = Loaded(BuildFile(d));
        int32_t counter = 0;
        for (size_t i = 0; i < c.used.size(); ++i) {
            EXPECT_EQ(drawing->EntBlockDef[i].ref_flag, c.used[i]) << i;
            EXPECT_EQ(drawing->EntBlockDef[i].ref_no, c.used[i] ? counter++ : -1) << i;
        }
        EXPECT_EQ(drawing->EntBlockNum, counter);
        Drawing expected = d;
        expected.list = c.writtenList;
        expected.defs = c.writtenDefs;
        Bytes out = Saved(*drawing, ver);
        EXPECT_TRUE(SameBytes(BuildFile(expected), out));
        // The drawing keeps its numbers.
        for (size_t i = 0; i < c.defs.size(); ++i) EXPECT_EQ(drawing->EntBlockDef[i].nNumber, c.defs[i].number);
    }
}

TEST(Blocks, ChangeBlockNo) {
    Drawing d = EmptyDrawing(600);
    d.list = {Ins(40), Ins(12)};
    d.defs = {Def(12, {}), Def(99, {}), Def(40, {}), Def(12, {})};
    auto drawing = Loaded(BuildFile(d));
    EXPECT_EQ(drawing->ChangeBlockNo(12), 0u);
    EXPECT_EQ(drawing->ChangeBlockNo(40), 1u);
    EXPECT_EQ(drawing->ChangeBlockNo(99), 99u);  // found but unused: unchanged
    EXPECT_EQ(drawing->ChangeBlockNo(5), 0u);    // no such definition
}

// Each definition inserts the next one twice: the expanded tree would have 2^40 nodes.
TEST(Blocks, ExponentialNestLoadsFast) {
    const int ver = 700;
    const uint32_t depth = 40;
    Drawing d = EmptyDrawing(ver);
    d.list = {Ins(0)};
    for (uint32_t i = 0; i < depth; ++i)
        d.defs.push_back(i + 1 < depth ? Def(i, {Ins(i + 1, 1, 0), Ins(i + 1, 0, 1)}) : Def(i, {L(1)}));
    Bytes file = BuildFile(d);
    auto start = std::chrono::steady_clock::now();
    auto drawing = Loaded(file);
    Bytes out = Saved(*drawing, ver);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
    EXPECT_EQ(drawing->EntBlockNum, int32_t(depth));
    for (uint32_t i = 0; i < depth; ++i) {
        EXPECT_TRUE(drawing->EntBlockDef[i].ref_flag);
        EXPECT_EQ(drawing->EntBlockDef[i].ref_no, int32_t(i));
    }
    EXPECT_LT(drawing->EntBlockTreeN, 10'000'000);
    EXPECT_EQ(drawing->EntBlockTreeN, int32_t(drawing->EntBlockTree.size()));
    EXPECT_TRUE(SameBytes(file, out));
}

TEST(Blocks, CyclesStopExpandingAndKeepTheirMarks) {
    Drawing d = EmptyDrawing(600);
    d.list = {Ins(1), Ins(2)};
    d.defs = {Def(1, {Ins(1), Ins(3)}), Def(2, {Ins(3)}), Def(3, {Ins(2), Ins(1)})};
    auto drawing = Loaded(BuildFile(d));
    EXPECT_EQ(drawing->EntBlockNum, 3);
    for (const auto& def : drawing->EntBlockDef) EXPECT_TRUE(def.ref_flag);
    ASSERT_GE(drawing->EntBlockTreeN, 2);
    EXPECT_LT(drawing->EntBlockTreeN, 1000);
    for (int32_t k = 0; k < drawing->EntBlockTreeN; ++k) {
        const auto& node = drawing->EntBlockTree[size_t(k)];
        EXPECT_LT(node.parent, k);
        if (node.parent >= 0) {
            EXPECT_EQ(node.level, drawing->EntBlockTree[size_t(node.parent)].level + 1);
        }
    }
}

// Placements compose down the tree; nested nodes carry the containing definition's attributes.
TEST(Blocks, TreeNodes) {
    Drawing d = EmptyDrawing(600);
    Insert top = Ins(1, 10, 20);
    top.angle = std::numbers::pi / 2;
    top.scaleX = 2;
    top.scaleY = 3;
    top.att = {9, 8, 7, 6, 5, 4, 3};
    Insert nested = Ins(2, 1, 0);
    nested.scaleX = 5;
    d.list = {top, Ins(77, 1, 1)};
    d.defs = {Def(1, {nested, L(1)}, u"outer"), Def(2, {L(2)}, u"inner")};
    d.defs[0].att = {11, 12, 13, 14, 15, 15, 17};
    auto drawing = Loaded(BuildFile(d));
    ASSERT_EQ(drawing->EntBlockTreeN, 3);
    const auto& n0 = drawing->EntBlockTree[0];
    const auto& n1 = drawing->EntBlockTree[1];
    const auto& n2 = drawing->EntBlockTree[2];
    EXPECT_EQ(n0.level, 0);
    EXPECT_EQ(n0.parent, -1);
    EXPECT_EQ(n0.no, 1u);
    EXPECT_EQ(n0.defno, 0);
    EXPECT_TRUE(n0.name == u"outer");
    EXPECT_EQ(n0.att.lGroup, 9u);
    EXPECT_EQ(n0.x, 10);
    EXPECT_EQ(n0.y, 20);
    EXPECT_NEAR(n0.r1, 0, 1e-12);
    EXPECT_NEAR(n0.r2, -3, 1e-12);
    EXPECT_NEAR(n0.r3, 2, 1e-12);
    EXPECT_NEAR(n0.r4, 0, 1e-12);
    EXPECT_EQ(n1.defno, -1);  // number 77: no definition
    EXPECT_TRUE(n1.name.empty());
    EXPECT_EQ(n2.level, 1);
    EXPECT_EQ(n2.parent, 0);
    EXPECT_EQ(n2.no, 2u);
    EXPECT_EQ(n2.defno, 1);
    EXPECT_TRUE(n2.name == u"inner");
    EXPECT_EQ(n2.att.lGroup, 11u);  // from the containing definition
    EXPECT_EQ(n2.att.nPenStyle, 12);
    EXPECT_NEAR(n2.x, 10, 1e-12);  // (1, 0) turned by 90° and scaled by 2
    EXPECT_NEAR(n2.y, 22, 1e-12);
    EXPECT_NEAR(n2.r1, 0, 1e-12);
    EXPECT_NEAR(n2.r2, -3, 1e-12);
    EXPECT_NEAR(n2.r3, 10, 1e-12);
    EXPECT_NEAR(n2.r4, 0, 1e-12);
}

// A definition's fixed part missing fails the load; what was read stays, and the tree is built.
TEST(Blocks, MissingDefinitionFailsTheLoad) {
    const int ver = 600;
    Drawing d = EmptyDrawing(ver);
    d.list = {Ins(1)};
    d.defs = {Def(1, {L(1)})};
    ByteBuilder b(ver);
    b.header(d.header).list(d.list);
    b.count(2).blockDef(d.defs[0]);
    b.tag("CDataList");
    TJwwData drawing;
    EXPECT_FALSE(LoadExact(drawing, b.bytes));
    EXPECT_EQ(drawing.LastError, "File I/O Error");
    EXPECT_EQ(drawing.EntBlockDefN, 2);
    EXPECT_EQ(drawing.EntBlockDef[0].nNumber, 1u);
    EXPECT_TRUE(drawing.EntBlockDef[0].ref_flag);
    EXPECT_EQ(drawing.EntBlockNum, 1);
}

}  // namespace

namespace {

// The file ending right before the last nested record: the record is dropped, and the load
// fails because the block section is incomplete.
TEST(Blocks, FileEndingBeforeTheLastNestedRecordFails) {
    const int ver = 600;
    Drawing d = EmptyDrawing(ver);
    d.list = {Ins(1)};
    d.defs = {Def(1, {L(1), L(2)})};
    ByteBuilder b(ver);
    b.header(d.header).list(d.list);
    b.count(1).tag("CDataList").attr(d.defs[0].att).u32(1).u32(1).u32(2).str(u"B").count(2).objectDone();
    b.object(L(1));
    b.tag("CDataSen");
    TJwwData drawing;
    EXPECT_FALSE(LoadExact(drawing, b.bytes));
    EXPECT_EQ(drawing.LastError, "File I/O Error");
    ASSERT_EQ(drawing.EntBlockDefN, 1);
    const auto& def = drawing.EntBlockDef[0];
    EXPECT_EQ(def.mLineN, 1);
    ASSERT_EQ(def.mNo.size(), 2u);
    EXPECT_EQ(def.mNo[1].EntType, 0);
    EXPECT_TRUE(def.ref_flag);
}

}  // namespace

namespace {

TEST(Blocks, DefinitionNamesCleanedLikeOtherNames) {
    Drawing d = EmptyDrawing(600);
    d.list = {Ins(1), Ins(2)};
    d.defs = {Def(1, {}, u"A^mB\tC"), Def(2, {}, u"\x01")};
    auto drawing = Loaded(BuildFile(d));
    EXPECT_TRUE(drawing->EntBlockDef[0].strName == u"A^mBC");
    EXPECT_TRUE(drawing->EntBlockDef[1].strName.empty());
    drawing->EntBlockDef[1].strName = u"\x02";
    Drawing expected = d;
    expected.list = {Ins(0), Ins(1)};
    expected.defs = {Def(0, {}, u"ABC"), Def(1, {}, u" ")};
    EXPECT_TRUE(SameBytes(BuildFile(expected), Saved(*drawing, 600)));
}

}  // namespace
