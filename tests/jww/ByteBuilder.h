// Test-only writer of drawing files, field by field. It shares no code with the library's
// writer, so that reader tests do not only check the library against itself. Header-only and
// self-contained: the fuzzer's seed corpus is built with it too.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace jwwtest {

// ---- Records -------------------------------------------------------------------------------

struct Attr {
    uint32_t group = 0;
    uint8_t style = 1;
    uint16_t color = 1;
    uint16_t width = 0;  // stored from version 351 on
    uint16_t layer = 0;
    uint16_t glayer = 0;
    uint16_t flags = 0;
};

struct Line {
    Attr att;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct Arc {
    Attr att;
    double cx = 0, cy = 0, radius = 0, start = 0, sweep = 0, tilt = 0, flatness = 0;
    uint32_t full = 0;
};

// code, angle and scale are stored only when att.style is 100.
struct Point {
    Attr att;
    double x = 0, y = 0;
    uint32_t provisional = 0;
    uint32_t code = 0;
    double angle = 0, scale = 0;
};

struct Text {
    Attr att;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    uint32_t kind = 0;
    double sizeX = 0, sizeY = 0, spacing = 0, angle = 0;
    std::u16string font, str;
};

// The SXF part (sxf, h1 … k2) is stored only from version 420 on.
struct Dim {
    Attr att;
    Line line;
    Text text;
    uint16_t sxf = 0;
    Line h1, h2;
    Point t1, t2, k1, k2;
};

// color is stored only when att.color is 10.
struct Solid {
    Attr att;
    std::array<double, 8> p{};
    uint32_t color = 0;
};

struct Insert {
    Attr att;
    double x = 0, y = 0, scaleX = 1, scaleY = 1, angle = 0;
    uint32_t number = 0;
};

// The variant's index + 1 is the entity's type code.
using Entity = std::variant<Line, Arc, Point, Text, Dim, Solid, Insert>;

inline constexpr const char* kEntityClass[7] = {"CDataSen",    "CDataEnko",  "CDataTen",  "CDataMoji",
                                                "CDataSunpou", "CDataSolid", "CDataBlock"};

struct BlockDef {
    Attr att;
    uint32_t number = 0;
    uint32_t referenced = 0;
    uint32_t time = 0;  // 0x80000000 or more: eight more bytes follow
    std::u16string name;
    std::vector<Entity> list;
    std::array<uint8_t, 8> timeExtra{};  // those eight bytes
};

struct Image {
    std::u16string name;
    int32_t size = 0;   // written as given
    std::string data;   // written as given (may disagree with size)
};

// ---- Header --------------------------------------------------------------------------------

struct Header {
    struct Group {
        int32_t state = 0, writeLayer = 0;
        double scale = 0;
        int32_t protect = 0;
        std::u16string name;
    };
    struct Layer {
        int32_t state = 0, protect = 0;
        std::u16string name;
    };
    struct Zoom {
        double scale = 0, x = 0, y = 0;
        int32_t glayer = 0;  // only in the eight-slot form
    };
    struct Pen {
        int32_t color = 0, width = 0, prtColor = 0, prtWidth = 0;
        double prtRadius = 0;
    };
    struct LType {
        int32_t pattern = 0, unitDot = 0, pitch = 0, prtPitch = 0;
    };
    struct RandLine {
        int32_t pattern = 0, wide = 0, pitch = 0, prtWide = 0, prtPitch = 0;
    };
    struct PenEx {
        int32_t color = 0, width = 0;
        std::u16string name;
        int32_t prtColor = 0, prtWidth = 0;
        double prtRadius = 0;
    };
    struct LTypeEx {
        LType base;
        std::u16string name;
        int32_t segments = 0;
        std::array<double, 10> pitch{};  // entries 1–10
    };
    struct MojiType {
        double x = 0, y = 0, d = 0;
        int32_t color = 0;
    };

