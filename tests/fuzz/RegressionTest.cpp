// Every input the fuzzer ever failed on, and the seed corpus, through the fuzzer's own check.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "Files.h"
#include "FuzzCheck.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
        if (e.is_regular_file() && e.path().filename().string().front() != '.') files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

void CheckFolder(const fs::path& folder, size_t atLeast) {
    std::vector<fs::path> files = FilesIn(folder);
    EXPECT_GE(files.size(), atLeast) << folder.string();
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        auto bytes = ReadWholeFile(file);
        ASSERT_TRUE(bytes.has_value());
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(CheckDrawingBytes(bytes->data(), bytes->size()), "");
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
    }
}

TEST(FuzzRegressions, EveryFoundInput) { CheckFolder(JWW_FUZZ_DIR "/regressions", 1); }

TEST(FuzzRegressions, SeedCorpus) { CheckFolder(JWW_FUZZ_DIR "/corpus", 20); }

}  // namespace
