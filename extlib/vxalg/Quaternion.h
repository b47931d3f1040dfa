#pragma once

class Point3D;

// A quaternion a + b i + c j + d k; unit quaternions are the rotations of the 3-D view.
class Quaternion {
public:
    Quaternion() = default;
    Quaternion(double a_, double b_, double c_, double d_) : a(a_), b(b_), c(c_), d(d_) { }
    Quaternion(double x, double y, double z) : a(0.0), b(x), c(y), d(z) { } // a pure vector
    // The rotation by angle (radians) about the given axis (need not be unit), counter-clockwise
    // when the axis points at the viewer; the identity for a zero axis.
    static Quaternion FromAxisAngle(const Point3D& axis, double angle);

    double GetA() const { return a; }
    double GetB() const { return b; }
    double GetC() const { return c; }
    double GetD() const { return d; }

    Quaternion Conjugate() const { return Quaternion(a, -b, -c, -d); }
    double Norm() const;
    Quaternion& operator/=(double f);                // dividing by 0 leaves the quaternion unchanged
    Quaternion operator*(const Quaternion& o) const; // Hamilton product
    Quaternion operator*(const Point3D& p) const;    // product with the pure quaternion (0, p)
    // Rotates p by this unit quaternion: the vector part of q (0, p) conj(q). A quaternion that
    // has drifted from unit length is normalised first, so it rotates without scaling; the zero
    // quaternion leaves p unchanged. Computed in double precision.
    Point3D Rotate(const Point3D& p) const;
    // The rotation as (angle in degrees, axis x, y, z), ready for glRotated; (0, 0, 0, 1) for
    // the identity. The axis is unit; the angle is 2 atan2(|(b, c, d)|, a), in [0, 360].
    Quaternion GetAxis() const;
    // The 4 x 4 column-major rotation matrix for glMultMatrixd (element (row, column) at
    // m[column * 4 + row]); it maps a point exactly as Rotate does.
    void ToGlMatrix(double m[16]) const;

private:
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 0.0;
};
