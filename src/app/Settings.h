// The launching program's settings file "Oskavel.dat": fifteen values, one per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Only cb2 affects a run; the other values belong to the launching program and are kept as read.
struct TSettingFields {
    int32_t Fm1x = 50;
    int32_t Fm1y = 50;
    int32_t Fm1w = 480;
    int32_t Fm1h = 480;
    bool rb1 = true;
    bool rb2 = false;
    bool rb3 = false;
    bool rb4 = false;
    bool rb5 = false;
    std::u16string ed1;
    std::u16string lb1;
    std::u16string lb2;  // the executable's folder when the file is missing
    int32_t Fidx = 1;
    std::u16string gstyle = u"Windows";
    int32_t cb2 = 0;  // output strings: 1 Shift-JIS, 2 UTF-16, else the input's form
};

// Values used when there is no settings file.
TSettingFields DefaultSettings(std::u16string_view appPath);

// Reads the fifteen lines of a settings file's bytes (code page 932) into `fields`.
// Missing lines read as empty, so their fields become 0, false or empty; extra lines are ignored.
void ParseSettings(std::string_view bytes, TSettingFields& fields);

// Integer line: the whole line must parse, else 0.
int32_t SettingInteger(std::u16string_view line);

// Boolean line: true for T, TR, TRU, TRUE, 1, ON and a few full-width and kanji forms, in any
// letter case; no trimming.
bool SettingBoolean(std::u16string_view line);
