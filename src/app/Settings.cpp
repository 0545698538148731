#include "Settings.h"

#include <array>
#include <vector>

#include "CodePage.h"
#include "NumberParse.h"
#include "TextHelpers.h"

namespace {

constexpr std::array<std::u16string_view, 10> kTrueWords = {
    u"T", u"TR", u"TRU", u"TRUE", u"1",
    u"\uFF11",  // full-width digit one
    u"\u25CB",  // white circle
    u"ON",
    u"\u771F",  // 真
    u"\u6B63",  // 正
};

constexpr size_t kSettingLines = 15;

// Splits on LF before decoding, so that a broken double-byte sequence cannot swallow a line end.
// A line keeps no line end: one CR before the LF is dropped.
std::vector<std::u16string> SettingLines(std::string_view bytes) {
    std::vector<std::u16string> lines;
    while (lines.size() < kSettingLines && !bytes.empty()) {
        size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        bytes = lf == std::string_view::npos ? std::string_view{} : bytes.substr(lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(Cp932ToUtf16(line));
    }
    lines.resize(kSettingLines);
    return lines;
}

}  // namespace

TSettingFields DefaultSettings(std::u16string_view appPath) {
    TSettingFields f;
    f.lb2 = std::u16string(appPath);
    return f;
}

int32_t SettingInteger(std::u16string_view line) {
    return ParseInteger(line).value_or(0);
}

bool SettingBoolean(std::u16string_view line) {
    std::u16string upper = UpperCase(line);
    for (std::u16string_view word : kTrueWords)
        if (upper == word) return true;
    return false;
}

void ParseSettings(std::string_view bytes, TSettingFields& f) {
    std::vector<std::u16string> line = SettingLines(bytes);
    f.Fm1x = SettingInteger(line[0]);
    f.Fm1y = SettingInteger(line[1]);
    f.Fm1w = SettingInteger(line[2]);
    f.Fm1h = SettingInteger(line[3]);
    f.rb1 = SettingBoolean(line[4]);
    f.rb2 = SettingBoolean(line[5]);
    f.rb3 = SettingBoolean(line[6]);
    f.rb4 = SettingBoolean(line[7]);
    f.rb5 = SettingBoolean(line[8]);
    f.ed1 = line[9];
    f.lb1 = line[10];
    f.lb2 = line[11];
    f.Fidx = SettingInteger(line[12]);
    f.gstyle = line[13];
    f.cb2 = SettingInteger(line[14]);
}
