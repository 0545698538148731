// Texts that place images: "^@BM" + path + "," + placement values. A path beginning with
// "%temp%" names one of the drawing's embedded images.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The referenced name of an image reference, or an empty view when the text is none.
std::u16string_view ImageReferenceName(std::u16string_view text);

// Index of the image a text refers to: the first whose upper-cased name begins with the
// upper-cased referenced name; -1 when the text refers to none.
int32_t ReferencedImage(std::u16string_view text, const std::vector<std::u16string>& upperCaseNames);

// Applies the placement rewrites selected by the writer's option bits 0x08 and 0x01.
std::u16string RewriteImagePlacement(std::u16string text, int32_t options);
