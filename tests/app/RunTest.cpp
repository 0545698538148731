// The real program, started from a temporary folder. No drawing can be loaded yet, so no case
// here expects an output file.
#include "RunHarness.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Tree = std::set<std::string>;

// Has the drawing extension but is no drawing.
const std::string kNotADrawing = "JwwData.";

struct RunCase {
    std::string name;
    std::vector<std::pair<std::string, std::string>> files;  // created before the run
    std::vector<std::string> args;                           // "%/x" is the path of x
    std::vector<std::string> gone;                           // files deleted by the run
    std::vector<std::string> added;                          // files written by the run
    int exit = 1;
    std::string app = "app";
    bool settings = true;
};

void Check(const RunCase& c) {
    SCOPED_TRACE(c.name);
    ProgramFolder folder(c.app, c.settings);
    for (const auto& [path, bytes] : c.files) folder.WriteFile(path, bytes);
    Tree expected = folder.Tree();
    for (const std::string& path : c.gone) ASSERT_EQ(expected.erase(path), 1u) << path;
    for (const std::string& path : c.added) expected.insert(path);

    EXPECT_EQ(folder.Run(c.args), c.exit);
    EXPECT_EQ(folder.Tree(), expected);
    for (const auto& [path, bytes] : c.files) {
        if (!expected.count(path)) continue;
        EXPECT_EQ(folder.ReadFile(path), bytes) << path;
    }
}

TEST(Run, PreconditionsAndCleanUp) {
    const std::vector<std::string> inOut = {"1", "2", "%/in.jww", "%/out.jww"};
    const RunCase cases[] = {
        {.name = "three arguments",
         .files = {{"in.jww", kNotADrawing}, {"out.jww", "old"}},
         .args = {"1", "2", "%/in.jww"}},
        {.name = "five arguments",
         .files = {{"in.jww", kNotADrawing}, {"out.jww", "old"}},
         .args = {"1", "2", "%/in.jww", "%/out.jww", "5"}},
        {.name = "no arguments"},
        {.name = "stale output is deleted",
         .files = {{"in.jww", kNotADrawing}, {"out.jww", "old"}},
         .args = inOut,
         .gone = {"out.jww"}},
        {.name = "missing settings file",
         .files = {{"in.jww", kNotADrawing}, {"out.jww", "old"}},
         .args = inOut,
         .gone = {"out.jww"},
         .settings = false},
        {.name = "missing input", .files = {{"out.jww", "old"}}, .args = inOut, .gone = {"out.jww"}},
        {.name = "input that is no drawing", .files = {{"in.jww", kNotADrawing}}, .args = inOut},
        {.name = "other extension",
         .files = {{"in.txt", kNotADrawing}},
         .args = {"1", "2", "%/in.txt", "%/out.jww"}},
        {.name = "no extension",
         .files = {{"in", kNotADrawing}},
         .args = {"1", "2", "%/in", "%/out.jww"}},
        {.name = "input is a folder", .files = {{"in.jww/x", ""}}, .args = inOut},
        {.name = "same file in and out",
         .files = {{"in.jww", kNotADrawing}},
         .args = {"1", "2", "%/in.jww", "%/in.jww"}},
        {.name = "same file, other spelling",
         .files = {{"in.jww", kNotADrawing}},
         .args = {"1", "2", "%/in.jww", "%/./in.jww"}},
        {.name = "working folder holding another file stays",
         .files = {{"app/TEMP/other.png", "png"}, {"in.jww", kNotADrawing}, {"out.jww", "old"}},
         .args = inOut,
         .gone = {"out.jww"}},
        {.name = "Japanese names with spaces, empty first arguments",
         .files = {{"図面 in/入力 1.jww", kNotADrawing}, {"図面 out/出力 1.jww", "old"}},
         .args = {"", "", "%/図面 in/入力 1.jww", "%/図面 out/出力 1.jww"},
         .gone = {"図面 out/出力 1.jww"},
         .app = "図面 app"},
    };
    for (const RunCase& c : cases) Check(c);
}

}  // namespace
