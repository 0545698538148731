#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "Files.h"
#include "TempFolder.h"

namespace {

void WriteText(const FilePath& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const std::u16string kNames[] = {u"plain", u"with space", u"図面 フォルダ", u"ｱ①～"};

TEST(Files, PathTextRoundTrip) {
    for (const auto& name : kNames) EXPECT_EQ(TextFromPath(PathFromText(name)), name);
}

TEST(Files, WorkWithJapaneseAndSpacedNames) {
    TempFolder tmp;
    for (const auto& name : kNames) {
        const FilePath folder = tmp / (name + u"/sub " + name);
        ASSERT_TRUE(CreateFolders(folder));
        EXPECT_TRUE(FolderExists(folder));
        EXPECT_FALSE(FileExists(folder));
        EXPECT_TRUE(CreateFolders(folder));  // already there

        const FilePath file = folder / PathFromText(name + u".jww");
        EXPECT_FALSE(FileExists(file));
        WriteText(file, "data " + std::to_string(name.size()));
        EXPECT_TRUE(FileExists(file));
        EXPECT_FALSE(FolderExists(file));
        const auto bytes = ReadWholeFile(file);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "data " + std::to_string(name.size()));

        EXPECT_TRUE(DeleteFileIfExists(file));
        EXPECT_FALSE(FileExists(file));
        EXPECT_TRUE(RemoveEmptyFolder(folder));
        EXPECT_FALSE(FolderExists(folder));
    }
}

TEST(Files, ReadWholeFile) {
    TempFolder tmp;
    const FilePath empty = tmp / u"empty";
    WriteText(empty, "");
    const auto none = ReadWholeFile(empty);
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());

    std::string big(3 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    WriteText(tmp / u"big", big);
    const auto data = ReadWholeFile(tmp / u"big");
    ASSERT_TRUE(data.has_value());
    EXPECT_TRUE(std::string(data->begin(), data->end()) == big);

    // Still readable while another stream holds it open for writing.
    std::ofstream holder(tmp / u"held", std::ios::binary);
    holder << "x" << std::flush;
    EXPECT_TRUE(ReadWholeFile(tmp / u"held").has_value());

    EXPECT_FALSE(ReadWholeFile(tmp / u"missing").has_value());
    EXPECT_FALSE(ReadWholeFile(tmp.path()).has_value());
}

TEST(Files, DeletingAndRemovingAreCareful) {
    TempFolder tmp;
    const FilePath folder = tmp / u"TEMP";
    ASSERT_TRUE(CreateFolders(folder));
    WriteText(folder / "image.bmp", "x");

    EXPECT_FALSE(RemoveEmptyFolder(folder));         // not empty: kept with its content
    EXPECT_TRUE(FileExists(folder / "image.bmp"));
    EXPECT_FALSE(DeleteFileIfExists(folder));        // never deletes a folder
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_FALSE(RemoveEmptyFolder(folder / "image.bmp"));  // never deletes a file
    EXPECT_TRUE(FileExists(folder / "image.bmp"));

    EXPECT_TRUE(DeleteFileIfExists(folder / "image.bmp"));
    EXPECT_TRUE(DeleteFileIfExists(folder / "image.bmp"));  // already gone
    EXPECT_TRUE(RemoveEmptyFolder(folder));
    EXPECT_FALSE(RemoveEmptyFolder(folder));         // missing
    EXPECT_FALSE(FileExists(tmp / u"missing"));
    EXPECT_FALSE(FolderExists(tmp / u"missing"));
}

TEST(Files, CreateFoldersFailsUnderAFile) {
    TempFolder tmp;
    WriteText(tmp / u"file", "x");
    EXPECT_FALSE(CreateFolders(tmp / u"file/sub"));
}

TEST(Files, SameExistingFile) {
    TempFolder tmp;
    const FilePath a = tmp / u"図面 a.jww";
    const FilePath b = tmp / u"b.jww";
    WriteText(a, "a");
    WriteText(b, "a");
    ASSERT_TRUE(CreateFolders(tmp / u"sub"));

    EXPECT_TRUE(SameExistingFile(a, a));
    EXPECT_TRUE(SameExistingFile(a, tmp.path() / "sub" / ".." / a.filename()));
    EXPECT_FALSE(SameExistingFile(a, b));                   // equal content, different files
    EXPECT_FALSE(SameExistingFile(a, tmp / u"missing"));
    EXPECT_FALSE(SameExistingFile(tmp / u"missing", tmp / u"missing"));
}

TEST(Files, ExecutableFolderHoldsTheRunningProgram) {
    const FilePath folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_NE(ProcessId(), 0u);
}

}  // namespace
