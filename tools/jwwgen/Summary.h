// Counts of what a drawing holds, as the writer would write it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "JwwUnit.h"

struct ListCounts {
    std::array<int64_t, 8> byType{};  // index = entity type code 1–7
    int64_t zeroExtentTexts = 0;
    int64_t total() const;
    bool operator==(const ListCounts&) const = default;
};

struct DrawingSummary {
    int32_t version = 0;
    bool utf16 = false;
    ListCounts drawing;
    ListCounts definitions;      // all definitions together
    ListCounts usedDefinitionContent;  // the definitions the writer writes
    int64_t definitionCount = 0;
    int64_t usedDefinitions = 0;
    int64_t images = 0;
    int64_t imageBytes = 0;
    bool operator==(const DrawingSummary&) const = default;
};

// Counts the entries that the writer would write (type 1–7, index below the count of its type).
DrawingSummary Summarise(const TJwwData& d);

// One short block of text, for people.
std::string FormatSummary(const DrawingSummary& s);
