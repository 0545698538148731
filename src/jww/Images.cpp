#include "Images.h"

#include <zlib.h>

#include <fstream>
#include <memory>
#include <unordered_set>

#include "EntityList.h"
#include "Files.h"
#include "ImageRefs.h"
#include "TextHelpers.h"

namespace {

constexpr size_t kCopyChunk = ByteReader::kMaxSpan;

bool HasGzExtension(std::u16string_view name) {
    size_t dot = name.rfind(u'.');
    return dot != std::u16string_view::npos && LowerCase(name.substr(dot)) == u".gz";
}

// Working-file name of the decompressed copy of a ".gz" image: the name without ".gz".
std::u16string_view WithoutLastExtension(std::u16string_view name) {
    size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? name : name.substr(0, dot);
}

FilePath WorkingFile(const TJwwData& d, std::u16string_view name) { return d.BindImageFolder / PathFromText(name); }

// Copies the image's stored bytes (what the input still has of them) to a new working file.
// A file that cannot be written is deleted; the caller skips the rest of the data either way.
void StoreWorkingFile(const FilePath& path, ByteReader& r, uint64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return;
    uint64_t left = std::min(size, r.remaining());
    while (left > 0 && out) {
        size_t got;
        const uint8_t* p = r.Span(size_t(std::min<uint64_t>(left, kCopyChunk)), got);
        if (got == 0) break;
        out.write(reinterpret_cast<const char*>(p), std::streamsize(got));
        r.Skip(got);
        left -= got;
    }
    out.close();
    if (!out) DeleteFileIfExists(path);
}

void SelectTexts(TJwwData& d, const std::vector<std::u16string>& upperNames, ListRef list) {
    size_t n = std::min(size_t(std::max(list.NoN, 0)), list.No.size());
    for (size_t i = 0; i < n; ++i) {
        const TEntJwwNo& e = list.No[i];
        if (e.EntType != kEntMoji || !EntryIsWritten(list, e)) continue;
        int32_t image = ReferencedImage(list.Moji[size_t(e.EntNo)].str, upperNames);
        if (image >= 0) d.BindImage[size_t(image)].exf = true;
    }
}

// Size of a working file that can be opened for reading, or -1.
int64_t ReadableSize(const FilePath& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return -1;
    auto size = in.tellg();
    return size < 0 ? -1 : int64_t(size);
}

}  // namespace

bool IsSafeImageName(std::u16string_view name) {
    if (name.empty()) return false;
    if (name.find_first_of(u"/\\:*?\"<>|") != std::u16string_view::npos) return false;
    if (name.find_first_not_of(u'.') == std::u16string_view::npos) return false;
    for (char16_t c : name)
        if (c < u' ') return false;
    std::u16string stem = UpperCase(name.substr(0, name.find(u'.')));
    while (!stem.empty() && stem.back() == u' ') stem.pop_back();
    static const std::u16string_view kDevices[] = {u"CON", u"PRN", u"AUX", u"NUL"};
    for (auto dev : kDevices)
        if (stem == dev) return false;
    if (stem.size() == 4 && (stem.starts_with(u"COM") || stem.starts_with(u"LPT")) && stem[3] >= u'1' && stem[3] <= u'9')
        return false;
    return true;
}

void ImagesIn(ByteReader& r, TJwwData& d) {
    d.BindImageInit();
    if (!d.BindImageExp && !d.BindImageExr) return;
    int32_t count = r.I32();  // reads as 0 past the end
    if (count <= 0) return;
    // A name stored twice keeps the first entry's bytes: only the first can ever be selected,
    // and a later entry must not replace what will be written under it.
    std::unordered_set<std::u16string> claimed;
    for (int32_t i = 0; i < count; ++i) {
        // Entries past the end would all read as empty names with size 0, which nothing uses.
        if (r.atEnd()) break;
        TBindImageType img;
        img.Fname = r.StringInClean();
        img.Fsize = r.I32();
        d.BindImage.push_back(img);
        d.BindImageN = int32_t(d.BindImage.size());
        if (img.Fname.empty()) continue;
        bool first = claimed.insert(UpperCase(img.Fname)).second;
        if (img.Fsize == 0) continue;
        uint64_t size = img.Fsize > 0 ? uint64_t(img.Fsize) : 0;
        uint64_t end = r.Position() + size;
        if (first && d.BindImageExp && !d.BindImageFolder.empty() && IsSafeImageName(img.Fname))
            StoreWorkingFile(WorkingFile(d, img.Fname), r, size);
        r.Skip(end - r.Position());
    }
}

