// The seven entity records: one field list each, for reading (ByteReader) and writing
// (ByteWriter). R is the record type, const when writing.
#pragma once

#include <type_traits>

#include "Archive.h"

template <class Io, class R>
void LineFields(Io& io, R& e) {
    io.Attr(e.att, kEntLine);
    io(e.start_x, e.start_y, e.end_x, e.end_y);
}

template <class Io, class R>
void EnkoFields(Io& io, R& e) {
    io.Attr(e.att, kEntEnko);
    io(e.start_x, e.start_y, e.dHankei, e.radKaishiKaku, e.radEnkoKaku, e.radKatamukiKaku, e.dHenpeiRitsu);
    io(e.bZenEnFlg);
}

// A point carries code, rotation and scale only with pen style 100; the writer's normalisation
// keeps 100 as 100, so testing the record's own value serves both directions.
template <class Io, class R>
void TenFields(Io& io, R& e) {
    io.Attr(e.att, kEntTen);
    io(e.start_x, e.start_y);
    io(e.bKariten);
    if (e.att.nPenStyle == 100) io(e.nCode, e.radKaitenKaku, e.dBairitsu);
}

template <class Io, class R>
void MojiFixedFields(Io& io, R& e) {
    io.Attr(e.att, kEntMoji);
    io(e.start_x, e.start_y, e.end_x, e.end_y);
    io(e.nMojiShu);
    io.Size(e.dSizeX);
    io.Size(e.dSizeY);
    io(e.dKankaku, e.degKakudo);
}

template <class Io, class R>
void MojiFields(Io& io, R& e) {
    MojiFixedFields(io, e);
    io.Str(e.strFontName);
    io.TextStr(e.str);
}

template <class Io, class R>
void SolidFields(Io& io, R& e) {
    io.Attr(e.att, kEntSolid);
    io(e.start_x, e.start_y, e.end_x, e.end_y, e.DPoint2_x, e.DPoint2_y, e.DPoint3_x, e.DPoint3_y);
    if (e.att.nPenColor == 10) io(e.Color);
}

// The block number is written through ChangeBlockNo, so the writer handles it itself.
template <class Io, class R>
void BlockFixedFields(Io& io, R& e) {
    io.Attr(e.att, kEntBlock);
    io(e.DPKijunTen_x, e.DPKijunTen_y, e.dBairitsuX, e.dBairitsuY, e.radKaitenKaku);
}

// Reads one record into rec; false when the record is missing (no byte left for its fixed part).
bool RecordIn(ByteReader& r, TEntJwwLine& rec);
bool RecordIn(ByteReader& r, TEntJwwEnko& rec);
bool RecordIn(ByteReader& r, TEntJwwTen& rec);
bool RecordIn(ByteReader& r, TEntJwwMoji& rec);
bool RecordIn(ByteReader& r, TEntJwwSunpo& rec);
bool RecordIn(ByteReader& r, TEntJwwSolid& rec);
bool RecordIn(ByteReader& r, TEntJwwBlock& rec);

class TJwwData;
void RecordOut(ByteWriter& w, const TEntJwwLine& rec);
void RecordOut(ByteWriter& w, const TEntJwwEnko& rec);
void RecordOut(ByteWriter& w, const TEntJwwTen& rec);
void RecordOut(ByteWriter& w, const TEntJwwMoji& rec);
void RecordOut(ByteWriter& w, const TEntJwwSunpo& rec);  // SXF part only from kSxfSince
void RecordOut(ByteWriter& w, const TEntJwwSolid& rec);
void RecordOut(ByteWriter& w, const TEntJwwBlock& rec, uint32_t blockNumber);

// The attribute block as AttrOut writes it for a target version and type code.
TEntJwwAttr NormalisedAttr(TEntJwwAttr a, int32_t version, int32_t typeCode, uint8_t fallbackStyle,
                           uint16_t fallbackColor);
