// Helpers shared by the drawing library's tests: loading from and saving to memory, and byte
// comparisons that point at the first difference.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <array>
#include <cstring>
#include <type_traits>
#include <variant>
#include <memory>
#include <string>
#include <vector>

#include "ByteBuilder.h"
#include "JwwUnit.h"

namespace jwwtest {

using Bytes = std::vector<uint8_t>;

// Loads a copy placed at the very end of its own heap allocation, so that a read past the end
// trips AddressSanitizer.
inline bool LoadExact(TJwwData& d, const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size]);
    if (size) std::memcpy(copy.get(), data, size);
    return d.LoadFromBuffer(copy.get(), size);
}
inline bool LoadExact(TJwwData& d, const Bytes& b) { return LoadExact(d, b.data(), b.size()); }

inline std::unique_ptr<TJwwData> Loaded(const Bytes& b) {
    auto d = std::make_unique<TJwwData>();
    EXPECT_TRUE(LoadExact(*d, b)) << d->LastError;
    return d;
}

inline Bytes Saved(TJwwData& d, int ver, int options = 0) {
    d.SetFileOutOption(options);
    Bytes out;
    EXPECT_TRUE(d.SaveToBuffer(out, ver)) << d.LastError;
    return out;
}

inline std::string Hex(const Bytes& b, size_t from, size_t n) {
    std::string s;
    char buf[4];
    for (size_t i = from; i < b.size() && i < from + n; ++i) {
        std::snprintf(buf, sizeof buf, "%02X ", b[i]);
        s += buf;
    }
    return s;
}

// Equal bytes; on a difference, the offset and a few bytes on both sides.
inline ::testing::AssertionResult SameBytes(const Bytes& expected, const Bytes& actual) {
    size_t n = std::min(expected.size(), actual.size());
    size_t at = 0;
    while (at < n && expected[at] == actual[at]) ++at;
    if (at == n && expected.size() == actual.size()) return ::testing::AssertionSuccess();
    size_t from = at >= 8 ? at - 8 : 0;
    return ::testing::AssertionFailure() << "sizes " << expected.size() << " / " << actual.size()
                                         << ", first difference at offset " << at << "\n  expected: "
                                         << Hex(expected, from, 24) << "\n  actual:   " << Hex(actual, from, 24);
}

// Load, then save at the same version with the string form the input used.
inline Bytes RoundTrip(const Bytes& in, int ver) {
    auto d = Loaded(in);
    return Saved(*d, ver, d->MojiEncode ? 32 : 0);
}

// The bytes after the header section (entity list onwards) of a file built from `d`.
inline Bytes Body(const Drawing& d) {
    Bytes all = BuildFile(d);
    ByteBuilder h(d.version);
    h.utf16 = d.utf16;
    h.header(d.header);
    return Bytes(all.begin() + ptrdiff_t(h.size()), all.end());
}

// The bytes of `file` after a header section of `headerSize` bytes.
inline Bytes After(const Bytes& file, size_t headerSize) {
    if (headerSize > file.size()) return {};
    return Bytes(file.begin() + ptrdiff_t(headerSize), file.end());
}

inline size_t HeaderSize(const Header& h, int ver, bool utf16 = false) {
    ByteBuilder b(ver);
    b.utf16 = utf16;
    b.header(h);
    return b.size();
}

// The extended tables of a drawing read from a version without them, as written from 420 on.
inline void ExtendedTablesFromNothing(Header& h) {
    for (int c = 0; c <= 256; ++c) h.pensEx[c] = {0, 0, Ascii16("Color_" + std::to_string(c)), 0, 0, 0};
    for (int t = 0; t <= 32; ++t) {
        auto& lt = h.ltypesEx[t];
        lt = {};
        lt.name = Ascii16("LType_" + std::to_string(t));
        if (t < 17) {
            lt.base.pattern = -1;
        } else {
            lt.base = {int32_t(0xC3C3C3C3u), 8, 1, 8};
            lt.segments = 2;
            lt.pitch[0] = lt.pitch[1] = 1.0;
        }
    }
}

// ---- Records read compared with the records they were built from ----------------------------

inline void ExpectAttr(const TEntJwwAttr& a, const Attr& b, int ver) {
    EXPECT_EQ(a.lGroup, b.group);
    EXPECT_EQ(a.nPenStyle, b.style);
    EXPECT_EQ(a.nPenColor, b.color);
    EXPECT_EQ(a.nPenWidth, ver >= 351 ? b.width : 0);
    EXPECT_EQ(a.nLayer, b.layer);
    EXPECT_EQ(a.nGLayer, b.glayer);
    EXPECT_EQ(a.sFlg, b.flags);
}

