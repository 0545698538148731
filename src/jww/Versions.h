// Format versions at which the layout changes, and the writer's option bits.
#pragma once

#include <cstdint>

// Accepted format versions, and the versions at which the layout changes.
inline constexpr int32_t kMinVersion = 220;
inline constexpr int32_t kMaxVersion = 700;
inline constexpr int32_t kEyeSince = 223;         // drawing time, eye point
inline constexpr int32_t kSnapSince = 225;        // snap lengths
inline constexpr int32_t kSolidColorSince = 230;  // solid colour pair
inline constexpr int32_t kZoomJump8Since = 231;   // eight zoom-jump slots and dDm11 … nMojiBG
inline constexpr int32_t kTenkuuSince = 300;      // sky-view settings
inline constexpr int32_t kPenWidthSince = 351;    // 15-byte attribute block
inline constexpr int32_t kSxfSince = 420;         // extended tables, dimension SXF part, no pen mapping
inline constexpr int32_t kPrtDpiSince = 600;      // combined print value carries the dpi
inline constexpr int32_t kImageSince = 700;       // image section

// Option bits of FileOutOpt.
inline constexpr int32_t kOptImageNameOnly = 0x01;
inline constexpr int32_t kOptImageNoTemp = 0x08;
inline constexpr int32_t kOptUtf16 = 0x20;
