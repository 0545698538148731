#include "Summary.h"

#include <algorithm>
#include <map>
#include <utility>

#include "CodePage.h"
#include "ImageRefs.h"
#include "TextHelpers.h"
#include "ZeroExtent.h"

namespace jwwinfo {
namespace {

// Names of the entity types, index = type code.
constexpr const char* kTypeNames[8] = {"", "line", "arc", "point", "text", "dimension", "solid", "insertion"};

// One order list with the arrays it indexes.
struct ListView {
    const std::vector<TEntJwwNo>& no;
    int32_t noN;
    std::array<int64_t, 8> live;  // usable records per type: the count, bounded by the array
    const std::vector<TEntJwwMoji>& moji;
};

template <class T>
int64_t Live(int32_t count, const std::vector<T>& v) {
    return std::clamp<int64_t>(count, 0, int64_t(v.size()));
}

ListView DrawingList(const TJwwData& d) {
    return {d.EntNo, d.Enthd.n1,
            {0, Live(d.EntLineN, d.EntLine), Live(d.EntEnkoN, d.EntEnko), Live(d.EntTenN, d.EntTen),
             Live(d.EntMojiN, d.EntMoji), Live(d.EntSunpoN, d.EntSunpo), Live(d.EntSolidN, d.EntSolid),
             Live(d.EntBlockN, d.EntBlock)},
            d.EntMoji};
}

ListView DefinitionList(const TEntJwwBlockDef& b) {
    return {b.mNo, b.N,
            {0, Live(b.mLineN, b.mLine), Live(b.mEnkoN, b.mEnko), Live(b.mTenN, b.mTen), Live(b.mMojiN, b.mMoji),
             Live(b.mSunpoN, b.mSunpo), Live(b.mSolidN, b.mSolid), Live(b.mBlockN, b.mBlock)},
            b.mMoji};
}

struct ListResult {
    EntityCounts entities;
    int64_t zeroExtentTexts = 0;
};

// Counts the written entries; the texts a conversion keeps go to `kept`.
ListResult CountList(const ListView& list, std::vector<const TEntJwwMoji*>& kept) {
    ListResult r;
    size_t n = std::min(size_t(std::max(list.noN, 0)), list.no.size());
    for (size_t i = 0; i < n; ++i) {
        const TEntJwwNo& e = list.no[i];
        if (e.EntType < kEntLine || e.EntType > kEntBlock || e.EntNo < 0 || e.EntNo >= list.live[size_t(e.EntType)])
            continue;
        ++r.entities.byType[size_t(e.EntType)];
        if (e.EntType != kEntMoji) continue;
        const TEntJwwMoji& m = list.moji[size_t(e.EntNo)];
        if (IsZeroExtent(m))
            ++r.zeroExtentTexts;
        else
            kept.push_back(&m);
    }
    return r;
}

bool EndsWithGz(std::u16string_view name) {
    return name.size() >= 3 && LowerCase(name.substr(name.size() - 3)) == u".gz";
}

// Length of the well-formed UTF-8 sequence at s[i] (no overlong forms, surrogates or values
// above U+10FFFF), or 0.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || len > s.size() - i) return 0;
    uint32_t cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (size_t k = 1; k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc >> 6) != 2) return 0;
        cp = cp << 6 | (cc & 0x3F);
    }
    constexpr uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void AppendCounts(std::string& out, const EntityCounts& c) {
    int64_t total = c.total();
    if (total == 0) {
        out += "no entities";
        return;
    }
    out += std::to_string(total) + (total == 1 ? " entity (" : " entities (");
    bool first = true;
    for (size_t t = 1; t < 8; ++t) {
        if (c.byType[t] == 0) continue;
        if (!first) out += ", ";
        first = false;
        out += kTypeNames[t];
        out += ' ';
        out += std::to_string(c.byType[t]);
    }
    out += ')';
}

