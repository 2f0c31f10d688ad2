#pragma once
// Rectangles of the pick functions in 64 bits. Their edges are page rectangles
// grown by a few handle sizes; formed in ints they would wrap around for an
// object near the end of the int range (only damaged documents put one there)
// and make a point far away a hit.

#include "platform/geometry.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace kv::chart {

struct WideRect {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;

    constexpr WideRect() = default;
    constexpr WideRect(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b)
        : left(l), top(t), right(r), bottom(b) {}
    constexpr explicit WideRect(const TRect& r)
        : left(r.left), top(r.top), right(r.right), bottom(r.bottom) {}

    // The square of half side h around (cx, cy).
    static constexpr WideRect Square(std::int64_t cx, std::int64_t cy, std::int64_t h) {
        return WideRect(cx - h, cy - h, cx + h, cy + h);
    }

    constexpr WideRect Normalized() const {
        return WideRect(std::min(left, right), std::min(top, bottom), std::max(left, right),
                        std::max(top, bottom));
    }
    // Grown by d on every side (shrunk for a negative d).
    constexpr WideRect Inflated(std::int64_t d) const {
        return WideRect(left - d, top - d, right + d, bottom + d);
    }
    // Left and top edges inside, right and bottom edges outside.
    constexpr bool Contains(TPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    TRect Saturated() const {
        auto sat = [](std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); };
        return TRect(sat(left), sat(top), sat(right), sat(bottom));
    }
};

}  // namespace kv::chart
