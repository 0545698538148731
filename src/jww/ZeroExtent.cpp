#include "ZeroExtent.h"

namespace {

// Entries whose index lies outside the live texts are left alone: the writer skips them anyway.
void MarkZeroExtentTexts(std::vector<TEntJwwNo>& order, int32_t length, const std::vector<TEntJwwMoji>& texts,
                         int32_t textCount) {
    size_t n = std::min(size_t(std::max(length, 0)), order.size());
    size_t live = std::min(size_t(std::max(textCount, 0)), texts.size());
    for (size_t i = 0; i < n; ++i) {
        TEntJwwNo& e = order[i];
        if (e.EntType == kEntMoji && e.EntNo >= 0 && size_t(e.EntNo) < live && IsZeroExtent(texts[size_t(e.EntNo)]))
            e.EntType = kEntNone;
    }
}

}  // namespace

void RemoveZeroExtentTexts(TJwwData& d) {
    MarkZeroExtentTexts(d.EntNo, d.Enthd.n1, d.EntMoji, d.EntMojiN);
    size_t defs = std::min(size_t(std::max(d.Enthd.n2, 0)), d.EntBlockDef.size());
    for (size_t j = 0; j < defs; ++j) {
        TEntJwwBlockDef& def = d.EntBlockDef[j];
        MarkZeroExtentTexts(def.mNo, def.N, def.mMoji, def.mMojiN);
    }
}