std::string ZeroExtentText(int64_t n) {
    return std::to_string(n) + (n == 1 ? " zero-extent text" : " zero-extent texts");
}

std::string JsonCounts(const EntityCounts& c) {
    std::string out = "{";
    for (size_t t = 1; t < 8; ++t) {
        if (t > 1) out += ',';
        out += '"';
        out += kTypeNames[t];
        out += "\":" + std::to_string(c.byType[t]);
    }
    return out + '}';
}

const char* Bool(bool b) { return b ? "true" : "false"; }

}  // namespace

const char* StringFormName(StringForm form) {
    switch (form) {
    case StringForm::ShiftJis: return "Shift-JIS";
    case StringForm::Utf16: return "UTF-16";
    case StringForm::Mixed: return "mixed";
    }
    return "";
}

StringForm DetectStringForm(int64_t byteFormStrings, int64_t utf16FormStrings) {
    if (utf16FormStrings == 0) return StringForm::ShiftJis;
    return byteFormStrings == 0 ? StringForm::Utf16 : StringForm::Mixed;
}

int64_t EntityCounts::total() const {
    int64_t n = 0;
    for (int64_t v : byType) n += v;
    return n;
}

int64_t DrawingSummary::usedDefinitions() const {
    return std::count_if(definitions.begin(), definitions.end(), [](const auto& b) { return b.used; });
}

int64_t DrawingSummary::referencedImages() const {
    return std::count_if(images.begin(), images.end(), [](const auto& i) { return i.referenced; });
}

DrawingSummary BuildSummary(const TJwwData& d, StringForm form, std::string file) {
    DrawingSummary s;
    s.file = std::move(file);
    s.version = d.Enthd.jwVer;
    s.stringForm = form;

    std::vector<const TEntJwwMoji*> kept;
    ListResult main = CountList(DrawingList(d), kept);
    s.drawing = main.entities;
    s.drawingZeroExtentTexts = main.zeroExtentTexts;

    size_t defs = std::min(size_t(std::max(d.EntBlockDefN, 0)), d.EntBlockDef.size());
    for (size_t j = 0; j < defs; ++j) {
        const TEntJwwBlockDef& b = d.EntBlockDef[j];
        ListResult r = CountList(DefinitionList(b), kept);
        DefinitionSummary ds;
        ds.index = int64_t(j);
        ds.number = b.nNumber;
        ds.name = Utf16ToUtf8(b.strName);
        ds.used = b.ref_flag;
        ds.newNumber = b.ref_flag ? b.ref_no : -1;
        ds.entities = r.entities;
        ds.zeroExtentTexts = r.zeroExtentTexts;
        for (size_t t = 1; t < 8; ++t) s.definitionEntities.byType[t] += r.entities.byType[t];
        s.definitionZeroExtentTexts += r.zeroExtentTexts;
        s.definitions.push_back(std::move(ds));
    }

    // Resolved as the writer's image selection resolves them.
    size_t images = std::min(size_t(std::max(d.BindImageN, 0)), d.BindImage.size());
    std::vector<std::u16string> upperNames;
    for (size_t i = 0; i < images; ++i) {
        const TBindImageType& img = d.BindImage[i];
        upperNames.push_back(UpperCase(img.Fname));
        s.images.push_back({Utf16ToUtf8(img.Fname), img.Fsize, EndsWithGz(img.Fname), false});
    }
    for (const TEntJwwMoji* m : kept) {
        int32_t image = ReferencedImage(m->str, upperNames);
        if (image >= 0) s.images[size_t(image)].referenced = true;
    }
    return s;
}

