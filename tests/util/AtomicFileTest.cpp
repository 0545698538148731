#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "AtomicFile.h"
#include "TempFolder.h"

namespace {

std::string ReadText(const FilePath& path) {
    const auto bytes = ReadWholeFile(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
}

size_t EntryCount(const FilePath& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

void Write(AtomicFile& f, const std::string& s) { f.Write(s.data(), s.size()); }

TEST(AtomicFile, CommitCreatesOrReplacesTheTarget) {
    TempFolder tmp;
    const FilePath target = tmp / u"出力 file.jww";
    for (const std::string content : {"first", "second, longer content", ""}) {
        AtomicFile f(target);
        EXPECT_EQ(f.TemporaryPath().parent_path(), target.parent_path());
        Write(f, content);
        f.Commit();
        EXPECT_EQ(ReadText(target), content);
        EXPECT_EQ(EntryCount(tmp.path()), 1u);
    }
}

TEST(AtomicFile, DataLargerThanTheBufferArrivesWhole) {
    TempFolder tmp;
    std::string data;
    for (int i = 0; data.size() < 3'500'000; ++i) data += std::to_string(i) + ',';
    {
        AtomicFile f(tmp / u"big");
        // Pieces of varied size cross the buffer boundary at different offsets.
        size_t pos = 0;
        for (size_t piece = 1; pos < data.size(); piece = piece * 3 + 1) {
            const size_t n = std::min(piece % 1'500'000 + 1, data.size() - pos);
            f.Write(data.data() + pos, n);
            pos += n;
        }
        f.Commit();
    }
    EXPECT_EQ(ReadText(tmp / u"big"), data);
}

TEST(AtomicFile, WithoutCommitNothingIsLeft) {
    TempFolder tmp;
    const FilePath target = tmp / u"out.jww";
    std::ofstream(target) << "old";
    {
        AtomicFile f(target);
        EXPECT_TRUE(FileExists(f.TemporaryPath()));
        const std::string big(3 << 20, 'x');  // past the buffer, so part of it is on disk
        Write(f, big);
    }
    EXPECT_EQ(ReadText(target), "old");
    EXPECT_EQ(EntryCount(tmp.path()), 1u);

    {
        AtomicFile f(tmp / u"never.jww");
        Write(f, "data");
    }
    EXPECT_FALSE(FileExists(tmp / u"never.jww"));
    EXPECT_EQ(EntryCount(tmp.path()), 1u);
}

TEST(AtomicFile, TemporaryNamesDiffer) {
    TempFolder tmp;
    AtomicFile a(tmp / u"out.jww");
    AtomicFile b(tmp / u"out.jww");
    EXPECT_NE(a.TemporaryPath(), b.TemporaryPath());
    Write(a, "a");
    Write(b, "b");
    a.Commit();
    b.Commit();
    EXPECT_EQ(ReadText(tmp / u"out.jww"), "b");
    EXPECT_EQ(EntryCount(tmp.path()), 1u);
}

TEST(AtomicFile, UnusableFolderThrows) {
    TempFolder tmp;
    std::ofstream(tmp / u"file") << "x";
    EXPECT_THROW(AtomicFile(tmp / u"missing/out.jww"), std::runtime_error);
    EXPECT_THROW(AtomicFile(tmp / u"file/out.jww"), std::runtime_error);
    EXPECT_EQ(EntryCount(tmp.path()), 1u);
}

TEST(AtomicFile, FailedCommitThrowsAndCleansUp) {
    TempFolder tmp;
    const FilePath target = tmp / u"taken";
    std::filesystem::create_directories(target / "inside");  // a folder cannot be replaced
    AtomicFile f(target);
    Write(f, "data");
    EXPECT_THROW(f.Commit(), std::runtime_error);
    EXPECT_THROW(f.Commit(), std::runtime_error);
    EXPECT_TRUE(FolderExists(target / "inside"));
    EXPECT_EQ(EntryCount(tmp.path()), 1u);
}

}  // namespace
