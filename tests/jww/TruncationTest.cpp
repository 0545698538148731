// Every prefix of small valid files: no read outside the buffer, and a load that succeeds
// exactly where the format allows the file to end. Hostile counts in tiny files fail fast.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "Files.h"
#include "JwwTestSupport.h"

using namespace jwwtest;

namespace {

struct Fixture {
    Bytes bytes;
    size_t blocksEnd;  // the file may end here (version 700: anywhere from here on)
};

// A drawing with every record kind, both string forms, a definition with a nested list and an
// extended time stamp, and for version 700 an image section.
Fixture SmallFile(int ver) {
    ByteBuilder b(ver);
    b.header(SampleHeader(ver));
    Dim dim;
    dim.att = {1, 2, 3};
    dim.text = Text{{0, 1, 1}, 1, 2, 3, 4, 0, 2, 2, 0, 0, u"F", u"12"};
    dim.sxf = 1;
    dim.t2 = Point{{0, 100, 1}, 1, 2, 0, 5, 0.5, 2};
    b.count(8);
    b.object(Line{{0, 1, 1}, 1, 2, 3, 4});
    b.object(Arc{{0, 1, 1}, 1, 2, 3, 4, 5, 6, 7, 1});
    b.object(Point{{0, 100, 1}, 1, 2, 0, 9, 0.5, 2});
    b.utf16 = true;
    b.object(Text{{0, 1, 1}, 1, 2, 3, 4, 0, 2, 2, 0, 0, u"\u3042", u"^@BM%temp%a.png,1"});
    b.utf16 = false;
    b.object(dim);
    b.object(Solid{{0, 1, 10}, {1, 2, 3, 4, 5, 6, 7, 8}, 0xFF00FF});
    b.object(Insert{{0, 1, 1}, 1, 2, 1, 1, 0, 3});
    b.object(Text{{0, 1, 1}, 1, 2, 3, 4, 0, 2, 2, 0, 0, u"", u"end"});
    BlockDef def{{0, 1, 1}, 3, 0, 0x80000001u, u"block", {Line{{0, 1, 1}, 5, 6, 7, 8}, Insert{{0, 1, 1}, 0, 0, 1, 1, 0, 4}}};
    BlockDef inner{{0, 1, 1}, 4, 0, 5, u"", {Point{{0, 1, 1}, 9, 9, 0}}};
    b.blocks({def, inner});
    Fixture f{{}, b.size()};
    if (ver >= 700) b.images({{u"a.png", 6, "PNGDAT"}, {u"b.gz", 3, "xyz"}, {u"", 0, ""}});
    f.bytes = std::move(b.bytes);
    return f;
}

void Sweep(const Fixture& f, bool withImages) {
    ASSERT_GT(f.blocksEnd, 12u);
    for (size_t n = 0; n <= f.bytes.size(); ++n) {
        TJwwData d;
        d.BindImageExr = withImages;
        bool ok = LoadExact(d, f.bytes.data(), n);
        bool shouldLoad = n == f.bytes.size() || (withImages && n >= f.blocksEnd);
        ASSERT_EQ(ok, shouldLoad) << "prefix of " << n << " bytes: " << d.LastError;
        if (ok) continue;
        if (n < 8) {
            ASSERT_EQ(d.LastError, "JWW-Header Error") << n;
        } else if (n < 12) {
            ASSERT_TRUE(d.LastError == "JWW-Version Error" || d.LastError == "File I/O Error") << n;
        } else {
            ASSERT_EQ(d.LastError, "File I/O Error") << n;
        }
    }
}

TEST(Truncation, EveryPrefixOfAVersion600File) { Sweep(SmallFile(600), false); }

TEST(Truncation, EveryPrefixOfAVersion350File) { Sweep(SmallFile(350), false); }

TEST(Truncation, EveryPrefixOfAVersion700FileWithImages) { Sweep(SmallFile(700), true); }

// A full load of the fixtures gives what was written.
TEST(Truncation, FixturesLoadWhole) {
    for (int ver : {350, 600, 700}) {
        TJwwData d;
        d.BindImageExr = true;
        Fixture f = SmallFile(ver);
        ASSERT_TRUE(LoadExact(d, f.bytes)) << d.LastError;
        EXPECT_EQ(d.Enthd.n1, 8);
        EXPECT_EQ(d.EntMojiN, 2);
        EXPECT_TRUE(d.EntMoji[0].str == u"^@BM%temp%a.png,1");
        EXPECT_TRUE(d.MojiEncode);
        EXPECT_EQ(d.EntBlockDefN, 2);
        EXPECT_EQ(d.EntBlockDef[0].dtime, 1u);
        EXPECT_EQ(d.EntBlockNum, 2);
        EXPECT_EQ(d.BindImageN, ver >= 700 ? 3 : 0);
    }
}

// Cut inside an image's data: the working file holds the bytes that were there.
TEST(Truncation, ImageCutShortKeepsItsBytes) {
    Fixture f = SmallFile(700);
    auto folder = std::filesystem::temp_directory_path() / ("jww-trunc-" + std::to_string(ProcessId()));
    std::filesystem::create_directories(folder);
    size_t cut = f.blocksEnd + 4 + 6 + 4 + 3;  // count, name "a.png", size, 3 of 6 data bytes
    TJwwData d;
    d.BindImageExp = true;
    d.BindImageFolder = folder;
    EXPECT_TRUE(LoadExact(d, f.bytes.data(), cut)) << d.LastError;
    ASSERT_GE(d.BindImageN, 1);
    EXPECT_TRUE(d.BindImage[0].Fname == u"a.png");
    EXPECT_EQ(d.BindImage[0].Fsize, 6);
    auto stored = ReadWholeFile(folder / "a.png");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(std::string(stored->begin(), stored->end()), "PNG");
    for (int i = 1; i < d.BindImageN; ++i) {
        EXPECT_TRUE(d.BindImage[size_t(i)].Fname.empty());
        EXPECT_EQ(d.BindImage[size_t(i)].Fsize, 0);
    }
    std::filesystem::remove_all(folder);
}

// ---- Hostile counts ----

struct HostileCase {
    const char* name;
    std::function<void(ByteBuilder&)> body;  // after the header
    bool loads;
};

const HostileCase kHostile[] = {
    {"2^31-1 entities", [](ByteBuilder& b) { b.u16(0xFFFF).i32(0x7FFFFFFF).fill(0, 64); }, false},
    {"negative entity count", [](ByteBuilder& b) { b.u16(0xFFFF).i32(INT32_MIN).fill(0, 64); }, false},
    {"2^31-1 definitions", [](ByteBuilder& b) { b.count(0).u16(0xFFFF).i32(0x7FFFFFFF).fill(0, 64); }, false},
    {"negative definition count", [](ByteBuilder& b) { b.count(0).u16(0xFFFF).i32(-1).fill(0, 64); }, false},
    {"2^31-1 nested objects",
     [](ByteBuilder& b) {
         b.count(0).count(1).declare("CDataList").attr({}).u32(0).u32(0).u32(0).sjis("B");
         b.u16(0xFFFF).i32(0x7FFFFFFF).fill(0, 64);
     },
     false},
    {"2^31-1 entities of tags that select nothing",
     [](ByteBuilder& b) {
         b.u16(0xFFFF).i32(0x7FFFFFFF);
         for (int i = 0; i < 2000; ++i) b.raw({0x00, 0x80});
     },
     false},
    {"class name longer than the file", [](ByteBuilder& b) { b.count(1).u16(0xFFFF).u16(700).u16(0xFFFE).raw("CDataSen"); }, false},
    {"string longer than the file",
     [](ByteBuilder& b) {
         b.count(1).declare("CDataMoji").textFixed(Text{}).raw({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}).raw("ab");
     },
     false},
    {"2^31-1 images", [](ByteBuilder& b) { b.count(0).count(0).i32(0x7FFFFFFF).sjis("a").i32(0x7FFFFFFF).raw("x"); }, true},
};

TEST(HostileCounts, FailFast) {
    for (const auto& c : kHostile) {
        SCOPED_TRACE(c.name);
        ByteBuilder b(700);
        b.header(SampleHeader(700));
        c.body(b);
        TJwwData d;
        d.BindImageExr = true;
        auto start = std::chrono::steady_clock::now();
        bool ok = LoadExact(d, b.bytes);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(ok, c.loads) << d.LastError;
        if (!c.loads) {
            EXPECT_EQ(d.LastError, "File I/O Error");
        }
        EXPECT_LT(seconds, 1.0);
    }
}

}  // namespace
