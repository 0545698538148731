// jwwgen: writes a deterministic drawing for samples, tests and benchmarks.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "JwwGen.h"
#include "Versions.h"

namespace {

void Usage() {
    std::fputs(
        "usage: jwwgen [options] OUTPUT.jww\n"
        "  --seed N               PRNG seed (default 1)\n"
        "  --version V            format version 220-700 (default 600)\n"
        "  --entities N           entities of the drawing's own list (default 100)\n"
        "  --text-ratio R         share of texts, 0-1 (default 0.25)\n"
        "  --zero-extent-every K  one text in K has end == start; 0: none (default 10)\n"
        "  --utf16                write strings in UTF-16 form\n"
        "  --japanese             kanji and kana in texts and names\n"
        "  --blocks D             block definitions (default 0)\n"
        "  --nest-depth L         definitions nested L deep (default 1)\n"
        "  --images K             embedded gzip images, version 700 (default 0)\n"
        "  --image-bytes B        gzip bytes per image, about (default 4096)\n"
        "  --target-bytes S       add entities until the file is about S bytes\n",
        stderr);
}

bool ParseInt(const char* s, int64_t& v) {
    char* end = nullptr;
    long long n = std::strtoll(s, &end, 10);
    if (end == s || *end) return false;
    v = n;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    GenOptions opt;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](int64_t& v) {
            if (i + 1 >= argc || !ParseInt(argv[++i], v)) {
                std::fprintf(stderr, "jwwgen: %s needs an integer\n", a.c_str());
                std::exit(2);
            }
        };
        int64_t v = 0;
        if (a == "--seed") value(v), opt.seed = uint64_t(v);
        else if (a == "--version") value(v), opt.version = int32_t(v);
        else if (a == "--entities") value(v), opt.entities = v;
        else if (a == "--zero-extent-every") value(v), opt.zeroExtentEvery = int32_t(v);
        else if (a == "--blocks") value(v), opt.blocks = int32_t(v);
        else if (a == "--nest-depth") value(v), opt.nestDepth = int32_t(v);
        else if (a == "--images") value(v), opt.images = int32_t(v);
        else if (a == "--image-bytes") value(v), opt.imageBytes = v;
        else if (a == "--target-bytes") value(v), opt.targetBytes = v;
        else if (a == "--text-ratio" && i + 1 < argc) opt.textRatio = std::atof(argv[++i]);
        else if (a == "--utf16") opt.utf16 = true;
        else if (a == "--japanese") opt.japanese = true;
        else if (a == "-h" || a == "--help") return Usage(), 0;
        else if (!a.empty() && a[0] != '-' && !output) output = argv[i];
        else return Usage(), 2;
    }
    if (!output || opt.version < kMinVersion || opt.version > kMaxVersion || opt.entities < 0 || opt.blocks < 0 ||
        opt.images < 0 || opt.textRatio < 0 || opt.textRatio > 1 || opt.zeroExtentEvery < 0) {
        Usage();
        return 2;
    }
    if (opt.images > 0 && opt.version < kImageSince)
        std::fputs("jwwgen: images need version 700; none written\n", stderr);
    try {
        std::string error;
        if (!GenerateToFile(opt, output, error)) {
            std::fprintf(stderr, "jwwgen: %s: %s\n", output, error.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "jwwgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
