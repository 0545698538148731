// Texts whose start and end points coincide.
#pragma once

#include <cmath>

#include "jwwtype.h"

inline constexpr double kZeroExtentTolerance = 1e-12;

// Both axes within the tolerance, inclusive and absolute; a non-finite coordinate never is.
inline bool IsZeroExtent(const TEntJwwMoji& m) {
    if (!std::isfinite(m.start_x) || !std::isfinite(m.start_y) || !std::isfinite(m.end_x) || !std::isfinite(m.end_y))
        return false;
    return std::fabs(m.end_x - m.start_x) <= kZeroExtentTolerance && std::fabs(m.end_y - m.start_y) <= kZeroExtentTolerance;
}
