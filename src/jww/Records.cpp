#include "Records.h"

#include <cmath>

namespace {

// Pen styles 31–45 and pen colours 101–116 as files before version 420 know them.
constexpr uint8_t kOldPenStyle[15] = {1, 4, 3, 6, 8, 8, 2, 5, 7, 6, 6, 8, 8, 17, 17};
constexpr uint16_t kOldPenColor[16] = {2, 8, 3, 6, 4, 5, 1, 2, 5, 8, 4, 3, 6, 5, 2, 2};

bool InRange(unsigned v, unsigned lo, unsigned hi) { return v >= lo && v <= hi; }

bool ColorKept(unsigned c, int32_t typeCode) {
    if (typeCode == kEntSolid && c == 10) return true;
    return InRange(c, 1, 9) || InRange(c, 101, 356);
}

void RepairMojiSizes(TEntJwwMoji& m) {
    if (!std::isfinite(m.dSizeX)) m.dSizeX = 3.0;
    if (!std::isfinite(m.dSizeY)) m.dSizeY = 3.0;
    if (!std::isfinite(m.dKankaku)) m.dKankaku = 0.0;
}

void ClearOptionalTen(TEntJwwTen& t) {
    if (t.att.nPenStyle != 100) {
        t.nCode = 0;
        t.radKaitenKaku = 0;
        t.dBairitsu = 1.0;
    }
}

}  // namespace

TEntJwwAttr NormalisedAttr(TEntJwwAttr a, int32_t version, int32_t k, uint8_t fallbackStyle,
                           uint16_t fallbackColor) {
    unsigned s = a.nPenStyle;
    unsigned c = a.nPenColor;
    if (version < kSxfSince) {
        if (k == kEntLine || k == kEntEnko) {
            if (InRange(s, 31, 45)) s = kOldPenStyle[s - 31];
            else if (InRange(s, 46, 62)) s = fallbackStyle;
        }
        if (k >= kEntLine && k <= kEntSolid) {
            if (InRange(c, 101, 116)) c = kOldPenColor[c - 101];
            else if (InRange(c, 117, 356)) c = fallbackColor;
        }
    }
    switch (k) {
        case kEntLine:
        case kEntEnko:
            if (!(InRange(s, 1, 9) || InRange(s, 11, 19) || InRange(s, 31, 62))) s = fallbackStyle;
            break;
        case kEntTen:
            if (s != 1 && s != 100) s = 1;
            break;
        case kEntMoji:
            if (!InRange(s, 1, 9)) s = 1;
            break;
        default:
            break;
    }
    if (k >= kEntLine && k <= kEntSolid && !ColorKept(c, k)) c = fallbackColor;
    a.nPenStyle = uint8_t(s);
    a.nPenColor = uint16_t(c);
    if (a.nLayer > 15) a.nLayer = 0;
    if (a.nGLayer > 15) a.nGLayer = 0;
    if (a.nPenWidth > 30000) a.nPenWidth = 0;
    return a;
}

void ByteWriter::AttrOut(const TEntJwwAttr& in, int32_t typeCode) {
    TEntJwwAttr a = NormalisedAttr(in, version, typeCode, fallbackPenStyle, fallbackPenColor);
    U32(a.lGroup);
    U8(a.nPenStyle);
    U16(a.nPenColor);
    if (version >= kPenWidthSince) U16(a.nPenWidth);
    U16(a.nLayer);
    U16(a.nGLayer);
    U16(a.sFlg);
}

bool RecordIn(ByteReader& r, TEntJwwLine& rec) {
    if (!r.BeginFixed()) return false;
    LineFields(r, rec);
    return true;
}

bool RecordIn(ByteReader& r, TEntJwwEnko& rec) {
    if (!r.BeginFixed()) return false;
    EnkoFields(r, rec);
    return true;
}

bool RecordIn(ByteReader& r, TEntJwwTen& rec) {
    if (!r.BeginFixed()) return false;
    TenFields(r, rec);
    ClearOptionalTen(rec);
    return true;
}

bool RecordIn(ByteReader& r, TEntJwwMoji& rec) {
    if (!r.BeginFixed()) return false;
    MojiFields(r, rec);
    RepairMojiSizes(rec);
    return true;
}

bool RecordIn(ByteReader& r, TEntJwwSolid& rec) {
    if (!r.BeginFixed()) return false;
    SolidFields(r, rec);
    if (rec.att.nPenColor != 10) rec.Color = 0;
    return true;
}

bool RecordIn(ByteReader& r, TEntJwwBlock& rec) {
    if (!r.BeginFixed()) return false;
    BlockFixedFields(r, rec);
    rec.nNumber = r.U32();
    return true;
}

// A dimension is missing when no byte is left for its text's fixed part or, from version
// 420 on, for its last point.
bool RecordIn(ByteReader& r, TEntJwwSunpo& rec) {
    rec.att = r.AttrIn();
    LineFields(r, rec.Sen);
    bool present = r.BeginFixed();
    MojiFields(r, rec.Moji);
    RepairMojiSizes(rec.Moji);
    if (r.version >= kSxfSince) {
        r(rec.bSxfMode);
        LineFields(r, rec.Ho1);
        LineFields(r, rec.Ho2);
        for (TEntJwwTen* t : {&rec.Te1, &rec.Te2, &rec.Kt1}) {
            TenFields(r, *t);
            ClearOptionalTen(*t);
        }
        present = present && r.BeginFixed();
        TenFields(r, rec.Kt2);
        ClearOptionalTen(rec.Kt2);
    } else {
        // Older files have no SXF part; it is filled in from the dimension's own attributes.
        rec.bSxfMode = 0;
        rec.Ho1 = TEntJwwLine{rec.att};
        rec.Ho2 = TEntJwwLine{rec.att};
        TEntJwwTen point{rec.att};
        point.att.nPenStyle = 0;
        rec.Te1 = rec.Te2 = rec.Kt1 = rec.Kt2 = point;
    }
    return present;
}

void RecordOut(ByteWriter& w, const TEntJwwLine& rec) { LineFields(w, rec); }
void RecordOut(ByteWriter& w, const TEntJwwEnko& rec) { EnkoFields(w, rec); }
void RecordOut(ByteWriter& w, const TEntJwwTen& rec) { TenFields(w, rec); }
void RecordOut(ByteWriter& w, const TEntJwwMoji& rec) { MojiFields(w, rec); }
void RecordOut(ByteWriter& w, const TEntJwwSolid& rec) { SolidFields(w, rec); }

void RecordOut(ByteWriter& w, const TEntJwwBlock& rec, uint32_t blockNumber) {
    BlockFixedFields(w, rec);
    w.U32(blockNumber);
}

// The dimension's own text is written without image placement rewrites.
void RecordOut(ByteWriter& w, const TEntJwwSunpo& rec) {
    w.AttrOut(rec.att, kEntSunpo);
    LineFields(w, rec.Sen);
    MojiFixedFields(w, rec.Moji);
    w.Str(rec.Moji.strFontName);
    w.Str(rec.Moji.str);
    if (w.version >= kSxfSince) {
        w(rec.bSxfMode);
        LineFields(w, rec.Ho1);
        LineFields(w, rec.Ho2);
        TenFields(w, rec.Te1);
        TenFields(w, rec.Te2);
        TenFields(w, rec.Kt1);
        TenFields(w, rec.Kt2);
    }
}