inline void ExpectRecord(const TEntJwwLine& a, const Line& b, int ver) {
    ExpectAttr(a.att, b.att, ver);
    EXPECT_EQ(a.start_x, b.x1);
    EXPECT_EQ(a.start_y, b.y1);
    EXPECT_EQ(a.end_x, b.x2);
    EXPECT_EQ(a.end_y, b.y2);
}

inline void ExpectRecord(const TEntJwwEnko& a, const Arc& b, int ver) {
    ExpectAttr(a.att, b.att, ver);
    EXPECT_EQ(a.start_x, b.cx);
    EXPECT_EQ(a.start_y, b.cy);
    EXPECT_EQ(a.dHankei, b.radius);
    EXPECT_EQ(a.radKaishiKaku, b.start);
    EXPECT_EQ(a.radEnkoKaku, b.sweep);
    EXPECT_EQ(a.radKatamukiKaku, b.tilt);
    EXPECT_EQ(a.dHenpeiRitsu, b.flatness);
    EXPECT_EQ(a.bZenEnFlg, b.full);
}

// A point without the optional part reads as code 0, rotation 0 and scale 1.
inline void ExpectRecord(const TEntJwwTen& a, const Point& b, int ver) {
    ExpectAttr(a.att, b.att, ver);
    EXPECT_EQ(a.start_x, b.x);
    EXPECT_EQ(a.start_y, b.y);
    EXPECT_EQ(a.bKariten, b.provisional);
    bool full = b.att.style == 100;
    EXPECT_EQ(a.nCode, full ? b.code : 0u);
    EXPECT_EQ(a.radKaitenKaku, full ? b.angle : 0.0);
    EXPECT_EQ(a.dBairitsu, full ? b.scale : 1.0);
}

inline void ExpectRecord(const TEntJwwMoji& a, const Text& b, int ver) {
    ExpectAttr(a.att, b.att, ver);
    EXPECT_EQ(a.start_x, b.x1);
    EXPECT_EQ(a.start_y, b.y1);
    EXPECT_EQ(a.end_x, b.x2);
    EXPECT_EQ(a.end_y, b.y2);
    EXPECT_EQ(a.nMojiShu, b.kind);
    EXPECT_EQ(a.dSizeX, b.sizeX);
    EXPECT_EQ(a.dSizeY, b.sizeY);
    EXPECT_EQ(a.dKankaku, b.spacing);
    EXPECT_EQ(a.degKakudo, b.angle);
    EXPECT_TRUE(a.strFontName == b.font);
    EXPECT_TRUE(a.str == b.str);
}

inline void ExpectRecord(const TEntJwwSunpo& a, const Dim& b, int ver) {
    ExpectAttr(a.att, b.att, ver);
    ExpectRecord(a.Sen, b.line, ver);
    ExpectRecord(a.Moji, b.text, ver);
    if (ver < 420) return;
    EXPECT_EQ(a.bSxfMode, b.sxf);
    ExpectRecord(a.Ho1, b.h1, ver);
    ExpectRecord(a.Ho2, b.h2, ver);
    ExpectRecord(a.Te1, b.t1, ver);
    ExpectRecord(a.Te2, b.t2, ver);
    ExpectRecord(a.Kt1, b.k1, ver);
    ExpectRecord(a.Kt2, b.k2, ver);
}

inline void ExpectRecord(const TEntJwwSolid& a, const Solid& b, int ver) {
    ExpectAttr(a.att, b.att, ver);
    EXPECT_EQ(a.start_x, b.p[0]);
    EXPECT_EQ(a.start_y, b.p[1]);
    EXPECT_EQ(a.end_x, b.p[2]);
    EXPECT_EQ(a.end_y, b.p[3]);
    EXPECT_EQ(a.DPoint2_x, b.p[4]);
    EXPECT_EQ(a.DPoint2_y, b.p[5]);
    EXPECT_EQ(a.DPoint3_x, b.p[6]);
    EXPECT_EQ(a.DPoint3_y, b.p[7]);
    EXPECT_EQ(a.Color, b.att.color == 10 ? b.color : 0u);
}

