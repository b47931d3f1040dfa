#pragma once

#include "Matrix.h"
#include "Point3D.h"

#include <cmath>
#include <memory>

// Frames along a curve for resampling planes across it (the centerline transform).
//
// GetSplineTransform(spline, t, first, state) returns a new 4 x 4 matrix, owned by the caller:
//   rows 0-2 of column 3   the curve point at t;
//   column 0, column 1     unit axes of the plane across the curve: the directions in which the
//                          columns and the rows of a resampled plane advance;
//   column 2               the unit tangent at t;
//   row 3                  (0, 0, 0, 1).
// Columns 0, 1 and 2 form a right-handed orthonormal frame (column 0 x column 1 = column 2).
//
// The frame is rotation-minimising: a series of calls with increasing t (first true only for the
// first call, the same state variable passed to every call) turns the plane axes as little as the
// curve allows, so consecutive planes do not twist or flip. On a planar curve column 1 stays the
// plane's normal all along, so a closed planar curve returns to its first frame.
//
// The first frame takes column 0 from the curvature direction (the second derivative minus its
// tangential part: it points towards the centre of curvature) and, where the curve is straight,
// from the coordinate axis least parallel to the tangent (the first such axis on ties), made
// perpendicular to the tangent.
//
// Two kinds of state:
// - Point3D (set to (0, 0, 0) before the series): holds column 0 of the last frame, which the next
//   call projects onto its plane across the curve. Good for closely spaced planes.
// - SplineFrameState: holds the last point, tangent and axis, and carries the axis with the double
//   reflection method (Wang, Juettler, Zheng and Liu, "Computation of rotation minimizing frames",
//   ACM Transactions on Graphics 27(1), 2008), which follows the exact rotation-minimising frame
//   with a fourth-order error even for widely spaced planes.
//
// Where the first derivative vanishes (a node of zero tangent, a curve that stands still) the
// tangent is undefined: the SplineFrameState overload keeps the previous frame (only the point
// moves); the Point3D overload keeps the previous axis and takes the tangent from the curve's
// incoming direction (minus the second derivative), or, where that vanishes too, from the z axis
// (the y axis if the kept axis lies along z) made perpendicular to the kept axis. A first frame at
// such a point takes the outgoing direction (the second derivative), and a curve that does not
// move at all gets the coordinate frame (x, y, z). No NaN ever reaches the matrix.
//
// Spline is any type whose GetValue(t), GetFirstDeriv(t) and GetSecondDeriv(t) return Point3D.

