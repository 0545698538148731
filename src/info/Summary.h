// What a loaded drawing holds, in the terms of the conversion: entities per type, zero-extent
// texts that the conversion removes, which block definitions it keeps and under which new
// numbers, and which embedded images remaining texts refer to. Text and JSON renderings and a
// comparison of two summaries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "JwwUnit.h"

namespace jwwinfo {

// How the strings of a file are stored.
enum class StringForm { ShiftJis, Utf16, Mixed };

// "Shift-JIS", "UTF-16" or "mixed".
const char* StringFormName(StringForm form);

// From the numbers of strings the reader met in each form.
StringForm DetectStringForm(int64_t byteFormStrings, int64_t utf16FormStrings);

// Entities per type code 1–7 (index 0 unused), counted as the writer would write them: order
// entries of type 1–7 whose index is below the count of their type.
struct EntityCounts {
    std::array<int64_t, 8> byType{};
    int64_t total() const;
    bool operator==(const EntityCounts&) const = default;
};

struct DefinitionSummary {
    int64_t index = 0;       // position among the stored definitions
    uint32_t number = 0;     // block number as stored
    std::string name;        // UTF-8
    bool used = false;       // reached from the drawing through insertions: kept by a conversion
    int32_t newNumber = -1;  // number it is written under; -1 when unused
    EntityCounts entities;
    int64_t zeroExtentTexts = 0;
};

struct ImageSummary {
    std::string name;  // UTF-8
    int32_t size = 0;  // stored size in bytes
    bool gzip = false;
    bool referenced = false;  // some text that a conversion keeps refers to it
};

struct DrawingSummary {
    std::string file;  // as named on the command line, UTF-8
    int32_t version = 0;
    StringForm stringForm = StringForm::ShiftJis;
    EntityCounts drawing;
    int64_t drawingZeroExtentTexts = 0;
    EntityCounts definitionEntities;  // all definitions together
    int64_t definitionZeroExtentTexts = 0;
    std::vector<DefinitionSummary> definitions;
    std::vector<ImageSummary> images;

    int64_t usedDefinitions() const;
    int64_t referencedImages() const;
};

// Summarises a drawing as loaded (MakeBlockTree has run). Nothing in it is changed.
DrawingSummary BuildSummary(const TJwwData& d, StringForm form, std::string file);

// A few indented lines for people; ends in a newline.
std::string RenderText(const DrawingSummary& s);
// One JSON document on one line, without a trailing newline.
std::string RenderJson(const DrawingSummary& s);

// One difference between two summaries. Definitions and images are matched by name (images
// without regard to letter case) and, for repeated names, by occurrence; the field "present"
// marks an entry found on one side only.
using DiffValue = std::variant<int64_t, bool, std::string>;
struct Difference {
    std::string section;  // "file", "drawing", "definitions", "definition", "images", "image"
    std::string name;     // definition or image name; empty for the other sections
    int64_t occurrence = 0;  // 1-based among entries of the same name; 0 without a name
    std::string field;
    DiffValue before, after;
};

std::vector<Difference> Diff(const DrawingSummary& before, const DrawingSummary& after);

std::string RenderDiffText(const DrawingSummary& before, const DrawingSummary& after, const std::vector<Difference>& diffs);
std::string RenderDiffJson(const DrawingSummary& before, const DrawingSummary& after, const std::vector<Difference>& diffs);

// A JSON string literal for UTF-8 text; invalid sequences become U+FFFD and every control
// character is escaped, so that names print safely in a terminal as well.
std::string Quoted(std::string_view utf8);

}  // namespace jwwinfo
