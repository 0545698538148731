// Deterministic drawing generator for samples, tests and benchmarks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "JwwUnit.h"
#include "ZeroExtent.h"

struct GenOptions {
    uint64_t seed = 1;
    int32_t version = 600;
    int64_t entities = 100;      // entities of the drawing's own list (besides block insertions for every used chain)
    double textRatio = 0.25;     // share of texts among those entities
    int32_t zeroExtentEvery = 10;  // one text in K has end == start; 0: none
    bool utf16 = false;
    bool japanese = false;
    int32_t blocks = 0;          // block definitions
    int32_t nestDepth = 1;       // length of each chain of nested definitions
    int32_t images = 0;          // embedded images (version 700 only)
    int64_t imageBytes = 4096;   // approximate gzip bytes per image
    int64_t targetBytes = 0;     // when set, entities are added until the file is about this size
};

// Splitmix64: small, fast and identical on every platform.
class SplitMix64 {
public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Unit() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
    double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    uint32_t Below(uint32_t n) { return n ? uint32_t(Next() % n) : 0; }

private:
    uint64_t state_;
};

// A folder of its own under the system's temporary folder, removed with its content on destruction.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Gives the nine header tables their full sizes with plausible values and sets the header for
// the version.
void FillHeader(TJwwData& d, int32_t version, bool japanese);

// Fills an empty drawing. Image files (version 700 with images) are written into imageFolder,
// which then serves as the drawing's working folder. Runs MakeBlockTree and sets the output option.
void GenerateDrawing(TJwwData& d, const GenOptions& opt, const std::filesystem::path& imageFolder);

// Generates and writes in one step; false with a message when the drawing cannot be written.
bool GenerateToFile(const GenOptions& opt, const std::filesystem::path& out, std::string& error);
bool GenerateToBuffer(const GenOptions& opt, std::vector<uint8_t>& out, std::string& error);

// The gzip form (zlib's gzip wrapper) of the bytes.
std::vector<uint8_t> GzipBytes(const std::vector<uint8_t>& raw);

