// Reading a file streams it through a window; the result must not depend on where the window's
// edges fall, nor on whether the drawing came from a file or from memory.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "JwwGen.h"
#include "JwwUnit.h"

namespace {

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, size_t length) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(length));
}

struct Outcome {
    bool loaded;
    std::string error;
    std::vector<uint8_t> written;
    bool operator==(const Outcome&) const = default;
};

Outcome FromMemory(const std::vector<uint8_t>& bytes, size_t length) {
    TJwwData d;
    Outcome o{d.LoadFromBuffer(bytes.data(), length), d.LastError, {}};
    if (o.loaded) d.SaveToBuffer(o.written, d.Enthd.jwVer);
    return o;
}

Outcome FromFile(const std::filesystem::path& path) {
    TJwwData d;
    Outcome o{d.FileIn(path), d.LastError, {}};
    if (o.loaded) d.SaveToBuffer(o.written, d.Enthd.jwVer);
    return o;
}

// Several windows long, with texts, names and dimensions everywhere, in both string forms.
TEST(Streaming, FileAndMemoryReadAlikeWholeAndCut) {
    ScratchFolder folder("jww-streaming");
    const std::filesystem::path path = folder.path() / "big.jww";
    for (bool utf16 : {false, true}) {
        SCOPED_TRACE(utf16 ? "UTF-16" : "Shift-JIS");
        GenOptions opt;
        opt.seed = 5;
        opt.version = 600;
        opt.utf16 = utf16;
        opt.japanese = true;
        opt.blocks = 30;
        opt.nestDepth = 3;
        opt.targetBytes = 9 << 20;
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(GenerateToBuffer(opt, bytes, error)) << error;

        std::vector<size_t> cuts = {bytes.size(), bytes.size() - 1, bytes.size() - 40};
        for (size_t edge : {size_t(4) << 20, size_t(8) << 20})
            for (size_t delta : {0, 1, 2, 3, 5, 7, 11, 13})
                if (edge + delta < bytes.size()) cuts.push_back(edge + delta), cuts.push_back(edge - delta);
        for (size_t cut : cuts) {
            SCOPED_TRACE("length " + std::to_string(cut));
            WriteBytes(path, bytes, cut);
            Outcome memory = FromMemory(bytes, cut);
            EXPECT_EQ(memory.loaded, cut == bytes.size());
            EXPECT_TRUE(FromFile(path) == memory);
        }
    }
}

// Image data longer than the window is copied into its working file whole.
TEST(Streaming, LargeImageReachesItsWorkingFile) {
    ScratchFolder folder("jww-streaming-image");
    GenOptions opt;
    opt.version = 700;
    opt.images = 2;
    opt.imageBytes = 6 << 20;
    opt.zeroExtentEvery = 0;
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(GenerateToBuffer(opt, bytes, error)) << error;
    const std::filesystem::path path = folder.path() / "images.jww";
    WriteBytes(path, bytes, bytes.size());
    std::filesystem::create_directory(folder.path() / "work");

    TJwwData d;
    d.BindImageExp = d.BindImageExr = true;
    d.BindImageFolder = folder.path() / "work";
    ASSERT_TRUE(d.FileIn(path)) << d.LastError;
    ASSERT_EQ(d.BindImageN, 2);
    std::vector<uint8_t> written;
    ASSERT_TRUE(d.SaveToBuffer(written, 700));
    EXPECT_EQ(written, bytes);  // every image is referred to, so the drawing comes back whole
    for (const TBindImageType& img : d.BindImage)
        EXPECT_EQ(std::filesystem::file_size(d.BindImageFolder / std::filesystem::path(img.Fname)), uint64_t(img.Fsize));
}

}  // namespace
