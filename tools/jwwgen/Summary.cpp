#include "Summary.h"

#include <algorithm>
#include <sstream>

#include "JwwGen.h"

namespace {

template <class List>
ListCounts CountList(const std::vector<TEntJwwNo>& no, int64_t n, const List& list) {
    ListCounts c;
    const int64_t counts[8] = {0, list.lineN, list.enkoN, list.tenN, list.mojiN, list.sunpoN, list.solidN, list.blockN};
    int64_t limit = std::min<int64_t>(n, int64_t(no.size()));
    for (int64_t i = 0; i < limit; ++i) {
        const TEntJwwNo& e = no[size_t(i)];
        if (e.EntType < 1 || e.EntType > 7 || e.EntNo < 0 || e.EntNo >= counts[e.EntType]) continue;
        ++c.byType[size_t(e.EntType)];
        if (e.EntType == kEntMoji && IsZeroExtent((*list.moji)[size_t(e.EntNo)])) ++c.zeroExtentTexts;
    }
    return c;
}

struct ListView {
    int64_t lineN, enkoN, tenN, mojiN, sunpoN, solidN, blockN;
    const std::vector<TEntJwwMoji>* moji;
};

void Add(ListCounts& sum, const ListCounts& c) {
    for (size_t t = 0; t < sum.byType.size(); ++t) sum.byType[t] += c.byType[t];
    sum.zeroExtentTexts += c.zeroExtentTexts;
}

}  // namespace

int64_t ListCounts::total() const {
    int64_t n = 0;
    for (int64_t v : byType) n += v;
    return n;
}

DrawingSummary Summarise(const TJwwData& d) {
    DrawingSummary s;
    s.version = d.Enthd.jwVer;
    s.utf16 = d.MojiEncode;
    ListView main{d.EntLineN, d.EntEnkoN, d.EntTenN, d.EntMojiN, d.EntSunpoN, d.EntSolidN, d.EntBlockN, &d.EntMoji};
    s.drawing = CountList(d.EntNo, d.Enthd.n1, main);
    for (const auto& def : d.EntBlockDef) {
        ListView v{def.mLineN, def.mEnkoN, def.mTenN, def.mMojiN, def.mSunpoN, def.mSolidN, def.mBlockN, &def.mMoji};
        ListCounts c = CountList(def.mNo, def.N, v);
        Add(s.definitions, c);
        ++s.definitionCount;
        if (def.ref_flag) {
            Add(s.usedDefinitionContent, c);
            ++s.usedDefinitions;
        }
    }
    s.images = d.BindImageN;
    for (const auto& img : d.BindImage) s.imageBytes += img.Fsize > 0 ? img.Fsize : 0;
    return s;
}

std::string FormatSummary(const DrawingSummary& s) {
    static const char* kNames[8] = {"", "lines", "arcs", "points", "texts", "dimensions", "solids", "blocks"};
    auto line = [](std::ostringstream& o, const char* label, const ListCounts& c) {
        o << label;
        for (int t = 1; t <= 7; ++t) o << ' ' << kNames[t] << ' ' << c.byType[size_t(t)];
        o << "  zero-extent texts " << c.zeroExtentTexts << '\n';
    };
    std::ostringstream o;
    o << "version " << s.version << ", strings " << (s.utf16 ? "UTF-16" : "Shift-JIS") << '\n';
    line(o, "drawing:    ", s.drawing);
    line(o, "definitions:", s.definitions);
    line(o, "  of these, in used definitions:", s.usedDefinitionContent);
    o << "block definitions " << s.definitionCount << " (used " << s.usedDefinitions << ")\n";
    o << "images " << s.images << " (" << s.imageBytes << " bytes)\n";
    return o.str();
}