std::string Quoted(std::string_view utf8) {
    std::string out = "\"";
    static constexpr char kHex[] = "0123456789abcdef";
    auto escape = [&](uint32_t cp) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0xF];
    };
    size_t i = 0;
    while (i < utf8.size()) {
        size_t len = Utf8SequenceLength(utf8, i);
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned char c1 = len > 1 ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        unsigned char c2 = len > 2 ? static_cast<unsigned char>(utf8[i + 2]) : 0;
        if (len == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte that starts no valid sequence
            len = 1;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            escape(c);
        } else if (len == 2 && c == 0xC2 && c1 < 0xA0) {
            escape(c1);  // C1 control character
        } else if (len == 3 && c == 0xE2 && c1 == 0x80 && (c2 == 0xA8 || c2 == 0xA9)) {
            escape(0x2000u | (c2 - 0x80u));  // line and paragraph separators
        } else {
            out.append(utf8.substr(i, len));
        }
        i += len;
    }
    return out + '"';
}

std::string RenderText(const DrawingSummary& s) {
    std::string out = s.file + "\n";
    out += "  version " + std::to_string(s.version) + ", strings " + StringFormName(s.stringForm) + "\n";

    out += "  drawing: ";
    AppendCounts(out, s.drawing);
    out += "; " + ZeroExtentText(s.drawingZeroExtentTexts) + "\n";

    int64_t used = s.usedDefinitions();
    out += "  block definitions: " + std::to_string(s.definitions.size());
    if (!s.definitions.empty()) {
        out += " (" + std::to_string(used) + " used, " + std::to_string(int64_t(s.definitions.size()) - used) + " unused); ";
        AppendCounts(out, s.definitionEntities);
        out += "; " + ZeroExtentText(s.definitionZeroExtentTexts);
    }
    out += '\n';
    for (const DefinitionSummary& b : s.definitions) {
        out += "    #" + std::to_string(b.index) + " number " + std::to_string(b.number) + " " + Quoted(b.name) + ": ";
        out += b.used ? "used, new number " + std::to_string(b.newNumber) : std::string("unused");
        out += "; ";
        AppendCounts(out, b.entities);
        out += "; " + ZeroExtentText(b.zeroExtentTexts) + "\n";
    }

    out += "  images: " + std::to_string(s.images.size());
    if (!s.images.empty()) out += " (" + std::to_string(s.referencedImages()) + " referenced)";
    out += '\n';
    for (const ImageSummary& i : s.images) {
        out += "    " + Quoted(i.name) + ": " + std::to_string(i.size) + (i.size == 1 ? " byte" : " bytes");
        if (i.gzip) out += ", gzip";
        out += i.referenced ? ", referenced\n" : ", not referenced\n";
    }
    return out;
}

std::string RenderJson(const DrawingSummary& s) {
    std::string out = "{\"file\":" + Quoted(s.file);
    out += ",\"version\":" + std::to_string(s.version);
    out += ",\"string_form\":" + Quoted(StringFormName(s.stringForm));
    out += ",\"drawing\":{\"entities\":" + JsonCounts(s.drawing) +
           ",\"zero_extent_texts\":" + std::to_string(s.drawingZeroExtentTexts) + "}";
    int64_t used = s.usedDefinitions();
    out += ",\"definitions\":{\"count\":" + std::to_string(s.definitions.size()) + ",\"used\":" + std::to_string(used) +
           ",\"unused\":" + std::to_string(int64_t(s.definitions.size()) - used) +
           ",\"entities\":" + JsonCounts(s.definitionEntities) +
           ",\"zero_extent_texts\":" + std::to_string(s.definitionZeroExtentTexts) + ",\"list\":[";
    for (size_t j = 0; j < s.definitions.size(); ++j) {
        const DefinitionSummary& b = s.definitions[j];
        if (j) out += ',';
        out += "{\"index\":" + std::to_string(b.index) + ",\"number\":" + std::to_string(b.number) +
               ",\"name\":" + Quoted(b.name) + ",\"used\":" + Bool(b.used) +
               ",\"new_number\":" + (b.used ? std::to_string(b.newNumber) : std::string("null")) +
               ",\"entities\":" + JsonCounts(b.entities) + ",\"zero_extent_texts\":" + std::to_string(b.zeroExtentTexts) + "}";
    }
    out += "]}";
    out += ",\"images\":{\"count\":" + std::to_string(s.images.size()) +
           ",\"referenced\":" + std::to_string(s.referencedImages()) + ",\"list\":[";
    for (size_t i = 0; i < s.images.size(); ++i) {
        const ImageSummary& img = s.images[i];
        if (i) out += ',';
        out += "{\"name\":" + Quoted(img.name) + ",\"size\":" + std::to_string(img.size) + ",\"gzip\":" + Bool(img.gzip) +
               ",\"referenced\":" + Bool(img.referenced) + "}";
    }
    return out + "]}}";
}

