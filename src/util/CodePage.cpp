// Code page 932 ⇄ UTF-16 through the system's converter, and UTF-16 ⇄ UTF-8 by hand.
// Every string of a drawing passes through here, so pure ASCII never reaches the converter.
#include "CodePage.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#endif

namespace {

constexpr char16_t kReplacement = 0xFFFD;
// What Windows yields for a double-byte sequence that code page 932 does not define.
constexpr char16_t kUndefinedDoubleByte = 0x30FB;
constexpr char kUnmappable = '?';

bool IsAscii(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80) return false;
    return true;
}

bool IsAscii(std::u16string_view text) {
    for (char16_t c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

#ifdef _WIN32

constexpr UINT kCodePage = 932;

std::u16string Cp932ToUtf16(std::string_view bytes) {
    if (IsAscii(bytes)) return std::u16string(bytes.begin(), bytes.end());
    const int inLen = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(kCodePage, 0, bytes.data(), inLen, nullptr, 0);
    std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0)
        MultiByteToWideChar(kCodePage, 0, bytes.data(), inLen,
                            reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

std::string Utf16ToCp932(std::u16string_view text) {
    if (IsAscii(text)) return std::string(text.begin(), text.end());
    const auto* in = reinterpret_cast<const wchar_t*>(text.data());
    const int inLen = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(kCodePage, 0, in, inLen, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(kCodePage, 0, in, inLen, out.data(), n, nullptr, nullptr);
    return out;
}

#else

namespace {

// One converter per direction and thread, opened on first use and kept for the process.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as far as possible; returns false with errno set where it stops.
    bool Run(const char*& in, size_t& inLeft, char*& out, size_t& outLeft) {
        return iconv(cd_, const_cast<char**>(&in), &inLeft, &out, &outLeft) != static_cast<size_t>(-1);
    }
    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_;
};

Converter& Decoder() {
    thread_local Converter c("UTF-16LE", "CP932");
    return c;
}

Converter& Encoder() {
    thread_local Converter c("CP932", "UTF-16LE");
    return c;
}

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Windows maps these single bytes to fixed characters; iconv rejects them.
char16_t SingleByteSubstitute(unsigned char c) {
    switch (c) {
    case 0x80: return 0x0080;
    case 0xA0: return 0xF8F0;
    case 0xFD: return 0xF8F1;
    case 0xFE: return 0xF8F2;
    case 0xFF: return 0xF8F3;
    default: return kReplacement;
    }
}

}  // namespace

std::u16string Cp932ToUtf16(std::string_view bytes) {
    if (IsAscii(bytes)) return std::u16string(bytes.begin(), bytes.end());

    // Every character of code page 932 is one or two bytes and one UTF-16 unit.
    std::u16string out(bytes.size(), u'\0');
    Converter& conv = Decoder();
    conv.Reset();
    const char* in = bytes.data();
    size_t inLeft = bytes.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size() * sizeof(char16_t);
    auto put = [&](char16_t c) {
        std::memcpy(outPtr, &c, sizeof c);
        outPtr += sizeof c;
        outLeft -= sizeof c;
    };
    while (inLeft > 0) {
        if (conv.Run(in, inLeft, outPtr, outLeft)) break;
        if (errno != EILSEQ && errno != EINVAL) break;  // E2BIG cannot happen: one unit per byte
        const auto c = static_cast<unsigned char>(in[0]);
        if (IsLeadByte(c) && inLeft >= 2 && IsTrailByte(static_cast<unsigned char>(in[1]))) {
            put(kUndefinedDoubleByte);
            in += 2;
            inLeft -= 2;
        } else {
            put(IsLeadByte(c) ? kUndefinedDoubleByte : SingleByteSubstitute(c));
            in += 1;
            inLeft -= 1;
        }
        conv.Reset();
    }
    out.resize(out.size() - outLeft / sizeof(char16_t));
    return out;
}

std::string Utf16ToCp932(std::u16string_view text) {
    if (IsAscii(text)) return std::string(text.begin(), text.end());

    // At most two bytes per UTF-16 unit.
    std::string out(text.size() * 2, '\0');
    Converter& conv = Encoder();
    conv.Reset();
    const char* in = reinterpret_cast<const char*>(text.data());
    size_t inLeft = text.size() * sizeof(char16_t);
    char* outPtr = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (conv.Run(in, inLeft, outPtr, outLeft)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        // One '?' per character: a whole surrogate pair, or a single unit otherwise.
        char16_t unit;
        std::memcpy(&unit, in, sizeof unit);
        size_t skip = sizeof(char16_t);
        if (unit >= 0xD800 && unit <= 0xDBFF && inLeft >= 2 * sizeof(char16_t)) {
            char16_t next;
            std::memcpy(&next, in + sizeof(char16_t), sizeof next);
            if (next >= 0xDC00 && next <= 0xDFFF) skip *= 2;
        }
        *outPtr++ = kUnmappable;
        --outLeft;
        in += skip;
        inLeft -= skip;
        conv.Reset();
    }
    out.resize(out.size() - outLeft);
    return out;
}

#endif

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            out += static_cast<char16_t>(b0);
            ++i;
            continue;
        }
        // Sequence length, smallest value it may encode, and the lead byte's payload.
        size_t len;
        char32_t min, c;
        if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; min = 0x80; c = b0 & 0x1F; }
        else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; min = 0x800; c = b0 & 0x0F; }
        else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; min = 0x10000; c = b0 & 0x07; }
        else { out += kReplacement; ++i; continue; }

        size_t k = 1;
        for (; k < len && i + k < text.size(); ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80) break;
            c = (c << 6) | (b & 0x3F);
        }
        // A broken sequence is replaced once and decoding resumes at the offending byte.
        if (k < len || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += kReplacement;
            i += k;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
    return out;
}
