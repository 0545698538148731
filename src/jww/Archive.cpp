#include "Archive.h"

#include <algorithm>

#include "CodePage.h"
#include "ImageRefs.h"
#include "TextHelpers.h"

namespace {

// Byte form ends before its first NUL.
std::u16string DecodeBytes(const uint8_t* p, size_t n) {
    if (n == 0) return {};
    const void* nul = std::memchr(p, 0, n);
    if (nul) n = static_cast<const uint8_t*>(nul) - p;
    return Cp932ToUtf16(std::string_view(reinterpret_cast<const char*>(p), n));
}

}  // namespace

ByteReader::ByteReader(const uint8_t* data, size_t size)
    : size_(size), win_(data), cur_(data), end_(data + size) {}

ByteReader::ByteReader(uint64_t size, Source source, size_t window)
    : size_(size), source_(std::move(source)) {
    // No larger than the input needs: a fresh page costs a fault on first touch.
    capacity_ = size_t(std::clamp<uint64_t>(size, kMaxSpan, std::max(window, kMaxSpan)));
    buffer_.reset(new uint8_t[capacity_]);
    win_ = cur_ = end_ = buffer_.get();
}

void ByteReader::Refill() {
    if (!source_) return;
    size_t kept = size_t(end_ - cur_);
    uint8_t* base = buffer_.get();
    winStart_ = Position();
    std::memmove(base, cur_, kept);
    uint64_t from = winStart_ + kept;
    size_t want = size_t(std::min<uint64_t>(capacity_ - kept, size_ - from));
    size_t got = want ? source_(from, base + kept, want) : 0;
    if (got < want) size_ = from + got;  // the file is shorter than it was
    win_ = cur_ = base;
    end_ = base + kept + got;
}

void ByteReader::Seek(uint64_t pos) {
    pos = std::min(pos, size_);
    pastEnd_ = false;
    uint64_t windowLength = uint64_t(end_ - win_);
    if (pos >= winStart_ && pos - winStart_ <= windowLength) {
        cur_ = win_ + (pos - winStart_);
        return;
    }
    winStart_ = pos;  // only when streaming: the in-memory window covers the whole input
    win_ = cur_ = end_ = buffer_.get();
    Refill();
}

size_t ByteReader::ReadSlow(void* dst, size_t n) {
    uint8_t* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < n) {
        if (cur_ == end_) {
            Refill();
            if (cur_ == end_) break;
        }
        size_t take = std::min(n - done, size_t(end_ - cur_));
        std::memcpy(out + done, cur_, take);
        cur_ += take;
        done += take;
    }
    if (done < n) {
        std::memset(out + done, 0, n - done);
        pastEnd_ = true;
    }
    return done;
}

void ByteReader::Skip(uint64_t n) {
    if (n <= uint64_t(end_ - cur_)) {
        cur_ += n;
        return;
    }
    bool past = pastEnd_;
    if (n > remaining()) {
        past = true;
        n = remaining();
    }
    Seek(Position() + n);
    pastEnd_ = past;
}

const uint8_t* ByteReader::Span(size_t n, size_t& got) {
    if (size_t(end_ - cur_) < n) Refill();
    got = std::min(n, size_t(end_ - cur_));
    return cur_;
}

std::u16string ByteReader::StringIn() {
    size_t n = U8();
    if (n == 0xFF) {
        uint16_t w = U16();
        if (w == 0xFFFE) {
            if (mojiEncode) *mojiEncode = true;
            size_t units = U8();
            if (units == 0xFF) units = U16();
            std::u16string s;
            if (!skipStrings) {
                if (stringForms) ++stringForms[1];
                size_t got;
                const uint8_t* p = Span(units * 2, got);
                s.reserve(got / 2);
                for (size_t i = 0; i + 1 < got; i += 2) {
                    char16_t c = char16_t(p[i] | p[i + 1] << 8);
                    if (c == 0) break;
                    s.push_back(c);
                }
            }
            Skip(units * 2);
            return s;
        }
        n = w;
    }
    std::u16string s;
    if (!skipStrings) {
        if (stringForms) ++stringForms[0];
        size_t got;
        const uint8_t* p = Span(n, got);
        s = DecodeBytes(p, got);
    }
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
        size_t got;
        const uint8_t* bytes = r.Span(len, got);
        std::string_view name(reinterpret_cast<const char*>(bytes), got);
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
        U8(0xFF);  // marker FF FE FF
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
    if (buf_.size() >= kFlushAt) Flush();  // every object begins here
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

namespace {

// Most texts hold nothing that CleanOutText would change; they are written without a copy.
bool NeedsCleaning(std::u16string_view s) {
    for (char16_t c : s)
        if (c < u' ' || c == u'^' || c == u'\\') return true;
    return false;
}

}  // namespace

void ByteWriter::Str(const std::u16string& s) {
    if (NeedsCleaning(s)) StringOut(CleanOutText(s));
    else StringOut(s);
}

void ByteWriter::TextStr(const std::u16string& s) {
    if (!NeedsCleaning(s) && !(options & (kOptImageNoTemp | kOptImageNameOnly))) {
        StringOut(s);
        return;
    }
    std::u16string text = CleanOutText(s);
    if (options & (kOptImageNoTemp | kOptImageNameOnly)) text = RewriteImagePlacement(std::move(text), options);
    StringOut(text);
}
