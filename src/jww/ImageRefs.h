// Texts that place images: "^@BM" + path + "," + placement values. A path beginning with
// "%temp%" names one of the drawing's embedded images.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The referenced name of an image reference, or an empty view when the text is none.
std::u16string_view ImageReferenceName(std::u16string_view text);

// Applies the placement rewrites selected by the writer's option bits 0x08 and 0x01.
std::u16string RewriteImagePlacement(std::u16string text, int32_t options);
