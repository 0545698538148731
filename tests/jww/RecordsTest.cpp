// The seven entity records at every attribute-block layout, their optional parts, the reader's
// fill-ins and repairs, and the attribute normalisation of the writer.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "JwwTestSupport.h"

using namespace jwwtest;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

Point SamplePoint(uint8_t style, double v) {
    Point p{{0x11, style, 2, 7, 3, 4, 0x55}, v, -v, 1};
    if (style == 100) {
        p.code = 9;
        p.angle = 0.75;
        p.scale = 2.5;
    }
    return p;
}

Text SampleText(double v, std::u16string str = u"text \u3042") {
    return Text{{0x22, 9, 9, 5, 15, 15, 0xFFFF}, v, v + 1, v + 2, v + 3, 10003, 2.5, 3.5, 0.25, 45.0, u"MS Gothic", str};
}

Dim SampleDim(uint16_t sxf) {
    Dim d;
    d.att = {0x33, 200, 5, 12, 1, 2, 3};
    d.line = {{0x34, 2, 3, 1, 4, 5, 6}, 1, 2, 3, 4};
    d.text = SampleText(10, u"1234");
    d.text.att.style = 3;
    d.sxf = sxf;
    d.h1 = {{0x35, 4, 6, 2, 7, 8, 9}, 5, 6, 7, 8};
    d.h2 = {{0x36, 5, 7, 3, 9, 10, 11}, 9, 10, 11, 12};
    d.t1 = SamplePoint(1, 13);
    d.t2 = SamplePoint(100, 14);
    d.k1 = SamplePoint(100, 15);
    d.k2 = SamplePoint(1, 16);
    return d;
}

// One entity of every kind and every optional part, with values no normalisation changes.
std::vector<Entity> EveryKind() {
    Solid round{{0x44, 150, 3, 9, 0, 0, 0}, {1, 2, 3, 4, 5, 6, 7, 8}, 0};
    Solid coloured{{0x45, 1, 10, 9, 0, 0, 0}, {-1, -2, -3, -4, -5, -6, -7, -8}, 0x123456};
    return {
        Line{{0x01020304, 2, 3, 30000, 15, 15, 0x0102}, 1.5, -2.5, 3.25, 4e5},
        Arc{{6, 12, 4, 1, 0, 1, 0}, 10, 20, 5, 0.1, 3.0, 0.2, 0.5, 1},
        SamplePoint(1, 1),
        SamplePoint(100, 2),
        SampleText(3),
        SampleDim(1),
        round,
        coloured,
        Insert{{0x66, 200, 500, 3, 2, 1, 0}, 100, 200, 2, 3, 0.5, 0},
    };
}

TEST(Records, EveryKindAtEveryAttributeLayout) {
    for (int ver : {350, 351, 419, 420, 700}) {
        for (bool utf16 : {false, true}) {
            SCOPED_TRACE("version " + std::to_string(ver) + (utf16 ? " UTF-16" : ""));
            Drawing d = EmptyDrawing(ver);
            d.utf16 = utf16;
            d.list = EveryKind();
            Bytes file = BuildFile(d);
            auto drawing = Loaded(file);
            ExpectMainList(*drawing, d.list, ver);
            EXPECT_TRUE(SameBytes(file, Saved(*drawing, ver, utf16 ? 32 : 0)));
        }
    }
}

// Below 420 the SXF part is not stored: the reader fills it in from the dimension's attributes.
TEST(Records, DimensionSxfPartFilledInBelow420) {
    Drawing d = EmptyDrawing(400);
    d.list = {SampleDim(1)};
    auto drawing = Loaded(BuildFile(d));
    ASSERT_EQ(drawing->EntSunpoN, 1);
    const TEntJwwSunpo& s = drawing->EntSunpo[0];
    const Attr& a = d.list[0].index() == 4 ? std::get<Dim>(d.list[0]).att : Attr{};
    EXPECT_EQ(s.bSxfMode, 0);
    for (const TEntJwwLine* l : {&s.Ho1, &s.Ho2}) {
        ExpectAttr(l->att, a, 400);
        EXPECT_EQ(l->start_x, 0);
        EXPECT_EQ(l->end_y, 0);
    }
    Attr pointAttr = a;
    pointAttr.style = 0;
    for (const TEntJwwTen* t : {&s.Te1, &s.Te2, &s.Kt1, &s.Kt2}) {
        ExpectAttr(t->att, pointAttr, 400);
        EXPECT_EQ(t->start_x, 0);
        EXPECT_EQ(t->bKariten, 0u);
        EXPECT_EQ(t->nCode, 0u);
        EXPECT_EQ(t->radKaitenKaku, 0);
        EXPECT_EQ(t->dBairitsu, 0);
    }

    // Written at 420: the filled-in part, points at pen style 1 without their optional part.
    Drawing expected = d;
    expected.version = 420;
    ExtendedTablesFromNothing(expected.header);
    Dim& e = std::get<Dim>(expected.list[0]);
    e.sxf = 0;
    e.h1 = e.h2 = Line{a};
    e.h1.att.style = e.h2.att.style = 1;  // 200 is no line style
    Point p{a};
    p.att.style = 1;
    e.t1 = e.t2 = e.k1 = e.k2 = p;
    EXPECT_TRUE(SameBytes(BuildFile(expected), Saved(*drawing, 420)));
}

