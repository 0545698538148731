#include "ImageRefs.h"

#include "TextHelpers.h"
#include "Versions.h"

namespace {
constexpr std::u16string_view kPlacement = u"^@BM";
constexpr std::u16string_view kEmbedded = u"^@BM%temp%";

// The file-name part of a path; a path with characters no file name may hold gives "".
std::u16string_view FileNamePart(std::u16string_view path) {
    for (char16_t c : path)
        if (c < u' ' || std::u16string_view(u"<>\"|?*").find(c) != std::u16string_view::npos) return {};
    size_t cut = path.find_last_of(u"\\/:");
    return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
}
}  // namespace

std::u16string_view ImageReferenceName(std::u16string_view text) {
    if (text.size() < 11 || text.substr(0, kEmbedded.size()) != kEmbedded) return {};
    size_t comma = text.find(u',');
    if (comma == std::u16string_view::npos) return {};
    return text.substr(kEmbedded.size(), comma - kEmbedded.size());
}

int32_t ReferencedImage(std::u16string_view text, const std::vector<std::u16string>& upperCaseNames) {
    std::u16string_view ref = ImageReferenceName(text);
    if (ref.empty()) return -1;
    std::u16string upperRef = UpperCase(ref);
    for (size_t i = 0; i < upperCaseNames.size(); ++i)
        if (std::u16string_view(upperCaseNames[i]).substr(0, upperRef.size()) == upperRef) return int32_t(i);
    return -1;
}

std::u16string RewriteImagePlacement(std::u16string text, int32_t options) {
    if ((options & kOptImageNoTemp) && std::u16string_view(text).substr(0, kEmbedded.size()) == kEmbedded)
        text.erase(kPlacement.size(), kEmbedded.size() - kPlacement.size());
    if ((options & kOptImageNameOnly) && std::u16string_view(text).substr(0, kPlacement.size()) == kPlacement) {
        size_t comma = text.find(u',');
        if (comma != std::u16string::npos) {
            std::u16string_view path = std::u16string_view(text).substr(kPlacement.size(), comma - kPlacement.size());
            std::u16string name(FileNamePart(path));
            text = std::u16string(kPlacement) + name + text.substr(comma);
        }
    }
    return text;
}