namespace Data {

struct SplineFrameState {
    Point3D point;   // the curve point of the last frame
    Point3D tangent; // its unit tangent; (0, 0, 0) before the first frame
    Point3D axis;    // its column 0
};

namespace SplineFrameDetail {

struct Vec {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

inline Vec ToVec(const Point3D& p)
{
    return Vec{p.x, p.y, p.z};
}
inline Point3D ToPoint(const Vec& v)
{
    return Point3D(float(v.x), float(v.y), float(v.z));
}
inline Vec Add(const Vec& a, const Vec& b)
{
    return Vec{a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec Sub(const Vec& a, const Vec& b)
{
    return Vec{a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec Scale(const Vec& a, double f)
{
    return Vec{a.x * f, a.y * f, a.z * f};
}
inline double Dot(const Vec& a, const Vec& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec Cross(const Vec& a, const Vec& b)
{
    return Vec{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Vec& a)
{
    return std::sqrt(Dot(a, a));
}
inline bool IsFinite(const Vec& a)
{
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

// Scales v to unit length when it is longer than minLength (and finite); false otherwise.
inline bool Normalize(Vec& v, double minLength)
{
    const double length = Length(v);
    if (!std::isfinite(length) || !(length > minLength))
        return false;
    v = Scale(v, 1.0 / length);
    return true;
}

// v without its component along the unit vector n.
inline Vec Reject(const Vec& v, const Vec& n)
{
    return Sub(v, Scale(n, Dot(v, n)));
}

// The coordinate axis least parallel to the unit vector n, made perpendicular to it and unit.
inline Vec LeastParallelAxis(const Vec& n)
{
    const double ax = std::fabs(n.x);
    const double ay = std::fabs(n.y);
    const double az = std::fabs(n.z);
    Vec e{1.0, 0.0, 0.0};
    if (ay < ax && ay <= az)
        e = Vec{0.0, 1.0, 0.0};
    else if (az < ax && az < ay)
        e = Vec{0.0, 0.0, 1.0};
    Vec u = Reject(e, n);
    Normalize(u, 0.0); // |u|^2 = 1 - n_min^2 >= 2/3
    return u;
}

// Thresholds below which a derivative counts as zero: the curve's values are floats, so
// derivatives carry rounding noise in proportion to the size of the coordinates.
inline double NoiseFloor(const Vec& point)
{
    return 1e-6 * (1.0 + Length(point));
}

// The first axis of a series: the curvature direction, or the least parallel coordinate axis
// where the curve is (nearly) straight.
inline Vec InitialAxis(const Vec& point, const Vec& tangent, const Vec& d1, const Vec& d2)
{
    Vec n = Reject(d2, tangent);
    const double minimum = std::fmax(1e-4 * Length(d1), NoiseFloor(point));
    if (Normalize(n, minimum))
        return n;
    return LeastParallelAxis(tangent);
}

inline std::unique_ptr<Matrix> MakeFrame(const Vec& point, const Vec& axis, const Vec& tangent)
{
    const Vec second = Cross(tangent, axis);
    const Vec columns[4] = {axis, second, tangent, point};
    auto m = std::make_unique<Matrix>(4, 4);
    for (uint32_t j = 0; j < 4; ++j) {
        m->Item(0, j) = columns[j].x;
        m->Item(1, j) = columns[j].y;
        m->Item(2, j) = columns[j].z;
    }
    m->Item(3, 3) = 1.0;
    return m;
}

struct Sample {
    Vec point;
    Vec d1;
    Vec d2;
    Vec tangent;
    bool hasTangent = false;
};

template <class Spline> Sample Evaluate(const Spline& spline, double t)
{
    Sample s;
    s.point = ToVec(spline.GetValue(t));
    s.d1 = ToVec(spline.GetFirstDeriv(t));
    s.d2 = ToVec(spline.GetSecondDeriv(t));
    if (!IsFinite(s.point))
        s.point = Vec{};
    if (!IsFinite(s.d1))
        s.d1 = Vec{};
    if (!IsFinite(s.d2))
        s.d2 = Vec{};
    s.tangent = s.d1;
    s.hasTangent = Normalize(s.tangent, NoiseFloor(s.point));
    return s;
}

// A first frame: tangent from the first derivative, else the outgoing direction (the second
// derivative), else z; axis as InitialAxis.
inline void FirstFrame(const Sample& s, Vec& tangent, Vec& axis)
{
    tangent = s.tangent;
    if (!s.hasTangent) {
        tangent = s.d2;
        if (!Normalize(tangent, NoiseFloor(s.point))) {
            tangent = Vec{0.0, 0.0, 1.0};
            axis = Vec{1.0, 0.0, 0.0};
            return;
        }
        axis = LeastParallelAxis(tangent);
        return;
    }
    axis = InitialAxis(s.point, tangent, s.d1, s.d2);
}

} // namespace SplineFrameDetail

// The projection method: the previous axis (in state) projected onto the new plane across the curve.
template <class Spline>
std::unique_ptr<Matrix> GetSplineTransform(const Spline& spline, double t, bool first, Point3D& state)
{
    using namespace SplineFrameDetail;
    const Sample s = Evaluate(spline, t);
    Vec previous = ToVec(state);
    const bool carry = !first && Normalize(previous, 0.5);
    Vec tangent;
    Vec axis;
    if (!carry) {
        FirstFrame(s, tangent, axis);
    } else if (s.hasTangent) {
        tangent = s.tangent;
        axis = Reject(previous, tangent);
        // A turn of nearly 90 degrees since the last plane leaves nothing to carry: start anew.
        if (!Normalize(axis, 1e-3))
            axis = InitialAxis(s.point, tangent, s.d1, s.d2);
    } else {
        axis = previous;
        tangent = Reject(Scale(s.d2, -1.0), axis);
        if (!Normalize(tangent, NoiseFloor(s.point))) {
            // The curve gives no direction at all: z (or y) across the kept axis, so that a curve
            // that stands still keeps the coordinate frame it started with.
            tangent = Reject(Vec{0.0, 0.0, 1.0}, axis);
            if (!Normalize(tangent, 0.5))
                tangent = Reject(Vec{0.0, 1.0, 0.0}, axis);
            Normalize(tangent, 0.0);
        }
    }
    state = ToPoint(axis);
    return MakeFrame(s.point, axis, tangent);
}

// The double reflection method; state carries the whole previous frame.
template <class Spline>
std::unique_ptr<Matrix> GetSplineTransform(const Spline& spline, double t, bool first, SplineFrameState& state)
{
    using namespace SplineFrameDetail;
    const Sample s = Evaluate(spline, t);
    Vec x0 = ToVec(state.point);
    Vec t0 = ToVec(state.tangent);
    Vec r0 = ToVec(state.axis);
    const bool carry = !first && IsFinite(x0) && Normalize(t0, 0.5) && Normalize(r0, 0.5);
    Vec tangent;
    Vec axis;
    if (!carry) {
        FirstFrame(s, tangent, axis);
    } else if (!s.hasTangent) {
        tangent = t0;
        axis = Reject(r0, t0);
        Normalize(axis, 0.0);
    } else {
        tangent = s.tangent;
        // First reflection in the plane bisecting the two points, second in the plane that then
        // takes the reflected tangent onto the new one.
        const Vec v1 = Sub(s.point, x0);
        const double c1 = Dot(v1, v1);
        Vec rL = r0;
        Vec tL = t0;
        if (c1 > 0.0) {
            rL = Sub(r0, Scale(v1, 2.0 * Dot(v1, r0) / c1));
            tL = Sub(t0, Scale(v1, 2.0 * Dot(v1, t0) / c1));
        }
        const Vec v2 = Sub(tangent, tL);
        const double c2 = Dot(v2, v2);
        axis = c2 > 0.0 ? Sub(rL, Scale(v2, 2.0 * Dot(v2, rL) / c2)) : rL;
        // The reflections keep the frame orthonormal up to rounding; remove that drift.
        axis = Reject(axis, tangent);
        if (!Normalize(axis, 1e-3))
            axis = InitialAxis(s.point, tangent, s.d1, s.d2);
    }
    state.point = ToPoint(s.point);
    state.tangent = ToPoint(tangent);
    state.axis = ToPoint(axis);
    return MakeFrame(s.point, axis, tangent);
}

} // namespace Data