// A dimension read with its SXF part and written below 420 becomes seven objects.
TEST(Records, DimensionExpandsIntoSevenObjectsBelow420) {
    Dim dim = SampleDim(1);
    Dim plain = SampleDim(0);
    Drawing d = EmptyDrawing(600);
    d.list = {Line{{0, 1, 1}, 1, 1, 2, 2}, dim, plain, Insert{{}, 0, 0, 1, 1, 0, 0}};
    d.defs = {BlockDef{{}, 0, 0, 0, u"B", {dim, Line{{0, 1, 1}, 3, 3, 4, 4}}}};
    auto drawing = Loaded(BuildFile(d));

    // At 600 it stays one object.
    EXPECT_TRUE(SameBytes(BuildFile(d), Saved(*drawing, 600)));

    auto expanded = [](const Dim& s) {
        Point k1 = s.k1, k2 = s.k2;
        k1.provisional = k2.provisional = 1;
        return std::vector<Entity>{s, s.h1, s.h2, s.t1, s.t2, k1, k2};
    };
    for (int ver : {419, 351, 350}) {
        SCOPED_TRACE(ver);
        Drawing expected = d;
        expected.version = ver;
        expected.header.printValue = 7;
        std::vector<Entity> top = {d.list[0]};
        for (auto& e : expanded(dim)) top.push_back(e);
        top.push_back(plain);  // bSxfMode 0: one object
        top.push_back(d.list[3]);
        expected.list = top;
        std::vector<Entity> nested = expanded(dim);
        nested.push_back(d.defs[0].list[1]);
        expected.defs[0].list = nested;
        Bytes out = Saved(*drawing, ver);
        EXPECT_TRUE(SameBytes(BuildFile(expected), out));
        EXPECT_EQ(Hex(out, HeaderSize(expected.header, ver), 2), "0A 00 ");  // 4 entries + 6
    }

    // Read from 419, a dimension has bSxfMode 0 and is one object at every version.
    Drawing old = EmptyDrawing(419);
    old.list = {dim};
    auto oldDrawing = Loaded(BuildFile(old));
    EXPECT_TRUE(SameBytes(BuildFile(old), Saved(*oldDrawing, 419)));
    Bytes at351 = Saved(*oldDrawing, 351);
    Drawing expected351 = old;
    expected351.version = 351;
    EXPECT_TRUE(SameBytes(BuildFile(expected351), at351));
}

// ---- Attribute normalisation ----

struct AttrCase {
    int kind;  // type code 1–7, or 8 for a block definition
    int ver;
    Attr in;
    Attr out;
};

Attr A(uint8_t style, uint16_t color, uint16_t width = 0, uint16_t layer = 0, uint16_t glayer = 0) {
    return Attr{0xABCD, style, color, width, layer, glayer, 0x1234};
}

