#pragma once

#include <cstdint>

// An axis-aligned rectangle of pixels: corner (x, y) and size.
struct Rect {
    int32_t x = 0;
    int32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;

    Rect() = default;
    Rect(int32_t x_, int32_t y_, uint32_t w, uint32_t h) : x(x_), y(y_), width(w), height(h) { }

    bool Contains(int32_t px, int32_t py) const
    {
        return px >= x && py >= y && int64_t(px) < int64_t(x) + width && int64_t(py) < int64_t(y) + height;
    }
    bool IsEmpty() const { return width == 0 || height == 0; }
    bool operator==(const Rect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};
