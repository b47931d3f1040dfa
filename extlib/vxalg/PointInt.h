#pragma once

// A pixel position.
struct PointInt {
    int x = 0;
    int y = 0;

    PointInt() = default;
    PointInt(int x_, int y_) : x(x_), y(y_) { }

    PointInt& operator+=(const PointInt& o)
    {
        x += o.x;
        y += o.y;
        return *this;
    }
    PointInt& operator-=(const PointInt& o)
    {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    bool operator==(const PointInt& o) const { return x == o.x && y == o.y; }
};
