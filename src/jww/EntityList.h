// Entity lists: the drawing's own list and the nested list of every block definition share
// one reader, one counter and one writer.
#pragma once

#include <vector>

#include "Archive.h"
#include "JwwUnit.h"

// The order list of a list, its length, and the seven arrays with their counts.
struct ListRef {
    std::vector<TEntJwwNo>& No;
    int32_t& NoN;
    std::vector<TEntJwwLine>& Line;
    int32_t& LineN;
    std::vector<TEntJwwEnko>& Enko;
    int32_t& EnkoN;
    std::vector<TEntJwwTen>& Ten;
    int32_t& TenN;
    std::vector<TEntJwwMoji>& Moji;
    int32_t& MojiN;
    std::vector<TEntJwwSunpo>& Sunpo;
    int32_t& SunpoN;
    std::vector<TEntJwwSolid>& Solid;
    int32_t& SolidN;
    std::vector<TEntJwwBlock>& Block;
    int32_t& BlockN;
};

ListRef MainList(TJwwData& d);
ListRef DefinitionList(TEntJwwBlockDef& def);

// True when an order entry is written: its type is 1–7 and its index names a live record. Entries
// of type 0 (removed) and stale indices are skipped.
bool EntryIsWritten(const ListRef& list, const TEntJwwNo& entry);

// Reads n objects into the list, which is emptied first; the list's order list gets n entries.
void EntListIn(ByteReader& r, int32_t n, ListRef list, ClassTable& classes);

// Objects that EntListOut writes for the list.
int32_t EntListCount(const ListRef& list, int32_t ver, int32_t readVer);

void EntListOut(ByteWriter& w, const ListRef& list, ClassTable& classes, const TJwwData& d);

// Smallest encoded object, for bounding counts read from a file before sizing anything.
inline constexpr size_t kMinObjectBytes = 2;
