#include "Blocks.h"

#include <cmath>
#include <deque>

#include "EntityList.h"

namespace {

// Tag (2) + fixed part (at least 25) + name (at least 1) + nested count (2).
constexpr size_t kMinDefinitionBytes = 30;

// Nodes of the expanded insertion tree beyond the insertions themselves. The tree grows
// exponentially with nesting; nothing in the conversion reads it, so it is cut off here.
constexpr size_t kTreeNodeAllowance = 1 << 16;

}  // namespace

void BlocksIn(ByteReader& r, TJwwData& d, ClassTable& classes) {
    if (r.atEnd()) FailIo();  // the definition count is expected
    int32_t count = r.CountIn();
    if (r.pastEnd()) FailIo();
    if (count == 0) return;
    if (count < 0 || size_t(count) > r.remaining() / kMinDefinitionBytes) FailIo();

    d.Enthd.n2 = d.EntBlockDefN = count;
    d.EntBlockDef.assign(size_t(count), TEntJwwBlockDef{});
    for (int32_t p = 1; p <= count; ++p) {
        TEntJwwBlockDef& def = d.EntBlockDef[size_t(p - 1)];
        if (r.atEnd()) FailIo();
        ClassTagIn(r, classes, false);  // any declaration or reference is accepted here
        if (r.atEnd()) FailIo();        // no byte left for the fixed part
        def.att = r.AttrIn();
        def.nNumber = r.U32();
        def.bRefferd = r.U32();
        def.dtime = r.U32();
        if (def.dtime >= 0x80000000u) {
            // Extended time stamp: 8 more bytes, and the position stands in for the stamp.
            r.Skip(8);
            def.dtime = uint32_t(p);
        }
        def.strName = r.StringInClean();
        int32_t n = r.CountIn();
        if (r.pastEnd()) FailIo();
        if (n < 0 || size_t(n) > r.remaining() / kMinObjectBytes) FailIo();
        ++classes.running;  // the definition object
        EntListIn(r, n, DefinitionList(def), classes);
        // A record is dropped only where the file ends, and the file may not end inside this
        // section: neither inside the last record nor right before it.
        int64_t read = int64_t(def.mLineN) + def.mEnkoN + def.mTenN + def.mMojiN + def.mSunpoN + def.mSolidN + def.mBlockN;
        if (r.pastEnd() || read < n) FailIo();
    }
}

void BlocksOut(ByteWriter& w, const TJwwData& d, ClassTable& classes) {
    size_t defs = std::min(size_t(std::max(d.Enthd.n2, 0)), d.EntBlockDef.size());
    int32_t written = 0;
    for (size_t j = 0; j < defs; ++j) written += d.EntBlockDef[j].ref_flag ? 1 : 0;
    w.CountOut(written);
    for (size_t j = 0; j < defs; ++j) {
        const TEntJwwBlockDef& def = d.EntBlockDef[j];
        if (!def.ref_flag) continue;
        auto& list = const_cast<TEntJwwBlockDef&>(def);  // ListRef is shared with the reader; nothing is changed
        ListRef nested = DefinitionList(list);
        w.ClassTagOut(classes, kEntBlockDef);
        w.AttrOut(def.att, kEntBlockDef);
        w.U32(d.ChangeBlockNo(def.nNumber));
        w.U32(def.bRefferd);
        w.U32(def.dtime);
        w.Str(def.strName);
        w.CountOut(EntListCount(nested, w.version, w.readVersion));
        ++classes.running;  // the definition object
        EntListOut(w, nested, classes, d);
    }
}

int32_t TJwwData::BlockDefIndex(uint32_t number) const {
    auto it = blockIndexByNumber_.find(number);
    if (it != blockIndexByNumber_.end() && size_t(it->second) < EntBlockDef.size() &&
        EntBlockDef[size_t(it->second)].nNumber == number)
        return it->second;
    for (size_t i = 0; i < EntBlockDef.size(); ++i)  // the index is stale: search
        if (EntBlockDef[i].nNumber == number) return int32_t(i);
    return -1;
}

void TJwwData::MakeBlockTree() {
    EntBlockTree.clear();
    EntBlockTreeN = 0;
    EntBlockNum = 0;
    blockIndexByNumber_.clear();
    for (size_t i = 0; i < EntBlockDef.size(); ++i) {
        EntBlockDef[i].ref_flag = false;
        EntBlockDef[i].ref_no = -1;
        blockIndexByNumber_.emplace(EntBlockDef[i].nNumber, int32_t(i));  // keeps the first
    }
    if (EntBlockN <= 0) return;
    size_t topCount = std::min(size_t(EntBlockN), EntBlock.size());

    // Used definitions: reachable from the drawing's insertions; each is visited once.
    std::deque<int32_t> pending;
    auto use = [&](uint32_t number) {
        int32_t def = BlockDefIndex(number);
        if (def >= 0 && !EntBlockDef[size_t(def)].ref_flag) {
            EntBlockDef[size_t(def)].ref_flag = true;
            pending.push_back(def);
        }
    };
    for (size_t j = 0; j < topCount; ++j) use(EntBlock[j].nNumber);
    while (!pending.empty()) {
        const TEntJwwBlockDef& def = EntBlockDef[size_t(pending.front())];
        pending.pop_front();
        for (int32_t l = 0; l < def.mBlockN && size_t(l) < def.mBlock.size(); ++l) use(def.mBlock[size_t(l)].nNumber);
    }

    NumberUsedDefinitions();
    if (ExpandBlockTree) ExpandInsertionTree(topCount);
}

