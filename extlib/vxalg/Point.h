#pragma once

#include <cmath>

class MVector;

// A point or vector in an image plane (column, row).
class Point {
public:
    float x = 0.0f;
    float y = 0.0f;

    Point() = default;
    Point(float x_, float y_) : x(x_), y(y_) { }
    explicit Point(const MVector& v); // the first two elements

    float GetX() const { return x; }
    float GetY() const { return y; }

    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Point& o) const { return !(*this == o); }
    Point& operator+=(const Point& o)
    {
        x += o.x;
        y += o.y;
        return *this;
    }
    Point& operator-=(const Point& o)
    {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    Point& operator*=(float f)
    {
        x *= f;
        y *= f;
        return *this;
    }
    Point& operator/=(float f)
    {
        x /= f;
        y /= f;
        return *this;
    }

    Point operator+(const Point& o) const { return Point(x + o.x, y + o.y); }
    Point operator-(const Point& o) const { return Point(x - o.x, y - o.y); }
    Point operator-() const { return Point(-x, -y); }
    Point operator*(float f) const { return Point(x * f, y * f); }
    Point operator/(float f) const { return Point(x / f, y / f); }
    float operator*(const Point& o) const { return x * o.x + y * o.y; } // dot product

    float Norm() const { return std::sqrt(x * x + y * y); }
    float Distance(const Point& o) const { return (*this - o).Norm(); }
};
