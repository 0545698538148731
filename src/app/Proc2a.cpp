#include "Unit1.h"
#include "ZeroExtent.h"

namespace {

// Marks the text entries of one order list whose text has zero extent. Entries whose index
// lies outside the live texts are left alone: the writer skips them anyway.
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

// Removes the zero-extent texts of JWW1, in the drawing and in every block definition, by
// marking their order entries; no record moves and no count changes.
void TForm1::Proc2a() {
    MarkZeroExtentTexts(JWW1->EntNo, JWW1->Enthd.n1, JWW1->EntMoji, JWW1->EntMojiN);
    size_t defs = std::min(size_t(std::max(JWW1->Enthd.n2, 0)), JWW1->EntBlockDef.size());
    for (size_t j = 0; j < defs; ++j) {
        TEntJwwBlockDef& def = JWW1->EntBlockDef[j];
        MarkZeroExtentTexts(def.mNo, def.N, def.mMoji, def.mMojiN);
    }
}