const AttrCase kAttrCases[] = {
    // Lines and arcs: the old pen-style map below 420, then the kept ranges.
    {1, 351, A(35, 110), A(8, 8)},
    {1, 420, A(35, 110), A(35, 110)},
    {1, 400, A(50, 1), A(1, 1)},
    {1, 420, A(50, 1), A(50, 1)},
    {1, 419, A(31, 101), A(1, 2)},
    {1, 419, A(44, 116), A(17, 2)},
    {2, 351, A(45, 1), A(17, 1)},
    {2, 350, A(62, 1), A(1, 1)},
    {2, 420, A(62, 1), A(62, 1)},
    {2, 420, A(63, 1), A(1, 1)},
    {2, 351, A(10, 1), A(1, 1)},
    {2, 420, A(10, 1), A(1, 1)},
    {2, 700, A(25, 1), A(1, 1)},
    {2, 700, A(19, 9), A(19, 9)},
    {2, 700, A(0, 0), A(1, 1)},
    {1, 351, A(1, 117), A(1, 1)},
    {1, 351, A(1, 356), A(1, 1)},
    {1, 420, A(1, 356), A(1, 356)},
    {1, 420, A(1, 357), A(1, 1)},
    {1, 420, A(1, 10), A(1, 1)},
    {1, 420, A(1, 100), A(1, 1)},
    // Points: 1 or 100, else 1.
    {3, 351, A(5, 105), A(1, 4)},
    {3, 420, A(5, 105), A(1, 105)},
    {3, 700, A(100, 3), A(100, 3)},
    {3, 350, A(100, 3), A(100, 3)},
    {3, 700, A(0, 3), A(1, 3)},
    {3, 700, A(101, 3), A(1, 3)},
    // Texts: 1–9, else 1.
    {4, 700, A(12, 3), A(1, 3)},
    {4, 700, A(9, 9), A(9, 9)},
    {4, 351, A(9, 107), A(9, 1)},
    {4, 700, A(9, 10), A(9, 1)},
    // Dimensions: any pen style.
    {5, 700, A(200, 10), A(200, 1)},
    {5, 351, A(200, 101), A(200, 2)},
    {5, 700, A(0, 200), A(0, 200)},
    // Solids: any pen style; colour 10 kept, with its RGB value.
    {6, 700, A(150, 10), A(150, 10)},
    {6, 351, A(150, 10), A(150, 10)},
    {6, 700, A(1, 11), A(1, 1)},
    {6, 351, A(1, 113), A(1, 6)},
    {6, 351, A(1, 300), A(1, 1)},
    // Block insertions and definitions: pen kept; layers and width still clamped.
    {7, 351, A(200, 500), A(200, 500)},
    {7, 700, A(200, 500, 0, 16, 15), A(200, 500, 0, 0, 15)},
    {8, 351, A(200, 500), A(200, 500)},
    {8, 700, A(0, 0, 30001, 15, 16), A(0, 0, 0, 15, 0)},
    {1, 700, A(1, 1, 30000, 15, 15), A(1, 1, 30000, 15, 15)},
    {1, 700, A(1, 1, 30001, 65535, 16), A(1, 1, 0, 0, 0)},
    {4, 350, A(1, 1, 0, 16, 16), A(1, 1, 0, 0, 0)},
};

// A drawing that holds one entity of the kind carrying the attribute block.
Drawing WithAttr(int kind, int ver, const Attr& a) {
    Drawing d = EmptyDrawing(ver);
    switch (kind) {
        case 1: d.list = {Line{a, 1, 2, 3, 4}}; break;
        case 2: d.list = {Arc{a, 1, 2, 3, 4, 5, 6, 7, 1}}; break;
        case 3: d.list = {Point{a, 1, 2, 0, 4, 5, 6}}; break;
        case 4: d.list = {Text{a, 1, 2, 3, 4, 1, 2, 2, 0, 0, u"F", u"T"}}; break;
        case 5: {
            Dim dim = SampleDim(1);
            dim.att = a;
            d.list = {dim};
            break;
        }
        case 6: d.list = {Solid{a, {1, 2, 3, 4, 5, 6, 7, 8}, 0xABCDEF}}; break;
        case 7: d.list = {Insert{a, 1, 2, 3, 4, 5, 0}}; break;
        case 8:
            d.list = {Insert{{}, 1, 2, 3, 4, 5, 0}};
            d.defs = {BlockDef{a, 0, 1, 2, u"B", {}}};
            break;
    }
    return d;
}

TEST(Records, AttributeNormalisation) {
    for (const auto& c : kAttrCases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + " version " + std::to_string(c.ver) + " style " +
                     std::to_string(c.in.style) + " colour " + std::to_string(c.in.color));
        auto drawing = Loaded(BuildFile(WithAttr(c.kind, c.ver, c.in)));
        Bytes first = Saved(*drawing, c.ver);
        EXPECT_TRUE(SameBytes(BuildFile(WithAttr(c.kind, c.ver, c.out)), first));
        EXPECT_TRUE(SameBytes(first, Saved(*drawing, c.ver)));  // the drawing kept its values
    }
}

