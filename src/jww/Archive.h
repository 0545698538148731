// Byte-level reading and writing of the drawing archive: scalars, strings, counts, class tags
// and the attribute block. ByteReader and ByteWriter offer the same field operations, so that
// one field list per record serves both directions.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Versions.h"
#include "jwwtype.h"

inline constexpr const char* kMsgHeader = "JWW-Header Error";
inline constexpr const char* kMsgVersion = "JWW-Version Error";
inline constexpr const char* kMsgIo = "File I/O Error";

// A malformed file or a failed write; carries the format's own message.
class JwwIoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void FailIo(const char* message = kMsgIo) { throw JwwIoError(message); }

// Class numbering shared by the entity list and the block section of one read or write.
// Index 0 means "not declared yet"; slot 8 is the block-definition class.
struct ClassTable {
    int64_t running = 1;
    std::array<int64_t, 9> index{};
};

inline constexpr const char* kClassNames[9] = {
    "", "CDataSen", "CDataEnko", "CDataTen", "CDataMoji", "CDataSunpou", "CDataSolid", "CDataBlock", "CDataList",
};

// Longest declared class name kept; longer names are consumed whole.
inline constexpr size_t kMaxClassName = 2047;

// Reads the archive from memory or streams it from a file through a window. Reads past the
// end deliver zeros and set a sticky flag; the position never passes the end.
class ByteReader {
public:
    static constexpr bool kReading = true;
    // Reads up to n bytes at an offset of the input; fewer only at its end.
    using Source = std::function<size_t(uint64_t offset, uint8_t* dst, size_t n)>;
    // Longest run of bytes that Span can make contiguous.
    static constexpr size_t kMaxSpan = 1 << 17;  // a UTF-16 string of 65535 units fits

    ByteReader(const uint8_t* data, size_t size);
    ByteReader(uint64_t size, Source source, size_t window = 4 << 20);

    int32_t version = 0;          // layout of the records read
    bool* mojiEncode = nullptr;   // set when a UTF-16 string is met
    int64_t* stringForms = nullptr;  // [0] strings read in byte form, [1] in UTF-16 form
    bool skipStrings = false;     // strings are consumed without being decoded

    uint64_t Position() const { return winStart_ + uint64_t(cur_ - win_); }
    uint64_t remaining() const { return size_ - Position(); }
    bool atEnd() const { return Position() == size_; }
    bool pastEnd() const { return pastEnd_; }  // sticky: some read wanted bytes that were not there

    // Moves to an earlier or later position and clears the end flag; for reading a list twice.
    void Seek(uint64_t pos);

    // Copies n bytes; what lies beyond the end reads as zeros. Returns the bytes delivered.
    size_t Read(void* dst, size_t n) {
        if (n <= size_t(end_ - cur_)) {
            std::memcpy(dst, cur_, n);
            cur_ += n;
            return n;
        }
        return ReadSlow(dst, n);
    }
    void Skip(uint64_t n);
    // Up to n bytes (n <= kMaxSpan) at the position, contiguous, without moving; got tells how
    // many the input still has.
    const uint8_t* Span(size_t n, size_t& got);

    uint8_t U8() { uint8_t v; Read(&v, 1); return v; }
    uint16_t U16() { uint8_t b[2]; Read(b, 2); return uint16_t(b[0] | b[1] << 8); }
    uint32_t U32() { uint8_t b[4]; Read(b, 4); return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; }
    int32_t I32() { return int32_t(U32()); }
    double F64() {
        uint8_t b[8];
        Read(b, 8);
        uint64_t u = 0;
        for (int i = 7; i >= 0; --i) u = u << 8 | b[i];
        double d;
        std::memcpy(&d, &u, 8);
        return d;
    }

    std::u16string StringIn();
    std::u16string StringInClean();
    int32_t CountIn();
    TEntJwwAttr AttrIn();

