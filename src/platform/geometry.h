#pragma once
// Integer page geometry with the Windows meaning: a rectangle includes its
// left/top edge and excludes its right/bottom edge; y grows downward.

#include "wintypes.h"

#include <algorithm>

struct TPoint {
    int x = 0;
    int y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x_, int y_) : x(x_), y(y_) {}
    constexpr TPoint operator+(const TPoint& o) const { return {x + o.x, y + o.y}; }
    constexpr TPoint operator-(const TPoint& o) const { return {x - o.x, y - o.y}; }
    TPoint& operator+=(const TPoint& o) { x += o.x; y += o.y; return *this; }
    TPoint& operator-=(const TPoint& o) { x -= o.x; y -= o.y; return *this; }
    constexpr bool operator==(const TPoint&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    constexpr TSize() = default;
    constexpr TSize(int cx_, int cy_) : cx(cx_), cy(cy_) {}
    constexpr bool operator==(const TSize&) const = default;
};

struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    constexpr TRect(const TPoint& tl, const TPoint& br)
        : left(tl.x), top(tl.y), right(br.x), bottom(br.y) {}

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr TPoint TopLeft() const { return {left, top}; }
    constexpr TPoint BottomRight() const { return {right, bottom}; }
    constexpr bool IsEmpty() const { return left >= right || top >= bottom; }
    constexpr bool IsNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    constexpr bool Contains(const TPoint& p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    // Left/top become the smaller coordinates.
    TRect Normalized() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    }
    TRect& Offset(int dx, int dy) {
        left += dx; right += dx; top += dy; bottom += dy;
        return *this;
    }
    TRect& Inflate(int dx, int dy) {
        left -= dx; right += dx; top -= dy; bottom += dy;
        return *this;
    }
    constexpr bool operator==(const TRect&) const = default;
};
