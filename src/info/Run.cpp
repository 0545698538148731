#include "Run.h"

#include "CodePage.h"
#include "Files.h"

namespace jwwinfo {
namespace {

constexpr const char* kUsage =
    "usage: jwwinfo [--json] FILE...\n"
    "       jwwinfo [--json] --diff BEFORE AFTER\n";

bool Is(const std::filesystem::path& arg, const char* option) {
    return arg.native() == std::filesystem::path(option).native();
}

std::string Display(const std::filesystem::path& path) { return Utf16ToUtf8(TextFromPath(path)); }

}  // namespace

bool LoadSummary(const std::filesystem::path& path, const std::string& display, DrawingSummary& summary,
                 std::string& error) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) {
        error = "jwwinfo: " + display + ": cannot read the file\n";
        return false;
    }
    return SummariseBytes(bytes->data(), bytes->size(), display, summary, error);
}

bool SummariseBytes(const uint8_t* data, size_t size, const std::string& display, DrawingSummary& summary,
                    std::string& error) {
    TJwwData d;
    // Keep the image list without writing working files.
    d.BindImageExp = false;
    d.BindImageExr = true;
    if (!d.LoadFromBuffer(data, size)) {
        error = "jwwinfo: " + display + ": " + (d.LastError.empty() ? std::string("not loaded") : d.LastError) + "\n";
        return false;
    }
    summary = BuildSummary(d, DetectStringForm(d.ByteFormStrings, d.Utf16FormStrings), display);
    return true;
}

int RunInfo(const std::vector<std::filesystem::path>& args, std::string& out, std::string& err) {
    bool json = false, diff = false, optionsDone = false;
    std::vector<std::filesystem::path> files;
    for (const auto& arg : args) {
        if (!optionsDone && Is(arg, "--json")) {
            json = true;
        } else if (!optionsDone && Is(arg, "--diff")) {
            diff = true;
        } else if (!optionsDone && (Is(arg, "--help") || Is(arg, "-h"))) {
            out += kUsage;
            return 0;
        } else if (!optionsDone && Is(arg, "--")) {
            optionsDone = true;
        } else if (!optionsDone && arg.native().size() > 1 && arg.native()[0] == '-') {
            err += "jwwinfo: unknown option " + Display(arg) + "\n" + kUsage;
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty() || (diff && files.size() != 2)) {
        err += kUsage;
        return 2;
    }

    if (diff) {
        DrawingSummary before, after;
        std::string errorBefore, errorAfter;
        bool okBefore = LoadSummary(files[0], Display(files[0]), before, errorBefore);
        bool okAfter = LoadSummary(files[1], Display(files[1]), after, errorAfter);
        if (!okBefore || !okAfter) {
            err += errorBefore + errorAfter;
            return 1;
        }
        auto diffs = Diff(before, after);
        out += json ? RenderDiffJson(before, after, diffs) + "\n" : RenderDiffText(before, after, diffs);
        return 0;
    }

    int status = 0;
    bool first = true;
    for (const auto& file : files) {
        DrawingSummary s;
        std::string error;
        if (!LoadSummary(file, Display(file), s, error)) {
            err += error;
            status = 1;
            continue;
        }
        if (json) {
            out += RenderJson(s) + "\n";
        } else {
            if (!first) out += '\n';
            out += RenderText(s);
        }
        first = false;
    }
    return status;
}

}  // namespace jwwinfo
