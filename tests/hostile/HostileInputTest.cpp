// A catalogue of hostile drawings: huge and negative counts in tiny files, overlong class
// names, references far out of range, exponential and cyclic block graphs, a gzip image that
// expands a thousandfold, image names that leave the working folder or name devices, and
// strings at the limits of both string forms. Each ends quickly, with little memory, and with
// the outcome the format and our own rules give.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <set>
#include <string>

#include "Files.h"
#include "JwwTestSupport.h"
#include "ZeroExtent.h"

using namespace jwwtest;
namespace fs = std::filesystem;

// ---- Peak memory: every allocation of the process is counted ----------------------------------

namespace {
std::atomic<size_t> gLive{0}, gPeak{0};
constexpr size_t kSizeSlot = 16;  // keeps the returned block aligned for any scalar

void* CountedAlloc(size_t n) {
    void* p = std::malloc(n + kSizeSlot);
    if (!p) throw std::bad_alloc();
    *static_cast<size_t*>(p) = n;
    size_t live = gLive += n;
    size_t peak = gPeak.load();
    while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {}
    return static_cast<char*>(p) + kSizeSlot;
}

void CountedFree(void* p) noexcept {
    if (!p) return;
    char* block = static_cast<char*>(p) - kSizeSlot;
    gLive -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}
}  // namespace

void* operator new(size_t n) { return CountedAlloc(n); }
void* operator new[](size_t n) { return CountedAlloc(n); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }

