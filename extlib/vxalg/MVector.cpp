#include "MVector.h"

#include "Point.h"
#include "Point3D.h"

#include <cassert>
#include <cmath>

MVector::MVector(uint32_t n) : values(n, 0.0)
{
}

MVector::MVector(const Point3D& p) : values{p.x, p.y, p.z}
{
}

MVector MVector::Affine(uint32_t n)
{
    MVector v(n);
    if (n > 0)
        v[n - 1] = 1.0;
    return v;
}

MVector MVector::operator-(const MVector& o) const
{
    assert(o.Length() == Length());
    MVector r(Length());
    for (uint32_t k = 0; k < Length(); ++k)
        r[k] = values[k] - o[k];
    return r;
}

MVector MVector::operator+(const MVector& o) const
{
    assert(o.Length() == Length());
    MVector r(Length());
    for (uint32_t k = 0; k < Length(); ++k)
        r[k] = values[k] + o[k];
    return r;
}

MVector MVector::operator*(double f) const
{
    MVector r(*this);
    for (double& v : r.values)
        v *= f;
    return r;
}

double MVector::Norm() const
{
    double sum = 0.0;
    for (double v : values)
        sum += v * v;
    return std::sqrt(sum);
}

double MVector::Distance(const MVector& a, const MVector& b)
{
    return (a - b).Norm();
}

Point::Point(const MVector& v) : x(v.Length() > 0 ? float(v[0]) : 0.0f), y(v.Length() > 1 ? float(v[1]) : 0.0f)
{
}

Point3D::Point3D(const MVector& v)
    : x(v.Length() > 0 ? float(v[0]) : 0.0f), y(v.Length() > 1 ? float(v[1]) : 0.0f),
      z(v.Length() > 2 ? float(v[2]) : 0.0f)
{
}