void ImagesOut(ByteWriter& w, TJwwData& d) {
    for (auto& img : d.BindImage) img.exf = false;
    std::vector<std::u16string> upperNames;
    upperNames.reserve(d.BindImage.size());
    for (const auto& img : d.BindImage) upperNames.push_back(UpperCase(img.Fname));

    SelectTexts(d, upperNames, MainList(d));
    size_t defs = std::min(size_t(std::max(d.EntBlockDefN, 0)), d.EntBlockDef.size());
    for (size_t j = 0; j < defs; ++j) SelectTexts(d, upperNames, DefinitionList(d.EntBlockDef[j]));

    // Only images whose working file can be read are written, so that the count written
    // agrees with the entries that follow it.
    for (auto& img : d.BindImage) {
        if (!img.exf) continue;
        if (!(d.BindImageExp || d.BindImageExr) || !IsSafeImageName(img.Fname) ||
            !FileExists(WorkingFile(d, img.Fname)) || ReadableSize(WorkingFile(d, img.Fname)) < 0)
            img.exf = false;
    }
    int32_t count = 0;
    for (const auto& img : d.BindImage) count += img.exf ? 1 : 0;
    w.I32(count);

    std::unique_ptr<char[]> chunk(new char[kCopyChunk]);
    for (const auto& img : d.BindImage) {
        if (!img.exf) continue;
        w.StringOut(img.Fname);
        std::ifstream in(WorkingFile(d, img.Fname), std::ios::binary | std::ios::ate);
        if (!in) FailIo();
        int64_t size = int64_t(in.tellg());
        if (size < 0 || size > INT32_MAX) FailIo();
        in.seekg(0);
        w.I32(int32_t(size));
        int64_t left = size;
        while (left > 0) {
            size_t want = size_t(std::min<int64_t>(left, int64_t(kCopyChunk)));
            in.read(chunk.get(), std::streamsize(want));
            if (size_t(in.gcount()) != want) FailIo();  // the file changed while it was copied
            w.Bytes(chunk.get(), want);
            left -= int64_t(want);
        }
    }
}

void TJwwData::BindImageInit() {
    BindImage.clear();
    BindImageN = 0;
}

// A decompressed copy never replaces the working file of a stored image of the same name,
// whose bytes the writer may still need.
void TJwwData::BindImageExplode() {
    std::unordered_set<std::u16string> stored;
    for (const auto& img : BindImage) stored.insert(UpperCase(img.Fname));
    for (const auto& img : BindImage) {
        if (!HasGzExtension(img.Fname) || !IsSafeImageName(img.Fname)) continue;
        std::u16string_view plain = WithoutLastExtension(img.Fname);
        if (!IsSafeImageName(plain) || stored.count(UpperCase(plain))) continue;
        FilePath source = WorkingFile(*this, img.Fname);
        if (!FileExists(source)) continue;
        FilePath target = WorkingFile(*this, plain);
        std::ifstream in(source, std::ios::binary);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!in || !out) continue;

        z_stream zs{};
        if (inflateInit2(&zs, 15 + 16) != Z_OK) continue;
        std::unique_ptr<unsigned char[]> inBuf(new unsigned char[kCopyChunk]);
        std::unique_ptr<unsigned char[]> outBuf(new unsigned char[kCopyChunk]);
        uint64_t written = 0;
        bool tooLarge = false;
        int status = Z_OK;
        while (status != Z_STREAM_END && !tooLarge) {
            in.read(reinterpret_cast<char*>(inBuf.get()), std::streamsize(kCopyChunk));
            zs.avail_in = uInt(in.gcount());
            zs.next_in = inBuf.get();
            if (zs.avail_in == 0) break;  // damaged: the stream ends early
            do {
                zs.avail_out = uInt(kCopyChunk);
                zs.next_out = outBuf.get();
                status = inflate(&zs, Z_NO_FLUSH);
                if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) break;
                size_t produced = kCopyChunk - zs.avail_out;
                written += produced;
                if (written > kMaxDecompressedImage) {
                    tooLarge = true;
                    break;
                }
                out.write(reinterpret_cast<char*>(outBuf.get()), std::streamsize(produced));
            } while (zs.avail_out == 0 && status != Z_STREAM_END);
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) break;
        }
        inflateEnd(&zs);
        out.close();
        if (tooLarge) DeleteFileIfExists(target);
    }
}

void TJwwData::BindImageDeleteGzFile() {
    for (const auto& img : BindImage)
        if (HasGzExtension(img.Fname) && IsSafeImageName(img.Fname)) DeleteFileIfExists(WorkingFile(*this, img.Fname));
}

void TJwwData::BindImageDeleteNonGzFile() {
    for (const auto& img : BindImage) {
        std::u16string_view name = HasGzExtension(img.Fname) ? WithoutLastExtension(img.Fname) : std::u16string_view(img.Fname);
        if (IsSafeImageName(name)) DeleteFileIfExists(WorkingFile(*this, name));
    }
}
