// Upper- and lower-casing of UTF-16 text, one unit at a time; surrogates are left alone.
#include "TextHelpers.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <clocale>
#include <cwctype>
#include <locale.h>
#endif

#ifdef _WIN32

namespace {

// The user locale's linguistic rules, as the settings' Boolean words are written in it.
std::u16string MapCase(std::u16string_view s, DWORD flag) {
    if (s.empty()) return {};
    const auto* in = reinterpret_cast<const wchar_t*>(s.data());
    const int inLen = static_cast<int>(s.size());
    const DWORD flags = flag | LCMAP_LINGUISTIC_CASING;
    const int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, in, inLen, nullptr, 0, nullptr,
                                nullptr, 0);
    if (n <= 0) return std::u16string(s);
    std::u16string out(static_cast<size_t>(n), u'\0');
    LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, in, inLen,
                  reinterpret_cast<wchar_t*>(out.data()), n, nullptr, nullptr, 0);
    return out;
}

}  // namespace

std::u16string UpperCase(std::u16string_view s) { return MapCase(s, LCMAP_UPPERCASE); }
std::u16string LowerCase(std::u16string_view s) { return MapCase(s, LCMAP_LOWERCASE); }

#else

namespace {

// Unicode case tables of the C.UTF-8 locale, independent of the process's own locale.
locale_t CaseLocale() {
    static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return loc;
}

// Used when C.UTF-8 is not installed: ASCII and full-width Latin letters.
char16_t SimpleUpper(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xFF41 && c <= 0xFF5A)) return c - 0x20;
    return c;
}

char16_t SimpleLower(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xFF21 && c <= 0xFF3A)) return c + 0x20;
    return c;
}

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

template <class Simple>
std::u16string MapCase(std::u16string_view s, wint_t (*mapL)(wint_t, locale_t), Simple simple) {
    std::u16string out(s);
    const locale_t loc = CaseLocale();
    for (char16_t& c : out) {
        if (c < 0x80 || !loc) {
            c = simple(c);
        } else if (!IsSurrogate(c)) {
            const auto m = static_cast<char32_t>(mapL(c, loc));
            // A mapping that leaves the single unit is not applied.
            if (m <= 0xFFFF && !IsSurrogate(m)) c = static_cast<char16_t>(m);
        }
    }
    return out;
}

}  // namespace

std::u16string UpperCase(std::u16string_view s) { return MapCase(s, towupper_l, SimpleUpper); }
std::u16string LowerCase(std::u16string_view s) { return MapCase(s, towlower_l, SimpleLower); }

#endif