// A dimension's parts are normalised as what they are: line, text, points.
TEST(Records, DimensionPartsNormalisedByTheirKind) {
    Dim in = SampleDim(1);
    in.line.att = A(50, 120);
    in.text.att = A(12, 10);
    in.h1.att = A(10, 0);
    in.t1.att = A(5, 101);
    in.k2.att = A(100, 400);
    Drawing d = EmptyDrawing(700);
    d.list = {in};
    auto drawing = Loaded(BuildFile(d));
    Dim out = in;
    out.line.att = A(50, 120);
    out.text.att = A(1, 1);
    out.h1.att = A(1, 1);
    out.t1.att = A(1, 101);
    out.k2.att = A(100, 1);
    Drawing expected = d;
    expected.list = {out};
    EXPECT_TRUE(SameBytes(BuildFile(expected), Saved(*drawing, 700)));

    // Below 420 a line's pen style 50 falls back to 1, colour 120 too.
    Drawing old = EmptyDrawing(351);
    old.list = {in};
    auto oldDrawing = Loaded(BuildFile(old));
    out.line.att = A(1, 1);
    Drawing expectedOld = old;
    expectedOld.list = {out};
    EXPECT_TRUE(SameBytes(BuildFile(expectedOld), Saved(*oldDrawing, 351)));
}

// ---- Texts: sizes, strings ----

struct TextCase {
    const char* name;
    std::function<void(Text&)> in;         // the text as stored in the file read
    std::function<void(TEntJwwMoji&)> edit;  // an edit of the drawing before writing
    std::function<void(Text&)> out;        // the text expected in the output
};

const TextCase kTextCases[] = {
    {"negative width", [](Text& t) { t.sizeX = -2.5; }, nullptr, [](Text& t) { t.sizeX = 2.5; }},
    {"zero width", [](Text& t) { t.sizeX = 0; }, nullptr, [](Text& t) { t.sizeX = 1e-10; }},
    {"huge height", [](Text& t) { t.sizeY = -3e10; }, nullptr, [](Text& t) { t.sizeY = 1e10; }},
    {"NaN width", [](Text& t) { t.sizeX = kNaN; }, nullptr, [](Text& t) { t.sizeX = 3.0; }},
    {"infinite height", [](Text& t) { t.sizeY = -kInf; }, nullptr, [](Text& t) { t.sizeY = 3.0; }},
    {"NaN spacing", [](Text& t) { t.spacing = kNaN; }, nullptr, [](Text& t) { t.spacing = 0.0; }},
    {"negative spacing and angle kept", [](Text& t) { t.spacing = -1; t.angle = -720; }, nullptr,
     [](Text& t) { t.spacing = -1; t.angle = -720; }},
    {"kind digits passed through", [](Text& t) { t.kind = 0xFFFFFFFFu; }, nullptr, [](Text& t) { t.kind = 0xFFFFFFFFu; }},
    {"control characters dropped on reading", [](Text& t) { t.str = u"A\tB\r\n"; t.font = u"\x01"; }, nullptr,
     [](Text& t) { t.str = u"AB"; t.font = u""; }},
    {"^m and \\n dropped on writing", [](Text& t) { t.str = u"A^mB\\nC"; }, nullptr, [](Text& t) { t.str = u"ABC"; }},
    {"text of only pairs becomes a space", [](Text& t) { t.str = u"^m\\n"; }, nullptr, [](Text& t) { t.str = u" "; }},
    {"font of control characters in memory", nullptr, [](TEntJwwMoji& m) { m.strFontName = u"\x01\x02"; },
     [](Text& t) { t.font = u" "; }},
    {"empty font stays empty", [](Text& t) { t.font = u""; }, nullptr, [](Text& t) { t.font = u""; }},
};

TEST(Records, TextSizesAndStrings) {
    for (const auto& c : kTextCases) {
        SCOPED_TRACE(c.name);
        Text in = SampleText(1), out = SampleText(1);
        if (c.in) c.in(in);
        c.out(out);
        Dim dimIn = SampleDim(1), dimOut = SampleDim(1);
        dimIn.text = in;
        dimOut.text = out;
        Drawing d = EmptyDrawing(600);
        d.list = {in, dimIn};
        auto drawing = Loaded(BuildFile(d));
        if (c.edit) {
            c.edit(drawing->EntMoji[0]);
            c.edit(drawing->EntSunpo[0].Moji);
        }
        Drawing expected = d;
        expected.list = {out, dimOut};
        EXPECT_TRUE(SameBytes(BuildFile(expected), Saved(*drawing, 600)));
    }
}

// Image placement rewrites apply to texts, never to a dimension's text.
TEST(Records, PlacementRewriteSkipsDimensionText) {
    Text t = SampleText(1, u"^@BM%temp%pic.png,1,2");
    Dim dim = SampleDim(1);
    dim.text.str = t.str;
    Drawing d = EmptyDrawing(600);
    d.list = {t, dim};
    auto drawing = Loaded(BuildFile(d));
    Drawing expected = d;
    std::get<Text>(expected.list[0]).str = u"^@BMpic.png,1,2";
    EXPECT_TRUE(SameBytes(BuildFile(expected), Saved(*drawing, 600, 8)));
}

}  // namespace
