#include "JwwGen.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#define JWWGEN_PID _getpid()
#else
#include <unistd.h>
#define JWWGEN_PID getpid()
#endif

#include "Versions.h"

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Helpers

ScratchFolder::ScratchFolder(const std::string& prefix) {
    static std::atomic<uint64_t> counter{0};
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        fs::path p = base / (prefix + "-" + std::to_string(JWWGEN_PID) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
}

std::vector<uint8_t> GzipBytes(const std::vector<uint8_t>& raw) {
    z_stream zs{};
    // Window bits 15 + 16: the gzip wrapper.
    if (deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    // zlib records the building platform in the header; a fixed value keeps the bytes the same everywhere.
    gz_header header{};
    header.os = 3;
    deflateSetHeader(&zs, &header);
    std::vector<uint8_t> out(deflateBound(&zs, uLong(raw.size())) + 64);
    zs.next_in = const_cast<Bytef*>(raw.data());
    zs.avail_in = uInt(raw.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    int status = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    if (status != Z_STREAM_END) throw std::runtime_error("deflate failed");
    return out;
}

namespace {

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string Number(int64_t n, int width = 0) {
    std::string s = std::to_string(n);
    if (int(s.size()) < width) s.insert(0, size_t(width) - s.size(), '0');
    return Ascii(s);
}

// Words that survive the trip through code page 932 unchanged (no characters with several mappings).
const char16_t* const kJapaneseWords[] = {
    u"図面", u"寸法", u"平面図", u"立面図", u"断面", u"部品", u"文字", u"ひらがな", u"カタカナ", u"設計",
    u"縮尺", u"階段", u"窓", u"扉", u"壁芯", u"通り芯", u"ｶﾅ", u"株式会社", u"東京", u"第一",
};
const char* const kAsciiWords[] = {
    "plan", "section", "door", "window", "wall", "stair", "grid", "note", "scale", "detail",
    "room", "level", "beam", "column", "slab", "roof", "north", "south", "east", "west",
};

// ---------------------------------------------------------------------------------------------
// Header

constexpr int32_t kStandardColors[10] = {0xFFFFFF, 0x000000, 0x0000FF, 0x00FF00, 0xFF0000,
                                         0xFF00FF, 0x00FFFF, 0xFFFF00, 0x808080, 0x000080};

}  // namespace

void FillHeader(TJwwData& d, int32_t version, bool japanese) {
    TEntJwwHeader& h = d.Enthd;
    h.jwID = u"JwwData.";
    h.jwVer = version;
    h.strMemo = japanese ? u"生成された図面\r\n二行目" : u"generated drawing\r\nsecond line";
    h.nZumen = 3;
    h.nWriteGLay = 0;
    h.lnSunpou1 = 1, h.lnSunpou2 = 2, h.lnSunpou3 = 3, h.lnSunpou4 = 4, h.lnSunpou5 = 5;
    h.nMaxDrawWid = 1;
    h.DPPrtGenten_x = 0, h.DPPrtGenten_y = 0, h.dPrtBairitsu = 1.0;
    h.nPrtSet = 1, h.nMemoriMode = 0;
    h.dKageLevel = 0, h.dKageIdo = 35.0, h.nKage9_15JiFlg = 0, h.dKabeKageLevel = 0;
    h.dTenkuuZuLevel = 1500.0, h.dTenkuuZuEnkoR = 5000.0;
    h.nMMTani3D = 1;
    h.dBairitsu = 1.0, h.DPGenten_x = 0, h.DPGenten_y = 0;
    h.dHanniBairitsu = 1.0;
    for (int i = 1; i <= 8; ++i) {
        h.dZoomJumpBairitsu[size_t(i)] = 1.0;
        h.nZoomJumpGLay[size_t(i)] = -1;
    }
    for (int i = 0; i < 10; ++i) h.adFukusenSuuchi[size_t(i)] = 10.0 * (i + 1);
    h.dRyougawaFukusenTomeDe = 1.0;
    h.nDrawGamenTen = 1, h.nDrawPrtTen = 1, h.nColorPrint = 1;
    h.nPrtDpi = 36, h.nPrtDispOnlyNonDraw = 0;
    h.lnDrawTime = 3600;
    h.dSenNagasaSnpou = 100.0, h.dBoxSunpouX = 100.0, h.dBoxSunpouY = 100.0, h.dEnHankeiSnpou = 50.0;
    h.nSolidNinniColor = 0, h.SolidColor = 0xC0C0C0;
    h.dMojiSizeX = 3.0, h.dMojiSizeY = 3.0, h.dMojiKankaku = 0.0;
    h.nMojiColor = 1, h.nMojiShu = 3;
    h.dMojiSeiriGyouKan = 5.0, h.dMojiSeiriSuu = 10.0;

    d.EntLgrp.assign(16, {});
    d.EntLay.assign(256, {});
    for (int g = 0; g < 16; ++g) {
        auto& lg = d.EntLgrp[size_t(g)];
        lg.anGLay = 2;
        lg.adScale = g == 0 ? 100.0 : 1.0;
        lg.aStrGLayName = g == 0 ? (japanese ? u"平面図" : u"plan") : u"";
        for (int l = 0; l < 16; ++l) {
            auto& lay = d.EntLay[size_t(g * 16 + l)];
            lay.aanLay = 2;
            if (g == 0 && l < 4) lay.aStrLayName = (japanese ? u"レイヤ" : u"layer") + Number(l);
        }
    }
    d.EntCol.assign(10, {});
    for (int c = 0; c < 10; ++c) {
        auto& col = d.EntCol[size_t(c)];
        col.aPenColor = kStandardColors[c];
        col.anPenWidth = 1 + c % 3;
        col.aPrtPenColor = c == 0 ? 0xFFFFFF : kStandardColors[c];
        col.anPrtPenWidth = 10 + c;
        col.adPrtTenHankei = 0.3;
    }
    d.EntLtp1.assign(8, {});
    for (int t = 0; t < 8; ++t) d.EntLtp1[size_t(t)] = {int32_t(0xF0F0F0F0u >> t), 8, 1, 8};
    d.EntLtp2.assign(5, {});
    for (int t = 0; t < 5; ++t) d.EntLtp2[size_t(t)] = {int32_t(0xFF00FF00u >> t), 10 + t, 1, 10 + t, 1};
    d.EntLtp3.assign(4, {});
    for (int t = 0; t < 4; ++t) d.EntLtp3[size_t(t)] = {int32_t(0xCCCCCCCCu >> t), 16, 2, 16};
    d.EntColS.assign(257, {});
    for (int c = 0; c < 257; ++c) {
        auto& col = d.EntColS[size_t(c)];
        col.aPenColor = int32_t((uint32_t(c) * 0x010305u) & 0xFFFFFFu);
        col.anPenWidth = 1 + c % 4;
        col.astrUDColorName = u"Color_" + Number(c);
        col.aPrtPenColor = col.aPenColor;
        col.anPrtPenWidth = 10;
        col.adPrtTenHankei = 0.3;
    }
    d.EntLtpS.assign(33, {});
    for (int t = 0; t < 33; ++t) {
        auto& lt = d.EntLtpS[size_t(t)];
        lt.alLType = int32_t(0xC3C3C3C3u);
        lt.anTokushuSenUintDot = 8;
        lt.anTokushuSenPich = 1;
        lt.anPrtTokushuSenPich = 8;
        lt.astrUDLTypeName = u"LType_" + Number(t);
        lt.anUDLTypeSegment = 2;
        lt.aadUDLTypePitch[1] = 1.0;
        lt.aadUDLTypePitch[2] = 1.0;
    }
    d.EntMoj.assign(10, {});
    for (int t = 0; t < 10; ++t) d.EntMoj[size_t(t)] = {2.0 + t, 2.0 + t, 0.0, 1 + t % 9};
}

namespace {

// ---------------------------------------------------------------------------------------------
// Entity lists

// One list under construction; moved into the drawing or a block definition when complete.
struct EntityList {
    std::vector<TEntJwwNo> no;
    std::vector<TEntJwwLine> line;
    std::vector<TEntJwwEnko> enko;
    std::vector<TEntJwwTen> ten;
    std::vector<TEntJwwMoji> moji;
    std::vector<TEntJwwSunpo> sunpo;
    std::vector<TEntJwwSolid> solid;
    std::vector<TEntJwwBlock> block;

    template <class T>
    void Push(std::vector<T>& v, int32_t type, T e) {
        no.push_back({type, int32_t(v.size())});
        v.push_back(std::move(e));
    }

    void MoveInto(TJwwData& d) {
        d.Enthd.n1 = int32_t(no.size());
        d.EntNo = std::move(no);
        d.EntLineN = int32_t(line.size()), d.EntLine = std::move(line);
        d.EntEnkoN = int32_t(enko.size()), d.EntEnko = std::move(enko);
        d.EntTenN = int32_t(ten.size()), d.EntTen = std::move(ten);
        d.EntMojiN = int32_t(moji.size()), d.EntMoji = std::move(moji);
        d.EntSunpoN = int32_t(sunpo.size()), d.EntSunpo = std::move(sunpo);
        d.EntSolidN = int32_t(solid.size()), d.EntSolid = std::move(solid);
        d.EntBlockN = int32_t(block.size()), d.EntBlock = std::move(block);
    }
    void MoveInto(TEntJwwBlockDef& b) {
        b.N = int32_t(no.size());
        b.mNo = std::move(no);
        b.mLineN = int32_t(line.size()), b.mLine = std::move(line);
        b.mEnkoN = int32_t(enko.size()), b.mEnko = std::move(enko);
        b.mTenN = int32_t(ten.size()), b.mTen = std::move(ten);
        b.mMojiN = int32_t(moji.size()), b.mMoji = std::move(moji);
        b.mSunpoN = int32_t(sunpo.size()), b.mSunpo = std::move(sunpo);
        b.mSolidN = int32_t(solid.size()), b.mSolid = std::move(solid);
        b.mBlockN = int32_t(block.size()), b.mBlock = std::move(block);
    }
};

enum class Kind { Line, Arc, Point, Text, Dimension, Solid, Block };

class Generator {
public:
    Generator(const GenOptions& opt) : opt_(opt), rng_(opt.seed) {}

    void Run(TJwwData& d, const fs::path& imageFolder);

private:
    const GenOptions& opt_;
    SplitMix64 rng_;
    int64_t textCounter_ = 0;
    int64_t estimate_ = 0;  // bytes the writer will produce, roughly
    std::vector<uint32_t> chainHeads_;   // block numbers of used chain heads
    std::vector<uint32_t> unusedHeads_;  // block numbers of chains that nothing inserts
    std::vector<std::u16string> imageRefs_;  // referenced names of the images

    int32_t attrBytes() const { return opt_.version >= kPenWidthSince ? 15 : 13; }
    int64_t StringBytes(const std::u16string& s) const {
        if (opt_.utf16) return 4 + (s.size() > 254 ? 2 : 0) + 2 * int64_t(s.size());
        int64_t n = 0;
        for (char16_t c : s) n += c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) ? 1 : 2;
        return 1 + (n > 254 ? 2 : 0) + n;
    }

    TEntJwwAttr Attr(uint8_t style, uint16_t color) {
        TEntJwwAttr a;
        a.lGroup = rng_.Below(4) == 0 ? rng_.Below(100) : 0;
        a.nPenStyle = style;
        a.nPenColor = color;
        a.nPenWidth = opt_.version >= kPenWidthSince ? uint16_t(rng_.Below(4) * 10) : 0;
        a.nLayer = uint16_t(rng_.Below(16));
        a.nGLayer = uint16_t(rng_.Below(4));
        a.sFlg = 0;
        return a;
    }
    uint8_t Style() { return uint8_t(1 + rng_.Below(9)); }
    uint16_t Color() { return uint16_t(1 + rng_.Below(9)); }
    double Coord() { return std::round(rng_.Range(-50000.0, 50000.0) * 100.0) / 100.0; }

    std::u16string Words(int count) {
        std::u16string s;
        for (int i = 0; i < count; ++i) {
            if (i) s += u' ';
            if (opt_.japanese && rng_.Below(2) == 0)
                s += kJapaneseWords[rng_.Below(std::size(kJapaneseWords))];
            else
                s += Ascii(kAsciiWords[rng_.Below(std::size(kAsciiWords))]);
        }
        return s;
    }

    TEntJwwLine MakeLine() {
        TEntJwwLine e;
        e.att = Attr(Style(), Color());
        e.start_x = Coord(), e.start_y = Coord();
        e.end_x = e.start_x + rng_.Range(-2000, 2000), e.end_y = e.start_y + rng_.Range(-2000, 2000);
        return e;
    }
    TEntJwwEnko MakeArc() {
        TEntJwwEnko e;
        e.att = Attr(Style(), Color());
        e.start_x = Coord(), e.start_y = Coord();
        e.dHankei = rng_.Range(1, 1000);
        bool full = rng_.Below(3) == 0;
        e.radKaishiKaku = full ? 0 : rng_.Range(0, 2 * std::numbers::pi);
        e.radEnkoKaku = full ? 2 * std::numbers::pi : rng_.Range(0.1, 2 * std::numbers::pi);
        bool ellipse = rng_.Below(4) == 0;
        e.radKatamukiKaku = ellipse ? rng_.Range(0, std::numbers::pi) : 0;
        e.dHenpeiRitsu = ellipse ? rng_.Range(0.2, 1.0) : 1.0;
        e.bZenEnFlg = full ? 1 : 0;
        return e;
    }
    TEntJwwTen MakePoint(bool allowCoded) {
        TEntJwwTen e;
        bool coded = allowCoded && rng_.Below(3) == 0;
        e.att = Attr(coded ? 100 : 1, Color());
        e.start_x = Coord(), e.start_y = Coord();
        e.bKariten = rng_.Below(5) == 0 ? 1 : 0;
        if (coded) {
            e.nCode = 1 + rng_.Below(20);
            e.radKaitenKaku = rng_.Range(0, 2 * std::numbers::pi);
            e.dBairitsu = rng_.Range(0.5, 2.0);
        } else {
            e.dBairitsu = 1.0;
        }
        return e;
    }
    TEntJwwMoji MakeText(std::u16string str, bool zeroExtent) {
        TEntJwwMoji e;
        e.att = Attr(Style(), Color());
        e.start_x = Coord(), e.start_y = Coord();
        e.nMojiShu = rng_.Below(11);
        e.dSizeX = e.dSizeY = 2.0 + rng_.Below(8);
        e.dKankaku = rng_.Below(3) * 0.5;
        // Directions from a table, not from cos and sin, whose last bits differ between C libraries.
        struct Direction { double deg, cos, sin; };
        static constexpr Direction kDirections[] = {
            {30, 0.8660254037844386, 0.5}, {45, 0.7071067811865476, 0.7071067811865476},
            {90, 0, 1}, {180, -1, 0}, {270, 0, -1}, {315, 0.7071067811865476, -0.7071067811865476},
        };
        Direction dir{0, 1, 0};
        if (rng_.Below(4) == 0) dir = kDirections[rng_.Below(std::size(kDirections))];
        e.degKakudo = dir.deg;
        double len = std::max<double>(1.0, double(str.size())) * (e.dSizeX + e.dKankaku);
        e.end_x = zeroExtent ? e.start_x : e.start_x + len * dir.cos;
        e.end_y = zeroExtent ? e.start_y : e.start_y + len * dir.sin;
        if (!zeroExtent && e.end_x == e.start_x && e.end_y == e.start_y) e.end_x += 1.0;
        e.strFontName = opt_.japanese ? u"ＭＳ ゴシック" : u"MS Gothic";
        e.str = std::move(str);
        return e;
    }
    // Every K-th text of the whole drawing (definitions included) is zero-extent.
    bool NextTextIsZero() {
        ++textCounter_;
        return opt_.zeroExtentEvery > 0 && textCounter_ % opt_.zeroExtentEvery == 0;
    }
    TEntJwwMoji MakeListText() {
        bool zero = NextTextIsZero();
        return MakeText(Words(1 + int(rng_.Below(4))) + u" " + Number(textCounter_), zero);
    }
    TEntJwwSunpo MakeDimension() {
        TEntJwwSunpo e;
        e.att = Attr(Style(), Color());
        e.Sen = MakeLine();
        double dx = e.Sen.end_x - e.Sen.start_x, dy = e.Sen.end_y - e.Sen.start_y;
        double length = std::sqrt(dx * dx + dy * dy);
        // A dimension's text with coinciding points belongs to the dimension and stays.
        e.Moji = MakeText(Number(int64_t(std::round(length))), rng_.Below(8) == 0);
        if (opt_.version >= kSxfSince && rng_.Below(2) == 0) {
            e.bSxfMode = 1;
            e.Ho1 = MakeLine(), e.Ho2 = MakeLine();
            e.Te1 = MakePoint(false), e.Te2 = MakePoint(false);
            e.Kt1 = MakePoint(false), e.Kt2 = MakePoint(false);
            e.Kt1.bKariten = e.Kt2.bKariten = 1;
        } else {
            // The form a reader gives a dimension without its SXF part.
            e.Ho1.att = e.Ho2.att = e.att;
            TEntJwwAttr pointAttr = e.att;
            pointAttr.nPenStyle = 1;
            e.Te1.att = e.Te2.att = e.Kt1.att = e.Kt2.att = pointAttr;
        }
        return e;
    }
    TEntJwwSolid MakeSolid() {
        TEntJwwSolid e;
        uint32_t kind = rng_.Below(6);
        bool explicitColor = kind < 2;
        bool round = kind == 5;
        e.att = Attr(round ? 101 : 1, explicitColor ? 10 : Color());
        e.start_x = Coord(), e.start_y = Coord();
        if (round) {
            // Centre, radius, flatness, angles and a kind value instead of corners.
            e.end_x = rng_.Range(10, 500), e.end_y = 1.0;
            e.DPoint2_x = 0, e.DPoint2_y = 2 * std::numbers::pi;
            e.DPoint3_x = 0, e.DPoint3_y = 1;
        } else {
            e.end_x = e.start_x + rng_.Range(1, 500), e.end_y = e.start_y;
            e.DPoint2_x = e.end_x, e.DPoint2_y = e.start_y + rng_.Range(1, 500);
            e.DPoint3_x = e.start_x, e.DPoint3_y = e.DPoint2_y;
        }
        e.Color = explicitColor ? uint32_t(rng_.Next() & 0xFFFFFF) : 0;
        return e;
    }
    TEntJwwBlock MakeInsertion(uint32_t number) {
        TEntJwwBlock e;
        e.att = Attr(1, 1);
        e.DPKijunTen_x = Coord(), e.DPKijunTen_y = Coord();
        e.dBairitsuX = e.dBairitsuY = rng_.Below(4) == 0 ? 2.0 : 1.0;
        e.radKaitenKaku = rng_.Below(3) == 0 ? rng_.Range(0, 2 * std::numbers::pi) : 0.0;
        e.nNumber = number;
        return e;
    }

    // Adds one entity of the given kind and returns the bytes it adds to the file, roughly.
    int64_t Add(EntityList& l, Kind k, bool inDefinition) {
        int64_t tag = 2;
        switch (k) {
            case Kind::Line: l.Push(l.line, kEntLine, MakeLine()); return tag + 32 + attrBytes();
            case Kind::Arc: l.Push(l.enko, kEntEnko, MakeArc()); return tag + 60 + attrBytes();
            case Kind::Point: {
                TEntJwwTen e = MakePoint(true);
                int64_t n = tag + 20 + attrBytes() + (e.att.nPenStyle == 100 ? 20 : 0);
                l.Push(l.ten, kEntTen, std::move(e));
                return n;
            }
            case Kind::Text: {
                TEntJwwMoji e = MakeListText();
                int64_t n = tag + 68 + attrBytes() + StringBytes(e.strFontName) + StringBytes(e.str);
                l.Push(l.moji, kEntMoji, std::move(e));
                return n;
            }
            case Kind::Dimension: {
                TEntJwwSunpo e = MakeDimension();
                int64_t n = tag + 3 * attrBytes() + 32 + 68 + StringBytes(e.Moji.strFontName) + StringBytes(e.Moji.str);
                if (opt_.version >= kSxfSince) n += 2 + 2 * 47 + 4 * 35;
                l.Push(l.sunpo, kEntSunpo, std::move(e));
                return n;
            }
            case Kind::Solid: {
                TEntJwwSolid e = MakeSolid();
                int64_t n = tag + 64 + attrBytes() + (e.att.nPenColor == 10 ? 4 : 0);
                l.Push(l.solid, kEntSolid, std::move(e));
                return n;
            }
            case Kind::Block:
                if (chainHeads_.empty() || inDefinition) return 0;
                l.Push(l.block, kEntBlock, MakeInsertion(chainHeads_[rng_.Below(uint32_t(chainHeads_.size()))]));
                return tag + 44 + attrBytes();
        }
        return 0;
    }

    Kind PickKind() {
        if (rng_.Unit() < opt_.textRatio) return Kind::Text;
        uint32_t r = rng_.Below(100);
        if (r < 40) return Kind::Line;
        if (r < 55) return Kind::Arc;
        if (r < 65) return Kind::Point;
        if (r < 75) return Kind::Dimension;
        if (r < 85) return Kind::Solid;
        return chainHeads_.empty() ? Kind::Line : Kind::Block;
    }

    void MakeDefinitions(TJwwData& d);
    void MakeImages(TJwwData& d, const fs::path& folder);
};

// Definitions form chains of nestDepth: the definition at position p of a chain inserts the one
// at p + 1. The drawing inserts chain heads. Every fourth chain is inserted by nothing in the
// written drawing, so a reader finds its definitions unused.
void Generator::MakeDefinitions(TJwwData& d) {
    int32_t total = std::max(opt_.blocks, 0);
    int32_t depth = std::max(opt_.nestDepth, 1);
    d.EntBlockDef.resize(size_t(total));
    auto numberOf = [](int32_t i) { return uint32_t(100 + 3 * i); };  // stored numbers are not 0 … D−1
    for (int32_t i = 0; i < total; ++i) {
        TEntJwwBlockDef& b = d.EntBlockDef[size_t(i)];
        int32_t chain = i / depth, pos = i % depth;
        b.att = Attr(1, 1);
        b.nNumber = numberOf(i);
        b.bRefferd = 1;
        b.dtime = 1700000000u + uint32_t(i);
        b.strName = (opt_.japanese ? u"部品" : u"BLOCK-") + Number(i, 5);
        EntityList l;
        int64_t bytes = 2 + attrBytes() + 12 + StringBytes(b.strName) + 2;
        bytes += Add(l, Kind::Line, true);
        bytes += Add(l, Kind::Line, true);
        bytes += Add(l, Kind::Text, true);
        bytes += Add(l, rng_.Below(2) ? Kind::Arc : Kind::Solid, true);
        bytes += Add(l, Kind::Text, true);
        if (pos + 1 < depth && i + 1 < total) {
            l.Push(l.block, kEntBlock, MakeInsertion(numberOf(i + 1)));
            bytes += 2 + 44 + attrBytes();
        }
        l.MoveInto(b);
        if (pos == 0) (chain % 4 != 3 ? chainHeads_ : unusedHeads_).push_back(b.nNumber);
        estimate_ += bytes;
    }
    d.EntBlockDefN = total;
    d.Enthd.n2 = total;
}

// Images named img0000.bmp.gz …; each holds a small bitmap header and pseudo-random pixels,
// so that its gzip form is about imageBytes long.
void Generator::MakeImages(TJwwData& d, const fs::path& folder) {
    d.BindImageFolder = folder;
    d.BindImageExp = true;
    d.BindImageExr = true;
    for (int32_t i = 0; i < opt_.images; ++i) {
        std::vector<uint8_t> raw(size_t(std::max<int64_t>(opt_.imageBytes, 64)));
        const char header[] = "BM";
        std::copy(header, header + 2, raw.begin());
        for (size_t k = 2; k < raw.size(); k += 8) {
            uint64_t v = rng_.Next();
            for (size_t b = 0; b < 8 && k + b < raw.size(); ++b) raw[k + b] = uint8_t(v >> (8 * b));
        }
        std::vector<uint8_t> gz = GzipBytes(raw);
        std::string base = "img" + std::to_string(10000 + i).substr(1) + ".bmp";
        std::ofstream out(folder / (base + ".gz"), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(gz.data()), std::streamsize(gz.size()));
        out.close();
        if (!out) throw std::runtime_error("cannot write an image file");
        TBindImageType img;
        img.Fname = Ascii(base + ".gz");
        img.Fsize = int32_t(gz.size());
        d.BindImage.push_back(img);
        imageRefs_.push_back(Ascii(base));
        estimate_ += int64_t(gz.size()) + StringBytes(img.Fname) + 4;
    }
    d.BindImageN = int32_t(d.BindImage.size());
}

void Generator::Run(TJwwData& d, const fs::path& imageFolder) {
    d.DataInit();
    FillHeader(d, opt_.version, opt_.japanese);
    estimate_ = opt_.version >= kSxfSince ? 30000 : 12000;
    if (opt_.version >= kImageSince && opt_.images > 0) MakeImages(d, imageFolder);
    MakeDefinitions(d);

    EntityList l;
    for (uint32_t head : chainHeads_) {
        l.Push(l.block, kEntBlock, MakeInsertion(head));
        estimate_ += 2 + 44 + attrBytes();
    }
    // The writer keeps the definitions that the block tree reaches, and the tree starts from every
    // insertion record. An insertion whose order entry is removed (type 0) is not written, so the
    // chains it reaches are written but unused in the file.
    for (uint32_t head : unusedHeads_) {
        l.Push(l.block, kEntBlock, MakeInsertion(head));
        l.no.back().EntType = kEntNone;
    }
    // Image references: a text for every image; every fifth image is referred to only by a
    // zero-extent text, so that removing zero-extent texts drops it.
    for (size_t i = 0; i < imageRefs_.size(); ++i) {
        bool zero = i % 5 == 4;
        std::u16string s = u"^@BM%temp%" + imageRefs_[i] + u",1000,800,0,0,1,0";
        estimate_ += 2 + 68 + attrBytes() + StringBytes(s) + 12;
        l.Push(l.moji, kEntMoji, MakeText(std::move(s), zero));
    }
    int64_t made = 0;
    while (opt_.targetBytes > 0 ? estimate_ < opt_.targetBytes : made < opt_.entities) {
        estimate_ += Add(l, PickKind(), false);
        ++made;
    }
    l.MoveInto(d);
    d.MakeBlockTree();
    d.SetFileOutOption(opt_.utf16 ? kOptUtf16 : 0);
}

}  // namespace

void GenerateDrawing(TJwwData& d, const GenOptions& opt, const fs::path& imageFolder) {
    Generator g(opt);
    g.Run(d, imageFolder);
}

bool GenerateToFile(const GenOptions& opt, const fs::path& out, std::string& error) {
    ScratchFolder images("jwwgen");
    TJwwData d;
    GenerateDrawing(d, opt, images.path());
    if (!d.FileOut(out, opt.version)) {
        error = d.LastError.empty() ? "write failed" : d.LastError;
        return false;
    }
    return true;
}

bool GenerateToBuffer(const GenOptions& opt, std::vector<uint8_t>& out, std::string& error) {
    ScratchFolder images("jwwgen");
    TJwwData d;
    GenerateDrawing(d, opt, images.path());
    if (!d.SaveToBuffer(out, opt.version)) {
        error = d.LastError.empty() ? "write failed" : d.LastError;
        return false;
    }
    return true;
}
