#include "TextHelpers.h"

std::u16string DropControlChars(std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (char16_t c : s)
        if (c >= u' ') out.push_back(c);
    return out;
}

std::u16string StripBlanks(std::u16string_view s) {
    std::u16string out;
    for (char16_t c : s)
        if (c > u' ' && c != u'\u3000') out.push_back(c);
    return out;
}

std::u16string CleanOutText(std::u16string_view s) {
    if (s.empty()) return {};
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        if (i + 1 < s.size() && ((s[i] == u'^' && s[i + 1] == u'm') || (s[i] == u'\\' && s[i + 1] == u'n'))) {
            i += 2;
            continue;
        }
        if (s[i] >= u' ') out.push_back(s[i]);
        ++i;
    }
    if (out.empty()) out = u" ";
    return out;
}