namespace {

class DiffBuilder {
public:
    std::vector<Difference> diffs;

    void Field(const std::string& section, const std::string& name, int64_t occurrence, const std::string& field,
               DiffValue before, DiffValue after) {
        if (before != after) diffs.push_back({section, name, occurrence, field, std::move(before), std::move(after)});
    }
    void Counts(const std::string& section, const std::string& name, int64_t occurrence, const EntityCounts& before,
                const EntityCounts& after) {
        for (size_t t = 1; t < 8; ++t) Field(section, name, occurrence, kTypeNames[t], before.byType[t], after.byType[t]);
    }
};

// Keys entries by (name key, occurrence of that key), in stored order.
template <class T, class KeyOf>
std::vector<std::pair<std::string, int64_t>> Keys(const std::vector<T>& items, KeyOf keyOf) {
    std::map<std::string, int64_t> seen;
    std::vector<std::pair<std::string, int64_t>> keys;
    for (const T& item : items) {
        std::string k = keyOf(item);
        keys.emplace_back(k, ++seen[k]);
    }
    return keys;
}

// Pairs the entries of both sides with equal keys; calls both(b, a), onlyBefore(b), onlyAfter(a).
template <class T, class KeyOf, class Both, class Only>
void Match(const std::vector<T>& before, const std::vector<T>& after, KeyOf keyOf, Both both, Only only) {
    auto kb = Keys(before, keyOf);
    auto ka = Keys(after, keyOf);
    std::vector<bool> matched(after.size(), false);
    for (size_t i = 0; i < before.size(); ++i) {
        auto it = std::find(ka.begin(), ka.end(), kb[i]);
        if (it == ka.end()) {
            only(before[i], kb[i].second, true);
        } else {
            size_t j = size_t(it - ka.begin());
            matched[j] = true;
            both(before[i], after[j], kb[i].second);
        }
    }
    for (size_t j = 0; j < after.size(); ++j)
        if (!matched[j]) only(after[j], ka[j].second, false);
}

}  // namespace

