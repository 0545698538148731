// Texts whose start and end points coincide, and their removal.
#pragma once

#include <cmath>

#include "JwwUnit.h"

inline constexpr double kZeroExtentTolerance = 1e-12;

// Both axes within the tolerance, inclusive and absolute; a non-finite coordinate never is.
inline bool IsZeroExtent(const TEntJwwMoji& m) {
    if (!std::isfinite(m.start_x) || !std::isfinite(m.start_y) || !std::isfinite(m.end_x) || !std::isfinite(m.end_y))
        return false;
    return std::fabs(m.end_x - m.start_x) <= kZeroExtentTolerance && std::fabs(m.end_y - m.start_y) <= kZeroExtentTolerance;
}

// Gives every zero-extent text of the drawing's list and of every block definition the order
// type 0, so that the writer leaves it out. No record moves and no count changes.
void RemoveZeroExtentTexts(TJwwData& d);
