#include "FuzzCheck.h"

#include <vector>

#include "JwwUnit.h"
#include "ZeroExtent.h"

namespace {

// Versions at which the layout changes, for writes at a version other than the one read.
constexpr int32_t kWriteVersions[] = {220, 223, 225, 230, 231, 300, 351, 420, 600, 700};

// Reads a written drawing as the program would read its input, without working files.
bool Reload(const std::vector<uint8_t>& bytes, TJwwData& d) {
    d.BindImageExr = true;
    return d.LoadFromBuffer(bytes.data(), bytes.size());
}

std::string Describe(const char* what, int32_t ver, int32_t option, const std::string& error) {
    return std::string(what) + " (version " + std::to_string(ver) + ", option " + std::to_string(option) +
           (error.empty() ? ")" : "): " + error);
}

}  // namespace

std::string CheckDrawingBytes(const uint8_t* data, size_t size) {
    TJwwData d;
    // The image list is read, but no working file is written.
    d.BindImageExr = true;
    bool loaded = d.LoadFromBuffer(data, size);
    if (loaded != d.LastError.empty()) return "load result and message disagree: " + d.LastError;
    // A failed load leaves what was read so far; writing it must still be safe, though the
    // program never does.
    const int32_t readVersion = d.Enthd.jwVer;
    if (readVersion < kMinVersion || readVersion > kMaxVersion) return loaded ? "loaded an unsupported version" : "";
    RemoveZeroExtentTexts(d);
    const int32_t otherVersion = kWriteVersions[size % std::size(kWriteVersions)];

    for (int32_t option : {0, kOptUtf16}) {
        d.SetFileOutOption(option);
        std::vector<uint8_t> first;
        // A write may fail (a string the form cannot carry); then it leaves nothing.
        if (!d.SaveToBuffer(first, readVersion)) {
            if (!first.empty()) return Describe("failed write left bytes", readVersion, option, d.LastError);
            continue;
        }
        TJwwData again;
        if (!Reload(first, again)) return Describe("written drawing does not load", readVersion, option, again.LastError);
        // What a failed load left has not had the reader's repairs, which run at the end of
        // each section.
        if (!loaded) continue;
        // A drawing read from our own output is already normalised: writing it once more
        // changes nothing. The one exception is the combined print value, whose substitution
        // (plus 10 when no dpi is set) moves a negative remainder on every pass; it is taken
        // from the first drawing.
        again.Enthd.nPrtDpi = d.Enthd.nPrtDpi;
        again.Enthd.nPrtDispOnlyNonDraw = d.Enthd.nPrtDispOnlyNonDraw;
        again.SetFileOutOption(option);
        std::vector<uint8_t> second;
        if (!again.SaveToBuffer(second, readVersion))
            return Describe("second write fails", readVersion, option, again.LastError);
        if (second != first) return Describe("second write differs from the first", readVersion, option, "");
    }

    if (!loaded) return "";
    d.SetFileOutOption(0);
    std::vector<uint8_t> other;
    if (d.SaveToBuffer(other, otherVersion)) {
        TJwwData again;
        if (!Reload(other, again))
            return Describe("drawing written at another version does not load", otherVersion, 0, again.LastError);
    }
    return "";
}
