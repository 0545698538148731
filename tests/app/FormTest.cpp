// The form in this process: its working folder lives beside the test executable.
#include "Unit1.h"

#include <gtest/gtest.h>

namespace {

TEST(Form, EachRunGetsItsOwnWorkingFolderAndRemovesIt) {
    const FilePath root = ExecutableFolder() / "TEMP";
    if (FolderExists(root)) GTEST_SKIP() << "a working folder is left over beside the test";

    TForm1 first({u"jwwclean"});
    TForm1 second({u"jwwclean"});
    first.FormCreate();
    second.FormCreate();
    const FilePath a = first.JWW1->BindImageFolder;
    const FilePath b = second.JWW1->BindImageFolder;
    EXPECT_TRUE(FolderExists(a));
    EXPECT_TRUE(FolderExists(b));
    EXPECT_NE(a, b);
    EXPECT_EQ(a.parent_path().parent_path(), root);
    EXPECT_TRUE(a.filename().empty()) << "the folder path ends in the delimiter";

    first.FormClose();
    EXPECT_FALSE(FolderExists(a));
    EXPECT_TRUE(FolderExists(root)) << "still holds the other run's folder";
    second.FormClose();
    EXPECT_FALSE(FolderExists(root));
}

}  // namespace
