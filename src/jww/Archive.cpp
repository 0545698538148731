#include "Archive.h"

#include "CodePage.h"
#include "ImageRefs.h"
#include "TextHelpers.h"

namespace {

// Byte form ends before its first NUL.
std::u16string DecodeBytes(const uint8_t* p, size_t n) {
    const void* nul = std::memchr(p, 0, n);
    if (nul) n = static_cast<const uint8_t*>(nul) - p;
    return Cp932ToUtf16(std::string_view(reinterpret_cast<const char*>(p), n));
}

}  // namespace

std::u16string ByteReader::StringIn() {
    size_t n = U8();
    if (n == 0xFF) {
        uint16_t w = U16();
        if (w == 0xFFFE) {
            if (mojiEncode) *mojiEncode = true;
            size_t units = U8();
            if (units == 0xFF) units = U16();
            size_t bytes = units * 2;
            if (bytes > remaining()) {
                pastEnd_ = true;
                bytes = remaining() & ~size_t(1);
            }
            std::u16string s;
            s.reserve(bytes / 2);
            const uint8_t* p = Here();
            for (size_t i = 0; i < bytes; i += 2) {
                char16_t c = char16_t(p[i] | p[i + 1] << 8);
                if (c == 0) break;
                s.push_back(c);
            }
            Skip(units * 2);
            return s;
        }
        n = w;
    }
    size_t got = n <= remaining() ? n : remaining();
    std::u16string s = DecodeBytes(Here(), got);
    Skip(n);
    return s;
}

std::u16string ByteReader::StringInClean() {
    std::u16string s = StringIn();
    for (char16_t c : s)
        if (c < u' ') return DropControlChars(s);
    return s;
}

int32_t ByteReader::CountIn() {
    uint16_t w = U16();
    if (w == 0xFFFF) return I32();
    return w;
}

TEntJwwAttr ByteReader::AttrIn() {
    TEntJwwAttr a;
    a.lGroup = U32();
    a.nPenStyle = U8();
    a.nPenColor = U16();
    if (version >= kPenWidthSince) a.nPenWidth = U16();
    a.nLayer = U16();
    a.nGLayer = U16();
    a.sFlg = U16();
    return a;
}

int ClassTagIn(ByteReader& r, ClassTable& classes, bool entityList) {
    uint16_t tag = r.U16();
    if (tag == 0xFFFF) {
        r.U16();  // schema
        size_t len = r.U16();
        size_t got = len <= r.remaining() ? len : r.remaining();
        std::string_view name(reinterpret_cast<const char*>(r.Here()), got);
        r.Skip(len);
        size_t nul = name.find('\0');
        if (nul != std::string_view::npos) name = name.substr(0, nul);
        int klass = 0;
        if (entityList) {
            for (int k = 1; k <= 7 && len <= kMaxClassName; ++k)
                if (name == kClassNames[k]) klass = k;
            if (klass == 0) FailIo();
        } else {
            klass = 8;
        }
        classes.index[klass] = classes.running++;
        return klass;
    }
    int64_t index;
    if (tag == 0x7FFF) {
        uint32_t d = r.U32();
        index = d >= 0x80000000u ? int64_t(d) - 0x80000000LL : int64_t(d);
    } else {
        index = int64_t(tag) - 0x8000;
    }
    for (int k = 1; k <= 8; ++k)
        if (classes.index[k] != 0 && classes.index[k] == index) return k;
    return 0;
}

void ByteWriter::StringOut(std::u16string_view s) {
    if (options & kOptUtf16) {
        if (s.size() > 65535) FailIo();  // the format cannot carry it
        Fill(0xFF, 1);
        U8(0xFE);
        U8(0xFF);
        size_t n = s.size();
        if (n <= 254) {
            U8(uint8_t(n));
        } else {
            U8(0xFF);
            U16(uint16_t(n));
        }
        size_t at = buf_.size();
        buf_.resize(at + 2 * n);
        for (size_t i = 0; i < n; ++i) {
            buf_[at + 2 * i] = uint8_t(s[i]);
            buf_[at + 2 * i + 1] = uint8_t(s[i] >> 8);
        }
    } else {
        std::string bytes = Utf16ToCp932(s);
        size_t n = bytes.find('\0');
        if (n == std::string::npos) n = bytes.size();
        if (n > 65533) FailIo();  // 65534 would read back as the UTF-16 marker
        if (n <= 254) {
            U8(uint8_t(n));
        } else {
            U8(0xFF);
            U16(uint16_t(n));
        }
        buf_.insert(buf_.end(), bytes.begin(), bytes.begin() + n);
    }
    if (buf_.size() >= kFlushAt) Flush();
}

void ByteWriter::CountOut(int32_t n) {
    if (n >= 0 && n < 65535) {
        U16(uint16_t(n));
    } else {
        U16(0xFFFF);
        I32(n);
    }
}

void ByteWriter::ClassRefOut(int64_t index) {
    if (index < 0x7FFF) {
        U16(uint16_t(0x8000 + index));
    } else {
        U16(0x7FFF);
        U32(uint32_t(0x80000000u + uint32_t(index)));
    }
}

void ByteWriter::ClassTagOut(ClassTable& classes, int klass) {
    if (classes.index[klass] == 0) {
        U16(0xFFFF);
        U16(uint16_t(version));
        size_t len = std::strlen(kClassNames[klass]);
        U16(uint16_t(len));
        Bytes(kClassNames[klass], len);
        classes.index[klass] = classes.running++;
    } else {
        ClassRefOut(classes.index[klass]);
    }
}

void ByteWriter::Str(const std::u16string& s) { StringOut(CleanOutText(s)); }

void ByteWriter::TextStr(const std::u16string& s) {
    std::u16string text = CleanOutText(s);
    if (options & (kOptImageNoTemp | kOptImageNameOnly)) text = RewriteImagePlacement(std::move(text), options);
    StringOut(text);
}
