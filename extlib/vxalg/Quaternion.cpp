#include "Quaternion.h"

#include "Point3D.h"

#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

// The rotation matrix of a quaternion, normalised first; the identity for the zero quaternion.
void RotationMatrix(double a, double b, double c, double d, double r[3][3])
{
    const double norm2 = a * a + b * b + c * c + d * d;
    if (!(norm2 > 0.0) || !std::isfinite(norm2)) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r[i][j] = i == j ? 1.0 : 0.0;
        return;
    }
    const double s = 2.0 / norm2;
    r[0][0] = 1.0 - s * (c * c + d * d);
    r[0][1] = s * (b * c - a * d);
    r[0][2] = s * (b * d + a * c);
    r[1][0] = s * (b * c + a * d);
    r[1][1] = 1.0 - s * (b * b + d * d);
    r[1][2] = s * (c * d - a * b);
    r[2][0] = s * (b * d - a * c);
    r[2][1] = s * (c * d + a * b);
    r[2][2] = 1.0 - s * (b * b + c * c);
}

} // namespace

Quaternion Quaternion::FromAxisAngle(const Point3D& axis, double angle)
{
    const double x = axis.x;
    const double y = axis.y;
    const double z = axis.z;
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length) || !std::isfinite(angle))
        return Quaternion();
    const double s = std::sin(angle / 2.0) / length;
    return Quaternion(std::cos(angle / 2.0), x * s, y * s, z * s);
}

double Quaternion::Norm() const
{
    return std::sqrt(a * a + b * b + c * c + d * d);
}

Quaternion& Quaternion::operator/=(double f)
{
    if (f != 0.0) {
        a /= f;
        b /= f;
        c /= f;
        d /= f;
    }
    return *this;
}

Quaternion Quaternion::operator*(const Quaternion& o) const
{
    return Quaternion(a * o.a - b * o.b - c * o.c - d * o.d, a * o.b + b * o.a + c * o.d - d * o.c,
        a * o.c - b * o.d + c * o.a + d * o.b, a * o.d + b * o.c - c * o.b + d * o.a);
}

Quaternion Quaternion::operator*(const Point3D& p) const
{
    return *this * Quaternion(double(p.x), double(p.y), double(p.z));
}

Point3D Quaternion::Rotate(const Point3D& p) const
{
    double r[3][3];
    RotationMatrix(a, b, c, d, r);
    const double v[3] = {p.x, p.y, p.z};
    double out[3];
    for (int i = 0; i < 3; ++i)
        out[i] = r[i][0] * v[0] + r[i][1] * v[1] + r[i][2] * v[2];
    return Point3D(float(out[0]), float(out[1]), float(out[2]));
}

Quaternion Quaternion::GetAxis() const
{
    const double vector = std::sqrt(b * b + c * c + d * d);
    if (!(vector > 0.0) || !std::isfinite(vector) || !std::isfinite(a))
        return Quaternion(0.0, 0.0, 0.0, 1.0);
    // atan2 keeps full precision for small and for nearly half-turn angles, where acos does not.
    const double angle = 2.0 * std::atan2(vector, a) * 180.0 / pi;
    return Quaternion(angle, b / vector, c / vector, d / vector);
}

void Quaternion::ToGlMatrix(double m[16]) const
{
    double r[3][3];
    RotationMatrix(a, b, c, d, r);
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row)
            m[column * 4 + row] = row < 3 && column < 3 ? r[row][column] : (row == column ? 1.0 : 0.0);
    }
}