    std::array<uint8_t, 8> signature{'J', 'w', 'w', 'D', 'a', 't', 'a', '.'};
    std::u16string memo;
    int32_t zumen = 0, writeGLay = 0;
    std::array<Group, 16> groups{};
    std::array<Layer, 256> layers{};  // group × 16 + layer
    std::array<uint8_t, 56> reserved1{};
    std::array<int32_t, 5> sunpou{};
    std::array<uint8_t, 4> reserved2{};
    int32_t maxDrawWid = 0;
    double prtGentenX = 0, prtGentenY = 0, prtBairitsu = 0;
    int32_t prtSet = 0, memoriMode = 0;
    std::array<double, 5> memori{};
    double kageLevel = 0, kageIdo = 0;
    int32_t kage9_15 = 0;
    double kabeKageLevel = 0;
    double tenkuuLevel = 0, tenkuuEnkoR = 0;  // from 300
    int32_t mmTani3D = 0;
    std::array<double, 6> view{};
    std::array<Zoom, 8> zoom{};  // slots 1–8; slots 1–4 without glayer up to 230
    double dm11 = 0, dm12 = 0, dm13 = 0;
    int32_t lnDm1 = 0;
    double dm21 = 0, dm22 = 0, mojiBG = 0;
    int32_t nMojiBG = 0;
    std::array<double, 10> fukusen{};
    double ryougawa = 0;
    std::array<Pen, 10> pens{};
    std::array<LType, 8> ltp1{};
    std::array<RandLine, 5> ltp2{};
    std::array<LType, 4> ltp3{};
    std::array<int32_t, 10> switches{};
    int32_t printValue = 0;
    int32_t drawTime = 0, eyeInit = 0, eyeH1 = 0, eyeH2 = 0, eyeH3 = 0;  // from 223
    std::array<double, 5> eye{};                                        // from 223
    std::array<double, 4> snap{};                                       // from 225
    int32_t solidNinni = 0, solidColor = 0;                             // from 230
    std::array<PenEx, 257> pensEx{};                                    // from 420
    std::array<LTypeEx, 33> ltypesEx{};                                 // from 420
    std::array<MojiType, 10> mojiTypes{};
    double mojiSizeX = 0, mojiSizeY = 0, mojiKankaku = 0;
    int32_t mojiColor = 0, mojiShu = 0;
    double seiriGyouKan = 0, seiriSuu = 0;
    int32_t kijunZureOn = 0;
    std::array<double, 6> kijunZure{};
};

inline std::u16string Ascii16(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// A header with a distinct value in every field, chosen so that no substitution of the writer
// changes any of them at the given version: a file built from it comes back byte for byte.
inline Header SampleHeader(int version) {
    Header h;
    int k = 0;
    auto i = [&k] { return int32_t(1000 + k++); };
    auto d = [&k] { return 0.5 + k++; };
    auto name = [](const char* prefix, int n) { return Ascii16(prefix + std::to_string(n)); };
    h.memo = u"memo\r\nline 2";
    h.zumen = i();
    h.writeGLay = i();
    for (int g = 0; g < 16; ++g) {
        h.groups[g] = {i(), i(), d(), i(), name("G", g)};
        for (int l = 0; l < 16; ++l) h.layers[g * 16 + l] = {i(), i(), (l % 5 == 4) ? u"" : name("L", g * 16 + l)};
    }
    h.reserved1.fill(0x20);
    for (auto& v : h.sunpou) v = i();
    h.maxDrawWid = i();
    h.prtGentenX = d();
    h.prtGentenY = d();
    h.prtBairitsu = d();
    h.prtSet = i();
    h.memoriMode = i();
    for (auto& v : h.memori) v = d();
    h.kageLevel = d();
    h.kageIdo = d();
    h.kage9_15 = i();
    h.kabeKageLevel = d();
    h.tenkuuLevel = d();
    h.tenkuuEnkoR = d();
    h.mmTani3D = i();
    for (auto& v : h.view) v = d();
    for (auto& z : h.zoom) z = {d(), d(), d(), i()};
    h.dm11 = d();
    h.dm12 = d();
    h.dm13 = d();
    h.lnDm1 = i();
    h.dm21 = d();
    h.dm22 = d();
    h.mojiBG = d();
    h.nMojiBG = i();
    for (auto& v : h.fukusen) v = d();
    h.ryougawa = d();
    for (int c = 0; c < 10; ++c)
        h.pens[c] = {0x100000 + i(), 1 + c, c == 0 ? 0xFFFFFF : 0x200000 + i(), 10 + 40 * c, 0.25 + 0.5 * c};
    for (auto& t : h.ltp1) t = {i(), i(), i(), i()};
    for (auto& t : h.ltp2) t = {i(), i(), i(), i(), i()};
    for (auto& t : h.ltp3) t = {i(), i(), i(), i()};
    for (auto& v : h.switches) v = i();
    h.printValue = version >= 600 ? 37 : 7;
    h.drawTime = i();
    h.eyeInit = i();
    h.eyeH1 = i();
    h.eyeH2 = i();
    h.eyeH3 = i();
    for (auto& v : h.eye) v = d();
    for (auto& v : h.snap) v = d();
    h.solidNinni = i();
    h.solidColor = i();
    for (int c = 0; c <= 256; ++c) {
        int32_t color = 0x300000 + i();
        h.pensEx[c] = {color, i(), name("C", c), c >= 17 ? color : 0x400000 + i(), i(), d()};
    }
    for (int t = 0; t <= 32; ++t) {
        auto& lt = h.ltypesEx[t];
        lt.base = {0x10000 + i(), i(), i(), i()};
        lt.name = name("T", t);
        lt.segments = 2 * (1 + t % 4);
        for (auto& p : lt.pitch) p = d();
    }
    for (auto& m : h.mojiTypes) m = {d(), d(), d(), i()};
    h.mojiSizeX = d();
    h.mojiSizeY = d();
    h.mojiKankaku = d();
    h.mojiColor = i();
    h.mojiShu = i();
    h.seiriGyouKan = d();
    h.seiriSuu = d();
    h.kijunZureOn = i();
    for (auto& v : h.kijunZure) v = d();
    return h;
}

// ---- The builder ---------------------------------------------------------------------------

class ByteBuilder {
public:
    explicit ByteBuilder(int version = 700) : version(version) {}

    std::vector<uint8_t> bytes;
    int version;         // layout of attribute blocks, records and the header
    bool utf16 = false;  // form of the strings written by str()

    // Class numbering: one running index for the entity list and the block section.
    uint32_t running = 1;
    std::map<std::string, uint32_t> classIndex;

    size_t size() const { return bytes.size(); }

    // -- scalars
    ByteBuilder& u8(uint8_t v) { bytes.push_back(v); return *this; }
    ByteBuilder& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    ByteBuilder& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
    ByteBuilder& i32(int32_t v) { return u32(uint32_t(v)); }
    ByteBuilder& f64(double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        return u32(uint32_t(u)).u32(uint32_t(u >> 32));
    }
    ByteBuilder& raw(std::initializer_list<uint8_t> b) { bytes.insert(bytes.end(), b); return *this; }
    ByteBuilder& raw(std::string_view b) { bytes.insert(bytes.end(), b.begin(), b.end()); return *this; }
    ByteBuilder& fill(uint8_t b, size_t n) { bytes.insert(bytes.end(), n, b); return *this; }

    // -- strings
    // Byte form of raw code-page-932 bytes: a one-byte length up to 254, else 0xFF and a Word.
    ByteBuilder& sjis(std::string_view b) {
        if (b.size() <= 254) u8(uint8_t(b.size()));
        else u8(0xFF).u16(uint16_t(b.size()));
        return raw(b);
    }
    // Byte form with the long length form whatever the length.
    ByteBuilder& sjisLong(std::string_view b) { return u8(0xFF).u16(uint16_t(b.size())).raw(b); }
    // UTF-16 form: FF FE FF, a length in code units (one byte up to 254, else 0xFF and a Word).
    ByteBuilder& utf16str(std::u16string_view s) {
        raw({0xFF, 0xFE, 0xFF});
        if (s.size() <= 254) u8(uint8_t(s.size()));
        else u8(0xFF).u16(uint16_t(s.size()));
        for (char16_t c : s) u16(c);
        return *this;
    }
    // A text in the form selected by utf16. The byte form knows ASCII and a few Japanese characters.
    ByteBuilder& str(std::u16string_view s) { return utf16 ? utf16str(s) : sjis(ToCp932(s)); }

    static std::string ToCp932(std::u16string_view s) {
        std::string out;
        for (char16_t c : s) {
            if (c < 0x80) {
                out.push_back(char(c));
                continue;
            }
            switch (c) {
                case u'\u3000': out += "\x81\x40"; break;  // ideographic space
                case u'\u3042': out += "\x82\xA0"; break;  // あ
                case u'\u65E5': out += "\x93\xFA"; break;  // 日
                case u'\uFF71': out += "\xB1"; break;      // half-width ｱ
                default: throw std::logic_error("ByteBuilder: no code-page-932 form for this character");
            }
        }
        return out;
    }

    // -- counts and class tags
    ByteBuilder& count(int64_t n) {
        if (n >= 0 && n < 0xFFFF) return u16(uint16_t(n));
        return u16(0xFFFF).i32(int32_t(n));
    }
    // A class declaration: the class takes the current running index.
    ByteBuilder& declare(std::string_view name, uint16_t schema) {
        u16(0xFFFF).u16(schema).u16(uint16_t(name.size())).raw(name);
        classIndex[std::string(name)] = running++;
        return *this;
    }
    ByteBuilder& declare(std::string_view name) { return declare(name, uint16_t(version)); }
    // A reference to a class index; the long form from 0x7FFF on.
    ByteBuilder& ref(uint32_t index) {
        if (index < 0x7FFF) return u16(uint16_t(0x8000 + index));
        return u16(0x7FFF).u32(0x80000000u + index);
    }
    // The tag a writer puts in front of an object of the class: declaration the first time.
    ByteBuilder& tag(std::string_view name) {
        auto it = classIndex.find(std::string(name));
        return it == classIndex.end() ? declare(name) : ref(it->second);
    }
    // The object just written takes its running index.
    ByteBuilder& objectDone() { ++running; return *this; }

    // -- records
    ByteBuilder& attr(const Attr& a) {
        u32(a.group).u8(a.style).u16(a.color);
        if (version >= 351) u16(a.width);
        return u16(a.layer).u16(a.glayer).u16(a.flags);
    }
    ByteBuilder& record(const Line& e) { return attr(e.att).f64(e.x1).f64(e.y1).f64(e.x2).f64(e.y2); }
    ByteBuilder& record(const Arc& e) {
        attr(e.att).f64(e.cx).f64(e.cy).f64(e.radius).f64(e.start).f64(e.sweep).f64(e.tilt).f64(e.flatness);
        return u32(e.full);
    }
    ByteBuilder& record(const Point& e) {
        attr(e.att).f64(e.x).f64(e.y).u32(e.provisional);
        if (e.att.style == 100) u32(e.code).f64(e.angle).f64(e.scale);
        return *this;
    }
    ByteBuilder& textFixed(const Text& e) {
        attr(e.att).f64(e.x1).f64(e.y1).f64(e.x2).f64(e.y2).u32(e.kind);
        return f64(e.sizeX).f64(e.sizeY).f64(e.spacing).f64(e.angle);
    }
    ByteBuilder& record(const Text& e) { return textFixed(e).str(e.font).str(e.str); }
    ByteBuilder& record(const Dim& e) {
        attr(e.att).record(e.line).record(e.text);
        if (version >= 420) {
            u16(e.sxf).record(e.h1).record(e.h2);
            record(e.t1).record(e.t2).record(e.k1).record(e.k2);
        }
        return *this;
    }
    ByteBuilder& record(const Solid& e) {
        attr(e.att);
        for (double v : e.p) f64(v);
        if (e.att.color == 10) u32(e.color);
        return *this;
    }
    ByteBuilder& record(const Insert& e) {
        return attr(e.att).f64(e.x).f64(e.y).f64(e.scaleX).f64(e.scaleY).f64(e.angle).u32(e.number);
    }
    ByteBuilder& record(const Entity& e) {
        std::visit([this](const auto& r) { record(r); }, e);
        return *this;
    }

    // -- lists
    ByteBuilder& object(const Entity& e) { return tag(kEntityClass[e.index()]).record(e).objectDone(); }
    ByteBuilder& objects(const std::vector<Entity>& list) {
        for (const auto& e : list) object(e);
        return *this;
    }
    ByteBuilder& list(const std::vector<Entity>& list) { return count(int64_t(list.size())).objects(list); }

    // -- block section
    ByteBuilder& blockDef(const BlockDef& b) {
        tag("CDataList");
        attr(b.att).u32(b.number).u32(b.referenced).u32(b.time);
        if (b.time >= 0x80000000u)
            for (uint8_t x : b.timeExtra) u8(x);
        str(b.name).count(int64_t(b.list.size()));
        objectDone();  // the definition object, before its nested objects
        return objects(b.list);
    }
    ByteBuilder& blocks(const std::vector<BlockDef>& defs) {
        count(int64_t(defs.size()));
        for (const auto& b : defs) blockDef(b);
        return *this;
    }

    // -- image section
    ByteBuilder& images(const std::vector<Image>& list) {
        i32(int32_t(list.size()));
        for (const auto& img : list) str(img.name).i32(img.size).raw(img.data);
        return *this;
    }

    // -- header section: signature, version and fields 3–40 in the layout of `version`
    ByteBuilder& header(const Header& h) {
        for (uint8_t b : h.signature) u8(b);
        i32(version);
        str(h.memo).i32(h.zumen).i32(h.writeGLay);
        for (int g = 0; g < 16; ++g) {
            const auto& grp = h.groups[g];
            i32(grp.state).i32(grp.writeLayer).f64(grp.scale).i32(grp.protect);
            for (int l = 0; l < 16; ++l) i32(h.layers[g * 16 + l].state).i32(h.layers[g * 16 + l].protect);
        }
        for (uint8_t b : h.reserved1) u8(b);
        for (int32_t v : h.sunpou) i32(v);
        for (uint8_t b : h.reserved2) u8(b);
        i32(h.maxDrawWid).f64(h.prtGentenX).f64(h.prtGentenY).f64(h.prtBairitsu).i32(h.prtSet).i32(h.memoriMode);
        for (double v : h.memori) f64(v);
        for (const auto& lay : h.layers) str(lay.name);
        for (const auto& grp : h.groups) str(grp.name);
        f64(h.kageLevel).f64(h.kageIdo).i32(h.kage9_15).f64(h.kabeKageLevel);
        if (version >= 300) f64(h.tenkuuLevel).f64(h.tenkuuEnkoR);
        i32(h.mmTani3D);
        for (double v : h.view) f64(v);
        if (version > 230) {
            for (const auto& z : h.zoom) f64(z.scale).f64(z.x).f64(z.y).i32(z.glayer);
            f64(h.dm11).f64(h.dm12).f64(h.dm13).i32(h.lnDm1).f64(h.dm21).f64(h.dm22).f64(h.mojiBG).i32(h.nMojiBG);
        } else {
            for (int s = 0; s < 4; ++s) f64(h.zoom[s].scale).f64(h.zoom[s].x).f64(h.zoom[s].y);
        }
        for (double v : h.fukusen) f64(v);
        f64(h.ryougawa);
        for (const auto& p : h.pens) i32(p.color).i32(p.width);
        for (const auto& p : h.pens) i32(p.prtColor).i32(p.prtWidth).f64(p.prtRadius);
        for (const auto& t : h.ltp1) i32(t.pattern).i32(t.unitDot).i32(t.pitch).i32(t.prtPitch);
        for (const auto& t : h.ltp2) i32(t.pattern).i32(t.wide).i32(t.pitch).i32(t.prtWide).i32(t.prtPitch);
        for (const auto& t : h.ltp3) i32(t.pattern).i32(t.unitDot).i32(t.pitch).i32(t.prtPitch);
        for (int32_t v : h.switches) i32(v);
        i32(h.printValue);
        if (version >= 223) {
            i32(h.drawTime).i32(h.eyeInit).i32(h.eyeH1).i32(h.eyeH2).i32(h.eyeH3);
            for (double v : h.eye) f64(v);
        }
        if (version >= 225)
            for (double v : h.snap) f64(v);
        if (version >= 230) i32(h.solidNinni).i32(h.solidColor);
        if (version >= 420) {
            for (const auto& p : h.pensEx) i32(p.color).i32(p.width);
            for (const auto& p : h.pensEx) str(p.name).i32(p.prtColor).i32(p.prtWidth).f64(p.prtRadius);
            for (const auto& t : h.ltypesEx) i32(t.base.pattern).i32(t.base.unitDot).i32(t.base.pitch).i32(t.base.prtPitch);
            for (const auto& t : h.ltypesEx) {
                str(t.name).i32(t.segments);
                for (double v : t.pitch) f64(v);
            }
        }
        for (const auto& m : h.mojiTypes) f64(m.x).f64(m.y).f64(m.d).i32(m.color);
        f64(h.mojiSizeX).f64(h.mojiSizeY).f64(h.mojiKankaku).i32(h.mojiColor).i32(h.mojiShu);
        f64(h.seiriGyouKan).f64(h.seiriSuu).i32(h.kijunZureOn);
        for (double v : h.kijunZure) f64(v);
        return *this;
    }
};

// ---- Whole files ---------------------------------------------------------------------------

struct Drawing {
    int version = 700;
    bool utf16 = false;
    Header header = SampleHeader(700);
    std::vector<Entity> list;
    std::vector<BlockDef> defs;
    std::vector<Image> images;  // written from version 700 on
};

inline std::vector<uint8_t> BuildFile(const Drawing& d) {
    ByteBuilder b(d.version);
    b.utf16 = d.utf16;
    b.header(d.header).list(d.list).blocks(d.defs);
    if (d.version >= 700) b.images(d.images);
    return std::move(b.bytes);
}

// A drawing of the given version with the sample header and nothing else.
inline Drawing EmptyDrawing(int version) {
    Drawing d;
    d.version = version;
    d.header = SampleHeader(version);
    return d;
}

}  // namespace jwwtest