namespace {

// ---- Building blocks -------------------------------------------------------------------------

ByteBuilder Start(int ver = 700) {
    ByteBuilder b(ver);
    b.header(SampleHeader(ver));
    return b;
}

Text PlainText(std::u16string s) { return Text{{}, 0, 0, 10, 0, 0, 2, 2, 0, 0, u"", std::move(s)}; }

// A byte-form text record whose string has exactly n bytes of 'a'.
void TextOfBytes(ByteBuilder& b, size_t n) {
    b.tag("CDataMoji").textFixed(PlainText(u"")).sjis("").sjisLong(std::string(n, 'a')).objectDone();
}

// The gzip form of n zero bytes, compressed in pieces so that the n bytes never exist at once.
std::string GzipOfZeros(size_t n) {
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::string zeros(1 << 20, '\0'), out;
    char buf[1 << 16];
    size_t left = n;
    int flush;
    do {
        size_t piece = std::min(left, zeros.size());
        left -= piece;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        zs.next_in = reinterpret_cast<Bytef*>(zeros.data());
        zs.avail_in = uInt(piece);
        do {
            zs.next_out = reinterpret_cast<Bytef*>(buf);
            zs.avail_out = sizeof buf;
            deflate(&zs, flush);
            out.append(buf, sizeof buf - zs.avail_out);
        } while (zs.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&zs);
    return out;
}

// A folder for working files inside a parent of its own, so that a file escaping the working
// folder shows up in the parent.
struct WorkFolder {
    fs::path parent, work;
    WorkFolder() {
        static int n = 0;
        parent = fs::temp_directory_path() / ("jww-hostile-" + std::to_string(ProcessId()) + "-" + std::to_string(n++));
        work = parent / "work";
        fs::remove_all(parent);
        fs::create_directories(work);
    }
    ~WorkFolder() {
        std::error_code ec;
        fs::remove_all(parent, ec);
    }
    std::set<std::string> Tree() const {
        std::set<std::string> t;
        for (const auto& e : fs::recursive_directory_iterator(parent)) t.insert(e.path().lexically_relative(parent).generic_string());
        return t;
    }
};

bool Saves(TJwwData& d, int option, Bytes* out = nullptr) {
    d.SetFileOutOption(option);
    Bytes bytes;
    bool ok = d.SaveToBuffer(bytes, d.Enthd.jwVer);
    if (!ok) {
        EXPECT_TRUE(bytes.empty());
    }
    if (out) *out = std::move(bytes);
    return ok;
}

// Saves and loads the result again; returns the reloaded drawing's image count.
int32_t ReloadedImageCount(TJwwData& d, int option) {
    Bytes out;
    EXPECT_TRUE(Saves(d, option, &out)) << d.LastError;
    TJwwData again;
    again.BindImageExr = true;
    EXPECT_TRUE(LoadExact(again, out)) << again.LastError;
    return again.BindImageN;
}

// ---- The catalogue ---------------------------------------------------------------------------

struct Hostile {
    const char* name;
    std::function<Bytes()> file;
    bool loads;
    // Further checks on the drawing after the load; images go to `work` (BindImageExp).
    std::function<void(TJwwData&, const WorkFolder&)> then = nullptr;
    double seconds = 2;       // wall time allowed (load, explode, checks)
    size_t megabytes = 64;    // peak memory allowed beyond the file itself
};

Bytes ListOf(std::function<void(ByteBuilder&)> body, int ver = 700) {
    ByteBuilder b = Start(ver);
    body(b);
    return b.bytes;
}

const int32_t kMax = 0x7FFFFFFF;

// Definitions 0 … n−1 where definition i inserts definition i+1 `fanOut` times; the drawing
// inserts definition 0 `entries` times.
Bytes Chain(int n, int fanOut, int entries, bool closeRing = false) {
    Drawing d = EmptyDrawing(700);
    for (int e = 0; e < entries; ++e) d.list.push_back(Insert{{}, 1, 1, 1, 1, 0, 0});
    for (int i = 0; i < n; ++i) {
        BlockDef def{{}, uint32_t(i), 0, 0, u"b", {}};
        int next = i + 1 < n ? i + 1 : (closeRing ? 0 : -1);
        if (next >= 0)
            for (int k = 0; k < fanOut; ++k) def.list.push_back(Insert{{}, 1, 1, 1, 1, 0, uint32_t(next)});
        d.defs.push_back(std::move(def));
    }
    return BuildFile(d);
}

const Hostile kCatalogue[] = {
    // Counts of 2^31−1 and negative counts: the load fails as at the end of the file, before
    // anything of that size is allocated. The image section never fails a load.
    {"2^31-1 entities", [] { return ListOf([](ByteBuilder& b) { b.count(kMax).fill(0, 64); }); }, false},
    {"negative entity count", [] { return ListOf([](ByteBuilder& b) { b.count(-1).fill(0, 64); }); }, false},
    {"2^31-1 definitions", [] { return ListOf([](ByteBuilder& b) { b.count(0).count(kMax).fill(0, 64); }); }, false},
    {"negative definition count", [] { return ListOf([](ByteBuilder& b) { b.count(0).count(INT32_MIN).fill(0, 64); }); }, false},
    {"2^31-1 nested objects",
     [] {
         return ListOf([](ByteBuilder& b) {
             b.count(0).count(1).declare("CDataList").attr({}).u32(0).u32(0).u32(0).sjis("B").count(kMax).fill(0, 64);
         });
     },
     false},
    {"2^31-1 images with sizes of 2^31-1",
     [] { return ListOf([](ByteBuilder& b) { b.count(0).count(0).i32(kMax).sjis("a.png").i32(kMax).raw("PNG"); }); }, true,
     [](TJwwData& d, const WorkFolder& f) {
         EXPECT_EQ(d.BindImageN, 1);
         EXPECT_EQ(ReadWholeFile(f.work / "a.png").value_or(Bytes{}), Bytes({'P', 'N', 'G'}));
     }},
    {"negative image count", [] { return ListOf([](ByteBuilder& b) { b.count(0).count(0).i32(-5).sjis("a.png").i32(3).raw("PNG"); }); },
     true, [](TJwwData& d, const WorkFolder&) { EXPECT_EQ(d.BindImageN, 0); }},
    {"negative image size takes no data",
     [] {
         return ListOf([](ByteBuilder& b) { b.count(0).count(0).i32(2).sjis("a.png").i32(INT32_MIN).sjis("b.png").i32(1).raw("B"); });
     },
     true,
     [](TJwwData& d, const WorkFolder& f) {
         ASSERT_EQ(d.BindImageN, 2);
         EXPECT_TRUE(d.BindImage[1].Fname == u"b.png");
         EXPECT_EQ(ReadWholeFile(f.work / "a.png").value_or(Bytes{'x'}), Bytes{});
         EXPECT_EQ(ReadWholeFile(f.work / "b.png").value_or(Bytes{}), Bytes{'B'});
     }},

    // Declared class names: 2047 bytes is the longest kept, longer ones are consumed whole. In
    // an entity list no such name is a class; in front of a definition any name is accepted.
    {"entity class name of 2047 bytes", [] { return ListOf([](ByteBuilder& b) { b.count(1).declare(std::string(2047, 'C')).fill(0, 64); }); }, false},
    {"entity class name of 2048 bytes", [] { return ListOf([](ByteBuilder& b) { b.count(1).declare(std::string(2048, 'C')).fill(0, 64); }); }, false},
    {"entity class name of 65535 bytes starting with a known name",
     [] { return ListOf([](ByteBuilder& b) { b.count(1).declare("CDataSen" + std::string(65527, 'x')).fill(0, 64); }); }, false},
    {"entity class name longer than the file",
     [] { return ListOf([](ByteBuilder& b) { b.count(1).u16(0xFFFF).u16(700).u16(0xFFFE).raw("CDataSen"); }); }, false},
    {"definition class name of 4000 bytes",
     [] {
         return ListOf([](ByteBuilder& b) {
             b.list({Insert{{}, 0, 0, 1, 1, 0, 7}});
             b.count(1).declare(std::string(4000, 'L')).attr({}).u32(7).u32(0).u32(0).sjis("named").count(1);
             b.objectDone().object(Line{{}, 1, 2, 3, 4});
             b.images({});
         });
     },
     true,
     [](TJwwData& d, const WorkFolder&) {
         ASSERT_EQ(d.EntBlockDefN, 1);
         EXPECT_TRUE(d.EntBlockDef[0].strName == u"named");
         EXPECT_EQ(d.EntBlockDef[0].mLineN, 1);
         EXPECT_EQ(d.EntBlockNum, 1);
     }},

    // References far out of range select nothing; block numbers that no definition has are
    // written as 0.
    {"class references to 2^31-1, 0 and an undeclared index",
     [] {
         return ListOf([](ByteBuilder& b) {
             b.count(1).u16(0x7FFF).u32(0xFFFFFFFF).u16(0x7FFF).u32(5).raw({0x00, 0x80, 0xFF, 0xFE});
             b.object(Line{{}, 1, 2, 3, 4}).count(0).images({});
         });
     },
     true, [](TJwwData& d, const WorkFolder&) { EXPECT_EQ(d.EntLineN, 1); }},
    {"insertion of block number 2^32-1",
     [] {
         Drawing d = EmptyDrawing(700);
         d.list = {Insert{{}, 0, 0, 1, 1, 0, 0xFFFFFFFF}};
         d.defs = {BlockDef{{}, 5, 0, 0, u"x", {}}};
         return BuildFile(d);
     },
     true,
     [](TJwwData& d, const WorkFolder&) {
         EXPECT_EQ(d.EntBlockNum, 0);
         EXPECT_EQ(d.ChangeBlockNo(0xFFFFFFFF), 0u);
     }},

    // Block graphs: the tree stays small, and every reachable definition is used.
    {"2^40 paths through 40 definitions", [] { return Chain(40, 2, 1); }, true,
     [](TJwwData& d, const WorkFolder&) {
         EXPECT_EQ(d.EntBlockNum, 40);
         EXPECT_LT(d.EntBlockTreeN, 1 << 20);
         EXPECT_EQ(ReloadedImageCount(d, 0), 0);
     }},
    {"ring of 3 definitions and a definition inserting itself",
     [] {
         Drawing d = EmptyDrawing(700);
         d.list = {Insert{{}, 0, 0, 1, 1, 0, 1}, Insert{{}, 0, 0, 1, 1, 0, 9}};
         d.defs = {BlockDef{{}, 1, 0, 0, u"a", {Insert{{}, 0, 0, 1, 1, 0, 2}}},
                   BlockDef{{}, 2, 0, 0, u"b", {Insert{{}, 0, 0, 1, 1, 0, 3}}},
                   BlockDef{{}, 3, 0, 0, u"c", {Insert{{}, 0, 0, 1, 1, 0, 1}}},
                   BlockDef{{}, 9, 0, 0, u"self", {Insert{{}, 0, 0, 1, 1, 0, 9}, Insert{{}, 0, 0, 1, 1, 0, 9}}}};
         return BuildFile(d);
     },
     true,
     [](TJwwData& d, const WorkFolder&) {
         EXPECT_EQ(d.EntBlockNum, 4);
         EXPECT_EQ(d.ChangeBlockNo(9), 3u);
         EXPECT_EQ(ReloadedImageCount(d, 0), 0);
     }},
    {"chain of 20000 definitions entered 4 times", [] { return Chain(20000, 1, 4); }, true,
     [](TJwwData& d, const WorkFolder&) { EXPECT_EQ(d.EntBlockNum, 20000); }},
    {"ring of 20000 definitions entered 4 times", [] { return Chain(20000, 1, 4, true); }, true,
     [](TJwwData& d, const WorkFolder&) { EXPECT_EQ(d.EntBlockNum, 20000); }},

    // Images: the decompressed copy stops at its cap and is deleted; the stored file is kept
    // and written back.
    {"gzip image expanding a thousandfold past the cap",
     [] {
         return ListOf([](ByteBuilder& b) {
             b.list({PlainText(u"^@BM%temp%bomb.bmp,1")}).count(0);
             std::string gz = GzipOfZeros(300u << 20);
             b.images({{u"bomb.bmp.gz", int32_t(gz.size()), gz}});
         });
     },
     true,
     [](TJwwData& d, const WorkFolder& f) {
         d.BindImageExplode();
         EXPECT_TRUE(FileExists(f.work / "bomb.bmp.gz"));
         EXPECT_FALSE(FileExists(f.work / "bomb.bmp"));
         EXPECT_EQ(ReloadedImageCount(d, 0), 1);
     },
     60},
    {"gzip image expanding a thousandfold within the cap",
     [] {
         return ListOf([](ByteBuilder& b) {
             b.count(0).count(0);
             std::string gz = GzipOfZeros(4u << 20);
             b.images({{u"small.bmp.gz", int32_t(gz.size()), gz}});
         });
     },
     true,
     [](TJwwData& d, const WorkFolder& f) {
         d.BindImageExplode();
         std::error_code ec;
         EXPECT_EQ(fs::file_size(f.work / "small.bmp", ec), 4u << 20);
     },
     10},
    {"image names leaving the working folder or naming devices",
     [] {
         const char* names[] = {"../up.png", "..\\up.png", "sub/x.png", "/abs.png", "C:drive.png", "..", "...",
                                "CON",       "con.png",   "NUL.gz",    "Com1.txt", "LPT9",        "aux .png", "a?b.png",
                                "ok.png"};
         return ListOf([&](ByteBuilder& b) {
             std::vector<Entity> texts;
             for (const char* n : names) texts.push_back(PlainText(u"^@BM%temp%" + Ascii16(n) + u",1"));
             b.list(texts).count(0);
             std::vector<Image> images;
             for (const char* n : names) images.push_back({Ascii16(n), 3, "abc"});
             b.images(images);
         });
     },
     true,
     [](TJwwData& d, const WorkFolder& f) {
         d.BindImageExplode();
         EXPECT_EQ(d.BindImageN, 15);
         // Only the safe name has a working file, and nothing appeared outside the folder.
         EXPECT_EQ(f.Tree(), (std::set<std::string>{"work", "work/ok.png"}));
         EXPECT_EQ(ReloadedImageCount(d, 0), 1);
         d.BindImageDeleteGzFile();
         d.BindImageDeleteNonGzFile();
         EXPECT_EQ(f.Tree(), std::set<std::string>{"work"});
     }},

    // Strings at the limits: byte form carries at most 65533 bytes (65534 would read as the
    // UTF-16 marker), UTF-16 form at most 65535 units; a longer string fails the whole write.
    {"text of 65533 bytes", [] { return ListOf([](ByteBuilder& b) { b.count(1); TextOfBytes(b, 65533); b.count(0).images({}); }); }, true,
     [](TJwwData& d, const WorkFolder&) {
         EXPECT_EQ(d.EntMoji[0].str.size(), 65533u);
         EXPECT_TRUE(Saves(d, 0));
         EXPECT_TRUE(Saves(d, kOptUtf16));
         d.EntMoji[0].str += u'b';  // 65534 bytes
         EXPECT_FALSE(Saves(d, 0));
         EXPECT_TRUE(Saves(d, kOptUtf16));
     }},
    {"byte-form length 65534 reads as the UTF-16 marker",
     [] { return ListOf([](ByteBuilder& b) { b.count(1); TextOfBytes(b, 65534); b.count(0).images({}); }); }, false},
    {"text of 65535 bytes", [] { return ListOf([](ByteBuilder& b) { b.count(1); TextOfBytes(b, 65535); b.count(0).images({}); }); }, true,
     [](TJwwData& d, const WorkFolder&) {
         EXPECT_EQ(d.EntMoji[0].str.size(), 65535u);
         EXPECT_FALSE(Saves(d, 0));
         EXPECT_TRUE(Saves(d, kOptUtf16));
     }},
    {"text of 65535 UTF-16 units",
     [] {
         return ListOf([](ByteBuilder& b) {
             b.utf16 = true;
             b.list({PlainText(std::u16string(65535, u'\u65E5'))}).count(0).images({});
         });
     },
     true,
     [](TJwwData& d, const WorkFolder&) {
         EXPECT_TRUE(d.MojiEncode);
         EXPECT_EQ(d.EntMoji[0].str.size(), 65535u);
         EXPECT_FALSE(Saves(d, 0));  // 131070 bytes in code page 932
         EXPECT_TRUE(Saves(d, kOptUtf16));
         d.EntMoji[0].str += u'x';  // 65536 units
         EXPECT_FALSE(Saves(d, kOptUtf16));
     }},
};

TEST(HostileInput, Catalogue) {
    for (const Hostile& c : kCatalogue) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.file();
        WorkFolder folder;
        size_t base = gLive.load();
        gPeak = base;
        auto start = std::chrono::steady_clock::now();
        {
            TJwwData d;
            d.BindImageExp = d.BindImageExr = true;
            d.BindImageFolder = folder.work / "";
            bool ok = LoadExact(d, bytes);
            EXPECT_EQ(ok, c.loads) << d.LastError;
            if (!ok) {
                EXPECT_EQ(d.LastError, "File I/O Error");
            }
            RemoveZeroExtentTexts(d);
            if (c.then) c.then(d, folder);
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        size_t peak = (gPeak.load() - base) >> 20;
        EXPECT_LT(seconds, c.seconds);
        // The copy that LoadExact makes counts once more than the file.
        EXPECT_LT(peak, c.megabytes + (bytes.size() >> 20) + 1) << "peak MiB";
        std::printf("  %-62s %6.2f s %5zu MiB\n", c.name, seconds, peak);
    }
}

}  // namespace
