#include "EntityList.h"

#include <array>

#include "Records.h"

namespace {

// Calls f(array, count) for the array of a type code 1–7.
template <class L, class F>
void WithArray(L& list, int32_t type, F&& f) {
    switch (type) {
        case kEntLine: f(list.Line, list.LineN); break;
        case kEntEnko: f(list.Enko, list.EnkoN); break;
        case kEntTen: f(list.Ten, list.TenN); break;
        case kEntMoji: f(list.Moji, list.MojiN); break;
        case kEntSunpo: f(list.Sunpo, list.SunpoN); break;
        case kEntSolid: f(list.Solid, list.SolidN); break;
        case kEntBlock: f(list.Block, list.BlockN); break;
        default: break;
    }
}

// A dimension read from a file with SXF parts and written to an older version becomes the
// dimension plus its six SXF records as objects of their own.
bool ExpandsSxf(const TEntJwwSunpo& s, int32_t ver, int32_t readVer) {
    return ver < kSxfSince && readVer >= kSxfSince && s.bSxfMode != 0;
}

}  // namespace

ListRef MainList(TJwwData& d) {
    return {d.EntNo,    d.Enthd.n1,  d.EntLine,  d.EntLineN,  d.EntEnko,  d.EntEnkoN,  d.EntTen,   d.EntTenN,
            d.EntMoji,  d.EntMojiN,  d.EntSunpo, d.EntSunpoN, d.EntSolid, d.EntSolidN, d.EntBlock, d.EntBlockN};
}

ListRef DefinitionList(TEntJwwBlockDef& def) {
    return {def.mNo,   def.N,      def.mLine,  def.mLineN,  def.mEnko,  def.mEnkoN,  def.mTen,   def.mTenN,
            def.mMoji, def.mMojiN, def.mSunpo, def.mSunpoN, def.mSolid, def.mSolidN, def.mBlock, def.mBlockN};
}

bool EntryIsWritten(const ListRef& list, const TEntJwwNo& entry) {
    bool live = false;
    WithArray(list, entry.EntType, [&](const auto& array, int32_t count) {
        live = entry.EntNo >= 0 && entry.EntNo < count && size_t(entry.EntNo) < array.size();
    });
    return live;
}

namespace {

// Walks the n objects of a list that select a class, calling readRecord(type) for each; the
// tag alone is consumed for a tag that selects nothing. A tag that the file cannot deliver
// fails the read.
template <class ReadRecord>
void WalkObjects(ByteReader& r, int32_t n, ClassTable& classes, ReadRecord&& readRecord) {
    for (int32_t k = 0; k < n;) {
        if (r.atEnd()) FailIo();
        int klass = ClassTagIn(r, classes, true);
        if (r.pastEnd()) FailIo();
        if (klass < kEntLine || klass > kEntBlock) continue;
        readRecord(klass);
        ++k;
        ++classes.running;
    }
}

// How many records of each type the list holds, so that the arrays are sized once. The walk
// stops quietly where the real read would fail; the real read then fails there itself.
std::array<int32_t, 8> CountRecords(ByteReader& r, int32_t n, ClassTable classes) {
    std::array<int32_t, 8> counts{};
    TEntJwwLine line;
    TEntJwwEnko enko;
    TEntJwwTen ten;
    TEntJwwMoji moji;
    TEntJwwSunpo sunpo;
    TEntJwwSolid solid;
    TEntJwwBlock block;
    r.skipStrings = true;
    try {
        WalkObjects(r, n, classes, [&](int klass) {
            bool present = false;
            switch (klass) {
                case kEntLine: present = RecordIn(r, line); break;
                case kEntEnko: present = RecordIn(r, enko); break;
                case kEntTen: present = RecordIn(r, ten); break;
                case kEntMoji: present = RecordIn(r, moji); break;
                case kEntSunpo: present = RecordIn(r, sunpo); break;
                case kEntSolid: present = RecordIn(r, solid); break;
                case kEntBlock: present = RecordIn(r, block); break;
            }
            counts[size_t(klass)] += present ? 1 : 0;
        });
    } catch (const JwwIoError&) {
    }
    r.skipStrings = false;
    return counts;
}

}  // namespace

void EntListIn(ByteReader& r, int32_t n, ListRef list, ClassTable& classes) {
    list.NoN = n;
    list.No.assign(size_t(n), TEntJwwNo{});
    const uint64_t start = r.Position();
    const std::array<int32_t, 8> counts = CountRecords(r, n, classes);
    r.Seek(start);
    for (int32_t t = kEntLine; t <= kEntBlock; ++t) {
        WithArray(list, t, [&](auto& a, int32_t& c) {
            a.clear();
            a.reserve(size_t(counts[size_t(t)]));
            c = 0;
        });
    }

    int32_t j = 0;
    WalkObjects(r, n, classes, [&](int klass) {
        WithArray(list, klass, [&](auto& array, int32_t& count) {
            array.emplace_back();
            if (RecordIn(r, array.back())) {
                list.No[size_t(j++)] = TEntJwwNo{klass, count};
                ++count;
            } else {
                array.pop_back();  // missing record: the entity is dropped
            }
        });
    });
}

int32_t EntListCount(const ListRef& list, int32_t ver, int32_t readVer) {
    int64_t total = 0;
    size_t n = std::min(size_t(std::max(list.NoN, 0)), list.No.size());
    for (size_t i = 0; i < n; ++i) {
        const TEntJwwNo& e = list.No[i];
        if (!EntryIsWritten(list, e)) continue;
        total += (e.EntType == kEntSunpo && ExpandsSxf(list.Sunpo[size_t(e.EntNo)], ver, readVer)) ? 7 : 1;
    }
    if (total > INT32_MAX) FailIo();
    return int32_t(total);
}

void EntListOut(ByteWriter& w, const ListRef& list, ClassTable& classes, const TJwwData& d) {
    size_t n = std::min(size_t(std::max(list.NoN, 0)), list.No.size());
    for (size_t i = 0; i < n; ++i) {
        const TEntJwwNo& e = list.No[i];
        if (!EntryIsWritten(list, e)) continue;
        size_t x = size_t(e.EntNo);
        w.ClassTagOut(classes, e.EntType);
        switch (e.EntType) {
            case kEntLine: RecordOut(w, list.Line[x]); break;
            case kEntEnko: RecordOut(w, list.Enko[x]); break;
            case kEntTen: RecordOut(w, list.Ten[x]); break;
            case kEntMoji: RecordOut(w, list.Moji[x]); break;
            case kEntSolid: RecordOut(w, list.Solid[x]); break;
            case kEntBlock: RecordOut(w, list.Block[x], d.ChangeBlockNo(list.Block[x].nNumber)); break;
            case kEntSunpo: {
                const TEntJwwSunpo& s = list.Sunpo[x];
                RecordOut(w, s);
                if (ExpandsSxf(s, w.version, w.readVersion)) {
                    for (const TEntJwwLine* line : {&s.Ho1, &s.Ho2}) {
                        ++classes.running;
                        w.ClassTagOut(classes, kEntLine);
                        RecordOut(w, *line);
                    }
                    for (const TEntJwwTen* point : {&s.Te1, &s.Te2, &s.Kt1, &s.Kt2}) {
                        ++classes.running;
                        w.ClassTagOut(classes, kEntTen);
                        TEntJwwTen copy = *point;
                        if (point == &s.Kt1 || point == &s.Kt2) copy.bKariten = 1;
                        RecordOut(w, copy);
                    }
                }
                break;
            }
        }
        ++classes.running;
    }
}
