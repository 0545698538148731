// The image section of version-700 drawings and the working files of embedded images.
#pragma once

#include <string>

#include "Archive.h"
#include "JwwUnit.h"

// Reads the section; stores each image's data in its working file when BindImageExp is set.
// Never fails the load: a section cut short leaves later entries out.
void ImagesIn(ByteReader& r, TJwwData& d);

// Selects the images that remaining texts refer to and writes the section.
void ImagesOut(ByteWriter& w, TJwwData& d);

// A stored name that may become a file in the working folder: no folder parts, no characters
// that file names cannot hold, not only dots, and no device name.
bool IsSafeImageName(std::u16string_view name);

// Cap on the decompressed copy of one image.
inline constexpr uint64_t kMaxDecompressedImage = 256ull << 20;