    // Field-list operations.
    void operator()(uint8_t& v) { v = U8(); }
    void operator()(uint16_t& v) { v = U16(); }
    void operator()(int32_t& v) { v = I32(); }
    void operator()(uint32_t& v) { v = U32(); }
    void operator()(double& v) { v = F64(); }
    template <class A, class B, class... Rest>
    void operator()(A& a, B& b, Rest&... rest) {
        (*this)(a);
        (*this)(b, rest...);
    }
    void Attr(TEntJwwAttr& a, int32_t /*typeCode*/) { a = AttrIn(); }
    void Str(std::u16string& s) { s = StringInClean(); }
    void TextStr(std::u16string& s) { s = StringInClean(); }
    void Size(double& v) { v = F64(); }  // repaired by the caller
    // True when the record's fixed part has at least one byte; a record without is missing.
    bool BeginFixed() const { return !atEnd(); }

private:
    size_t ReadSlow(void* dst, size_t n);
    void Refill();  // keeps the unread bytes and fills the rest of the window

    uint64_t size_;
    Source source_;
    std::unique_ptr<uint8_t[]> buffer_;  // the window when streaming, left uninitialised
    size_t capacity_ = 0;
    const uint8_t* win_;           // window start, at input offset winStart_
    const uint8_t* cur_;
    const uint8_t* end_;
    uint64_t winStart_ = 0;
    bool pastEnd_ = false;
};

// Writes into a buffer that is handed to a sink whenever it grows past a threshold.
class ByteWriter {
public:
    static constexpr bool kReading = false;
    using Sink = std::function<void(const uint8_t*, size_t)>;

    explicit ByteWriter(Sink sink) : sink_(std::move(sink)) { buf_.reserve(kFlushAt + 4096); }

    int32_t version = 0;            // target version
    int32_t readVersion = 0;        // version the drawing was read from
    int32_t options = 0;            // FileOutOpt
    uint8_t fallbackPenStyle = 1;
    uint16_t fallbackPenColor = 1;

    void Bytes(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        buf_.insert(buf_.end(), b, b + n);
        if (buf_.size() >= kFlushAt) Flush();
    }
    void Fill(uint8_t byte, size_t n) { buf_.insert(buf_.end(), n, byte); }
    void U8(uint8_t v) { buf_.push_back(v); }
    void U16(uint16_t v) {
        buf_.push_back(uint8_t(v));
        buf_.push_back(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) buf_.push_back(uint8_t(v >> (8 * i)));
    }
    void I32(int32_t v) { U32(uint32_t(v)); }
    void F64(double d) {
        uint64_t u;
        std::memcpy(&u, &d, 8);
        for (int i = 0; i < 8; ++i) buf_.push_back(uint8_t(u >> (8 * i)));
    }
    void Flush() {
        if (!buf_.empty()) sink_(buf_.data(), buf_.size());
        buf_.clear();
    }

    void StringOut(std::u16string_view s);
    void CountOut(int32_t n);
    void ClassRefOut(int64_t index);
    void ClassTagOut(ClassTable& classes, int klass);
    void AttrOut(const TEntJwwAttr& a, int32_t typeCode);

    // Field-list operations.
    void operator()(const uint8_t& v) { U8(v); }
    void operator()(const uint16_t& v) { U16(v); }
    void operator()(const int32_t& v) { I32(v); }
    void operator()(const uint32_t& v) { U32(v); }
    void operator()(const double& v) { F64(v); }
    template <class A, class B, class... Rest>
    void operator()(const A& a, const B& b, const Rest&... rest) {
        (*this)(a);
        (*this)(b, rest...);
    }
    void Attr(const TEntJwwAttr& a, int32_t typeCode) { AttrOut(a, typeCode); }
    void Str(const std::u16string& s);
    void TextStr(const std::u16string& s);
    // Text sizes are written as their absolute value within [1e-10, 1e10].
    void Size(const double& v) { F64(ClampedSize(v)); }
    bool BeginFixed() const { return true; }

    static double ClampedSize(double v) {
        double a = std::fabs(v);
        if (a < 1e-10) return 1e-10;
        if (a > 1e10) return 1e10;
        return a;
    }

private:
    static constexpr size_t kFlushAt = 1 << 20;
    Sink sink_;
    std::vector<uint8_t> buf_;
};

// Reads an object tag. Returns the selected class (1–8) or 0 when the tag selects nothing.
// In an entity list (entityList true) a declared name must be one of the seven entity
// classes; in front of a block definition any declaration declares the definition class.
int ClassTagIn(ByteReader& r, ClassTable& classes, bool entityList);