inline void ExpectRecord(const TEntJwwBlock& a, const Insert& b, int ver) {
    ExpectAttr(a.att, b.att, ver);
    EXPECT_EQ(a.DPKijunTen_x, b.x);
    EXPECT_EQ(a.DPKijunTen_y, b.y);
    EXPECT_EQ(a.dBairitsuX, b.scaleX);
    EXPECT_EQ(a.dBairitsuY, b.scaleY);
    EXPECT_EQ(a.radKaitenKaku, b.angle);
    EXPECT_EQ(a.nNumber, b.number);
}

// The order list and the seven arrays of a list, compared with the entities it was built from.
template <class NoVec, class LineV, class EnkoV, class TenV, class MojiV, class SunpoV, class SolidV, class BlockV>
void ExpectList(const NoVec& no, int32_t n, const LineV& line, const EnkoV& enko, const TenV& ten, const MojiV& moji,
                const SunpoV& sunpo, const SolidV& solid, const BlockV& block, const std::vector<Entity>& expected,
                int ver) {
    ASSERT_EQ(n, int32_t(expected.size()));
    ASSERT_EQ(no.size(), expected.size());
    std::array<int32_t, 7> next{};
    for (size_t i = 0; i < expected.size(); ++i) {
        int type = int(expected[i].index()) + 1;
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(no[i].EntType, type);
        EXPECT_EQ(no[i].EntNo, next[size_t(type - 1)]);
        size_t x = size_t(next[size_t(type - 1)]++);
        std::visit(
            [&](const auto& e) {
                using E = std::decay_t<decltype(e)>;
                if constexpr (std::is_same_v<E, Line>) { ASSERT_LT(x, line.size()); ExpectRecord(line[x], e, ver); }
                if constexpr (std::is_same_v<E, Arc>) { ASSERT_LT(x, enko.size()); ExpectRecord(enko[x], e, ver); }
                if constexpr (std::is_same_v<E, Point>) { ASSERT_LT(x, ten.size()); ExpectRecord(ten[x], e, ver); }
                if constexpr (std::is_same_v<E, Text>) { ASSERT_LT(x, moji.size()); ExpectRecord(moji[x], e, ver); }
                if constexpr (std::is_same_v<E, Dim>) { ASSERT_LT(x, sunpo.size()); ExpectRecord(sunpo[x], e, ver); }
                if constexpr (std::is_same_v<E, Solid>) { ASSERT_LT(x, solid.size()); ExpectRecord(solid[x], e, ver); }
                if constexpr (std::is_same_v<E, Insert>) { ASSERT_LT(x, block.size()); ExpectRecord(block[x], e, ver); }
            },
            expected[i]);
    }
    EXPECT_EQ(int32_t(line.size()), next[0]);
    EXPECT_EQ(int32_t(enko.size()), next[1]);
    EXPECT_EQ(int32_t(ten.size()), next[2]);
    EXPECT_EQ(int32_t(moji.size()), next[3]);
    EXPECT_EQ(int32_t(sunpo.size()), next[4]);
    EXPECT_EQ(int32_t(solid.size()), next[5]);
    EXPECT_EQ(int32_t(block.size()), next[6]);
}

inline void ExpectMainList(const TJwwData& d, const std::vector<Entity>& expected, int ver) {
    ExpectList(d.EntNo, d.Enthd.n1, d.EntLine, d.EntEnko, d.EntTen, d.EntMoji, d.EntSunpo, d.EntSolid, d.EntBlock,
               expected, ver);
    EXPECT_EQ(size_t(d.EntLineN), d.EntLine.size());
    EXPECT_EQ(size_t(d.EntEnkoN), d.EntEnko.size());
    EXPECT_EQ(size_t(d.EntTenN), d.EntTen.size());
    EXPECT_EQ(size_t(d.EntMojiN), d.EntMoji.size());
    EXPECT_EQ(size_t(d.EntSunpoN), d.EntSunpo.size());
    EXPECT_EQ(size_t(d.EntSolidN), d.EntSolid.size());
    EXPECT_EQ(size_t(d.EntBlockN), d.EntBlock.size());
}

inline void ExpectDefList(const TEntJwwBlockDef& def, const std::vector<Entity>& expected, int ver) {
    ExpectList(def.mNo, def.N, def.mLine, def.mEnko, def.mTen, def.mMoji, def.mSunpo, def.mSolid, def.mBlock,
               expected, ver);
    EXPECT_EQ(size_t(def.mLineN), def.mLine.size());
    EXPECT_EQ(size_t(def.mMojiN), def.mMoji.size());
    EXPECT_EQ(size_t(def.mBlockN), def.mBlock.size());
}

}  // namespace jwwtest
