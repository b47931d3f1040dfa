#pragma once

#include <cmath>

class MVector;

// A point or vector in volume coordinates (column, row, slice).
class Point3D {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Point3D() = default;
    Point3D(float x_, float y_, float z_) : x(x_), y(y_), z(z_) { }
    explicit Point3D(const MVector& v); // the first three elements

    Point3D& operator+=(const Point3D& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    Point3D& operator-=(const Point3D& o)
    {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    Point3D& operator+=(float f)
    {
        x += f;
        y += f;
        z += f;
        return *this;
    }
    Point3D& operator-=(float f)
    {
        x -= f;
        y -= f;
        z -= f;
        return *this;
    }
    Point3D& operator*=(float f)
    {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    Point3D& operator/=(float f)
    {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }

    Point3D operator+(const Point3D& o) const { return Point3D(x + o.x, y + o.y, z + o.z); }
    Point3D operator-(const Point3D& o) const { return Point3D(x - o.x, y - o.y, z - o.z); }
    Point3D operator-() const { return Point3D(-x, -y, -z); }
    Point3D operator*(float f) const { return Point3D(x * f, y * f, z * f); }
    Point3D operator/(float f) const { return Point3D(x / f, y / f, z / f); }
    float operator*(const Point3D& o) const { return x * o.x + y * o.y + z * o.z; } // dot product
    Point3D Cross(const Point3D& o) const { return Point3D(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x); }

    bool operator==(const Point3D& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Point3D& o) const { return !(*this == o); }
    bool IsNull() const { return x == 0.0f && y == 0.0f && z == 0.0f; }

    float Norm() const { return std::sqrt(x * x + y * y + z * z); }
    static float Distance(const Point3D& a, const Point3D& b) { return (a - b).Norm(); }
    static float Distance(const Point3D* a, const Point3D* b) { return Distance(*a, *b); }
};