// The expanded tree, level by level, with composed placements. A definition already on a
// node's chain of parents is not expanded again, and the node count is bounded.
void TJwwData::ExpandInsertionTree(size_t topCount) {
    size_t insertions = topCount;
    for (const auto& def : EntBlockDef) insertions += def.mBlock.size();
    const size_t budget = insertions * 4 + kTreeNodeAllowance;
    std::vector<bool> expandedBefore(EntBlockDef.size(), false);
    auto addNode = [&](TEntJwwBlockTree node) {
        node.defno = BlockDefIndex(node.no);
        if (node.defno >= 0) node.name = EntBlockDef[size_t(node.defno)].strName;
        EntBlockTree.push_back(std::move(node));
    };
    for (size_t j = 0; j < topCount; ++j) {
        const TEntJwwBlock& b = EntBlock[j];
        TEntJwwBlockTree node;
        node.att = b.att;
        node.level = 0;
        node.parent = -1;
        node.no = b.nNumber;
        node.x = b.DPKijunTen_x;
        node.y = b.DPKijunTen_y;
        double c = std::cos(b.radKaitenKaku), s = std::sin(b.radKaitenKaku);
        node.r1 = c * b.dBairitsuX;
        node.r2 = -s * b.dBairitsuY;
        node.r3 = s * b.dBairitsuX;
        node.r4 = c * b.dBairitsuY;
        addNode(std::move(node));
    }
    // A chain of parents is as long as the nesting is deep, so a long chain entered many times
    // costs its length squared; the steps taken on chains have a budget too, and past it
    // nothing more is expanded.
    size_t chainSteps = 0;
    const size_t chainBudget = budget * 16;
    auto onChainOfParents = [&](size_t k, int32_t def) {
        for (int32_t p = EntBlockTree[k].parent; p >= 0; p = EntBlockTree[size_t(p)].parent) {
            if (++chainSteps > chainBudget) return true;
            if (EntBlockTree[size_t(p)].defno == def) return true;
        }
        return false;
    };
    for (size_t k = 0; k < EntBlockTree.size() && EntBlockTree.size() < budget; ++k) {
        int32_t defno = EntBlockTree[k].defno;
        if (defno < 0) continue;
        const TEntJwwBlockDef& def = EntBlockDef[size_t(defno)];
        if (def.mBlockN <= 0) continue;
        // Ancestors are expanded before their descendants, so a definition never expanded
        // before cannot be on the chain.
        if (expandedBefore[size_t(defno)] && onChainOfParents(k, defno)) continue;
        expandedBefore[size_t(defno)] = true;
        const TEntJwwBlockTree up = EntBlockTree[k];  // a copy: appending moves the nodes
        for (int32_t l = 0; l < def.mBlockN && size_t(l) < def.mBlock.size() && EntBlockTree.size() < budget; ++l) {
            const TEntJwwBlock& b = def.mBlock[size_t(l)];
            double c = std::cos(b.radKaitenKaku), s = std::sin(b.radKaitenKaku);
            double c1 = c * b.dBairitsuX, c2 = -s * b.dBairitsuY, c3 = s * b.dBairitsuX, c4 = c * b.dBairitsuY;
            TEntJwwBlockTree node;
            node.att = def.att;
            node.level = up.level + 1;
            node.parent = int32_t(k);
            node.no = b.nNumber;
            node.x = up.x + up.r1 * b.DPKijunTen_x + up.r2 * b.DPKijunTen_y;
            node.y = up.y + up.r3 * b.DPKijunTen_x + up.r4 * b.DPKijunTen_y;
            node.r1 = up.r1 * c1 + up.r2 * c3;
            node.r2 = up.r1 * c2 + up.r2 * c4;
            node.r3 = up.r3 * c1 + up.r4 * c3;
            node.r4 = up.r3 * c2 + up.r4 * c4;
            addNode(std::move(node));
        }
    }
    EntBlockTreeN = int32_t(EntBlockTree.size());
}

void TJwwData::NumberUsedDefinitions() {
    int32_t counter = 0;
    for (auto& def : EntBlockDef)
        if (def.ref_flag) def.ref_no = counter++;
    EntBlockNum = counter;
}

uint32_t TJwwData::ChangeBlockNo(uint32_t n) const {
    int32_t def = BlockDefIndex(n);
    if (def < 0) return 0;
    const TEntJwwBlockDef& d = EntBlockDef[size_t(def)];
    return d.ref_flag ? uint32_t(d.ref_no) : n;
}