std::vector<Difference> Diff(const DrawingSummary& b, const DrawingSummary& a) {
    DiffBuilder d;
    d.Field("file", "", 0, "version", int64_t(b.version), int64_t(a.version));
    d.Field("file", "", 0, "string_form", std::string(StringFormName(b.stringForm)), std::string(StringFormName(a.stringForm)));

    d.Counts("drawing", "", 0, b.drawing, a.drawing);
    d.Field("drawing", "", 0, "zero_extent_texts", b.drawingZeroExtentTexts, a.drawingZeroExtentTexts);

    d.Field("definitions", "", 0, "count", int64_t(b.definitions.size()), int64_t(a.definitions.size()));
    d.Field("definitions", "", 0, "used", b.usedDefinitions(), a.usedDefinitions());
    d.Counts("definitions", "", 0, b.definitionEntities, a.definitionEntities);
    d.Field("definitions", "", 0, "zero_extent_texts", b.definitionZeroExtentTexts, a.definitionZeroExtentTexts);

    Match(
        b.definitions, a.definitions, [](const DefinitionSummary& x) { return x.name; },
        [&](const DefinitionSummary& x, const DefinitionSummary& y, int64_t occ) {
            d.Field("definition", x.name, occ, "number", int64_t(x.number), int64_t(y.number));
            d.Field("definition", x.name, occ, "used", x.used, y.used);
            if (x.used && y.used) d.Field("definition", x.name, occ, "new_number", int64_t(x.newNumber), int64_t(y.newNumber));
            d.Counts("definition", x.name, occ, x.entities, y.entities);
            d.Field("definition", x.name, occ, "zero_extent_texts", x.zeroExtentTexts, y.zeroExtentTexts);
        },
        [&](const DefinitionSummary& x, int64_t occ, bool inBefore) {
            d.Field("definition", x.name, occ, "present", inBefore, !inBefore);
        });

    d.Field("images", "", 0, "count", int64_t(b.images.size()), int64_t(a.images.size()));
    d.Field("images", "", 0, "referenced", b.referencedImages(), a.referencedImages());
    Match(
        b.images, a.images, [](const ImageSummary& x) { return Utf16ToUtf8(UpperCase(Utf8ToUtf16(x.name))); },
        [&](const ImageSummary& x, const ImageSummary& y, int64_t occ) {
            if (x.name != y.name) d.Field("image", x.name, occ, "name", x.name, y.name);
            d.Field("image", x.name, occ, "size", int64_t(x.size), int64_t(y.size));
            d.Field("image", x.name, occ, "referenced", x.referenced, y.referenced);
        },
        [&](const ImageSummary& x, int64_t occ, bool inBefore) { d.Field("image", x.name, occ, "present", inBefore, !inBefore); });
    return std::move(d.diffs);
}

namespace {

std::string TextValue(const DiffValue& v) {
    if (auto* n = std::get_if<int64_t>(&v)) return std::to_string(*n);
    if (auto* f = std::get_if<bool>(&v)) return *f ? "yes" : "no";
    return Quoted(std::get<std::string>(v));
}

std::string JsonValue(const DiffValue& v) {
    if (auto* n = std::get_if<int64_t>(&v)) return std::to_string(*n);
    if (auto* f = std::get_if<bool>(&v)) return Bool(*f);
    return Quoted(std::get<std::string>(v));
}

std::string Subject(const Difference& x) {
    std::string s = x.section;
    if (x.section == "definition" || x.section == "image") {
        s += ' ' + Quoted(x.name);
        if (x.occurrence > 1) s += " (occurrence " + std::to_string(x.occurrence) + ")";
    }
    return s;
}

}  // namespace

std::string RenderDiffText(const DrawingSummary& before, const DrawingSummary& after, const std::vector<Difference>& diffs) {
    std::string out = "--- " + before.file + "\n+++ " + after.file + "\n";
    if (diffs.empty()) return out + "no differences\n";
    for (const Difference& x : diffs) {
        out += Subject(x);
        if (x.field == "present")
            out += std::get<bool>(x.before) ? ": only in BEFORE\n" : ": only in AFTER\n";
        else
            out += ' ' + x.field + ": " + TextValue(x.before) + " -> " + TextValue(x.after) + "\n";
    }
    return out;
}

std::string RenderDiffJson(const DrawingSummary& before, const DrawingSummary& after, const std::vector<Difference>& diffs) {
    std::string out = "{\"before\":" + RenderJson(before) + ",\"after\":" + RenderJson(after) + ",\"differences\":[";
    for (size_t i = 0; i < diffs.size(); ++i) {
        const Difference& x = diffs[i];
        if (i) out += ',';
        out += "{\"section\":" + Quoted(x.section);
        if (x.section == "definition" || x.section == "image")
            out += ",\"name\":" + Quoted(x.name) + ",\"occurrence\":" + std::to_string(x.occurrence);
        out += ",\"field\":" + Quoted(x.field) + ",\"before\":" + JsonValue(x.before) + ",\"after\":" + JsonValue(x.after) + "}";
    }
    return out + "]}";
}

}  // namespace jwwinfo
