#include "Point3D.h"
#include "SplineTransform.h"
#include "TestRegistry.h"

#include <QtTest>
#include <cmath>
#include <functional>

namespace {

constexpr double pi = 3.14159265358979323846;

// A curve with analytic derivatives, offering what GetSplineTransform asks of a spline.
struct Curve {
    std::function<Point3D(double)> value;
    std::function<Point3D(double)> first;
    std::function<Point3D(double)> second;

    Point3D GetValue(double t) const { return value(t); }
    Point3D GetFirstDeriv(double t) const { return first(t); }
    Point3D GetSecondDeriv(double t) const { return second(t); }
};

Point3D P(double x, double y, double z)
{
    return Point3D(float(x), float(y), float(z));
}

// Helix of radius r about the z axis rising c per radian.
Curve Helix(double r, double c)
{
    return Curve{[=](double t) { return P(r * std::cos(t), r * std::sin(t), c * t); },
        [=](double t) { return P(-r * std::sin(t), r * std::cos(t), c); },
        [=](double t) { return P(-r * std::cos(t), -r * std::sin(t), 0); }};
}

// Circle of radius r about centre in the plane spanned by the unit vectors a and b.
Curve Circle(Point3D centre, Point3D a, Point3D b, double r)
{
    return Curve{[=](double t) { return centre + a * float(r * std::cos(t)) + b * float(r * std::sin(t)); },
        [=](double t) { return a * float(-r * std::sin(t)) + b * float(r * std::cos(t)); },
        [=](double t) { return a * float(-r * std::cos(t)) + b * float(-r * std::sin(t)); }};
}

Point3D Column(const Matrix& m, uint32_t j)
{
    return P(m.Item(0, j), m.Item(1, j), m.Item(2, j));
}

double Dot(const Point3D& a, const Point3D& b)
{
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

bool Near(const Point3D& a, const Point3D& b, double tolerance)
{
    return Point3D::Distance(a, b) < tolerance;
}

// Whether m is a frame at point with tangent direction d: columns 0-2 right-handed orthonormal,
// column 2 along d, column 3 the point, last row (0, 0, 0, 1), everything finite.
QString FrameProblem(const Matrix& m, const Point3D& point, const Point3D& d)
{
    if (m.X() != 4 || m.Y() != 4)
        return "not 4 x 4";
    for (uint32_t k = 0; k < 16; ++k)
        if (!std::isfinite(m.Data()[k]))
            return "not finite";
    if (m.Item(3, 0) != 0.0 || m.Item(3, 1) != 0.0 || m.Item(3, 2) != 0.0 || m.Item(3, 3) != 1.0)
        return "last row";
    const Point3D u = Column(m, 0), v = Column(m, 1), t = Column(m, 2);
    for (const Point3D& c : {u, v, t})
        if (std::fabs(c.Norm() - 1.0) > 1e-6)
            return "not unit";
    if (std::fabs(Dot(u, v)) > 1e-6 || std::fabs(Dot(u, t)) > 1e-6 || std::fabs(Dot(v, t)) > 1e-6)
        return "not orthogonal";
    if (!Near(u.Cross(v), t, 1e-6))
        return "not right-handed";
    if (!Near(t, d / d.Norm(), 1e-6))
        return "column 2 is not the tangent";
    if (!Near(Column(m, 3), point, 1e-6))
        return "column 3 is not the curve point";
    return QString();
}

enum class Method { Projection, DoubleReflection };

// Frames of a series t = t0, t0 + step, ... (count frames) with either kind of state.
std::vector<std::unique_ptr<Matrix>> Series(const Curve& curve, Method method, double t0, double step, int count)
{
    std::vector<std::unique_ptr<Matrix>> frames;
    Point3D axis;
    Data::SplineFrameState state;
    for (int k = 0; k < count; ++k) {
        const double t = t0 + k * step;
        frames.push_back(method == Method::Projection ? Data::GetSplineTransform(curve, t, k == 0, axis)
                                                      : Data::GetSplineTransform(curve, t, k == 0, state));
    }
    return frames;
}

} // namespace

Q_DECLARE_METATYPE(Method)

class TestSplineTransform : public QObject {
    Q_OBJECT
private slots:
    void helixFrames_data();
    void helixFrames();
    void followsRotationMinimisingFrame_data();
    void followsRotationMinimisingFrame();
    void planarCircleHasNoTwist_data();
    void planarCircleHasNoTwist();
    void straightAndStationaryCurves_data();
    void straightAndStationaryCurves();
};

static void AddMethods()
{
    QTest::addColumn<Method>("method");
    QTest::newRow("projection") << Method::Projection;
    QTest::newRow("double reflection") << Method::DoubleReflection;
}

void TestSplineTransform::helixFrames_data()
{
    AddMethods();
}

void TestSplineTransform::helixFrames()
{
    QFETCH(Method, method);
    const Curve helix = Helix(10.0, 3.0);
    const double step = 0.05;
    const auto frames = Series(helix, method, 0.0, step, 250);
    // The first axis points from the curve to the helix axis (the curvature direction).
    QVERIFY(Near(Column(*frames[0], 0), P(-1, 0, 0), 1e-6));
    for (size_t k = 0; k < frames.size(); ++k) {
        const double t = k * step;
        const QString problem = FrameProblem(*frames[k], helix.GetValue(t), helix.GetFirstDeriv(t));
        QVERIFY2(problem.isEmpty(), qPrintable(QString("t = %1: %2").arg(t).arg(problem)));
        if (k > 0) {
            // The axis turns at most as fast as the tangent does: |T'| = r / sqrt(r^2 + c^2) per radian.
            const double turn = Point3D::Distance(Column(*frames[k], 0), Column(*frames[k - 1], 0));
            QVERIFY2(turn < step * 10.0 / std::sqrt(109.0) * 1.01, qPrintable(QString("t = %1").arg(t)));
        }
    }
}

void TestSplineTransform::followsRotationMinimisingFrame_data()
{
    QTest::addColumn<Method>("method");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("tolerance"); // radians
    QTest::newRow("projection, fine") << Method::Projection << 0.01 << 0.01;
    QTest::newRow("double reflection, fine") << Method::DoubleReflection << 0.01 << 1e-5;
    QTest::newRow("double reflection, coarse") << Method::DoubleReflection << 0.2 << 1e-5;
}

void TestSplineTransform::followsRotationMinimisingFrame()
{
    QFETCH(Method, method);
    QFETCH(double, step);
    QFETCH(double, tolerance);
    // Along a helix the rotation-minimising frame turns against the Frenet frame at the rate of
    // the torsion: its axis makes the angle -c t / sqrt(r^2 + c^2) with the principal normal.
    const double r = 10.0, c = 3.0, length = std::sqrt(r * r + c * c);
    const int count = int(std::lround(4.0 * pi / step)) + 1;
    const auto frames = Series(Helix(r, c), method, 0.0, step, count);
    for (int k = 0; k < count; ++k) {
        const double t = k * step;
        const Point3D normal = P(-std::cos(t), -std::sin(t), 0);
        const Point3D binormal = P(c * std::sin(t) / length, -c * std::cos(t) / length, r / length);
        const Point3D axis = Column(*frames[size_t(k)], 0);
        const double angle = std::atan2(Dot(axis, binormal), Dot(axis, normal));
        QVERIFY2(std::fabs(std::remainder(angle + c * t / length, 2.0 * pi)) < tolerance,
            qPrintable(QString("t = %1: %2 instead of %3").arg(t).arg(angle).arg(-c * t / length)));
    }
}

void TestSplineTransform::planarCircleHasNoTwist_data()
{
    AddMethods();
}

void TestSplineTransform::planarCircleHasNoTwist()
{
    QFETCH(Method, method);
    const Point3D a = P(2, 1, 2) / 3.0f;
    const Point3D b = P(-1, 2, 0) / std::sqrt(5.0f);
    const Point3D centre(50, 60, 70);
    const Curve circle = Circle(centre, a, b, 20.0);
    const int count = 101;
    const double step = 2.0 * pi / (count - 1);
    const auto frames = Series(circle, method, 0.0, step, count);
    // The first axis points to the centre, so column 1 = b x (-a) = a x b, the plane's normal.
    QVERIFY(Near(Column(*frames[0], 0), (centre - circle.GetValue(0)) / 20.0f, 1e-5));
    const Point3D normal = a.Cross(b);
    for (int k = 0; k < count; ++k) {
        const double t = k * step;
        const Matrix& m = *frames[size_t(k)];
        QVERIFY2(
            FrameProblem(m, circle.GetValue(t), circle.GetFirstDeriv(t)).isEmpty(), qPrintable(QString::number(t)));
        QVERIFY2(Near(Column(m, 1), normal, 1e-5), qPrintable(QString("t = %1").arg(t)));
    }
    // Once round, the frame is the first one again.
    QVERIFY(Near(Column(*frames.back(), 0), Column(*frames.front(), 0), 1e-5));
}

void TestSplineTransform::straightAndStationaryCurves_data()
{
    AddMethods();
}

void TestSplineTransform::straightAndStationaryCurves()
{
    QFETCH(Method, method);
    // A straight line gives one constant frame.
    const Point3D direction = P(1, 2, 2);
    const Curve line{[=](double t) { return P(5, 6, 7) + direction * float(t); }, [=](double) { return direction; },
        [=](double) { return Point3D(); }};
    const auto frames = Series(line, method, -3.0, 0.7, 12);
    // No curvature: the first axis is x, the coordinate axis least parallel to (1, 2, 2) / 3.
    const Point3D tangent = direction / 3.0f;
    const Point3D x = P(1, 0, 0) - tangent * tangent.x;
    QVERIFY(Near(Column(*frames[0], 0), x / x.Norm(), 1e-6));
    for (size_t k = 0; k < frames.size(); ++k) {
        const double t = -3.0 + 0.7 * k;
        QVERIFY(FrameProblem(*frames[k], line.GetValue(t), direction).isEmpty());
        for (uint32_t j = 0; j < 3; ++j)
            QVERIFY(Near(Column(*frames[k], j), Column(*frames[0], j), 1e-6));
    }

    // A curve that stands still gets the coordinate frame at its point.
    const Curve still{
        [](double) { return P(5, 6, 7); }, [](double) { return Point3D(); }, [](double) { return Point3D(); }};
    for (const auto& m : Series(still, method, 0.0, 1.0, 3))
        QCOMPARE(FrameProblem(*m, P(5, 6, 7), P(0, 0, 1)), QString());
    QCOMPARE(Column(*Series(still, method, 0.0, 1.0, 1)[0], 0), P(1, 0, 0));

    // (t^2, t^3, 0) stops at t = 0 and leaves along +x, having arrived along -x.
    const Curve cusp{[](double t) { return P(t * t, t * t * t, 0); }, [](double t) { return P(2 * t, 3 * t * t, 0); },
        [](double) { return P(2, 0, 0); }};
    const auto cuspFrames = Series(cusp, method, -1.0, 0.5, 5);
    for (size_t k = 0; k < cuspFrames.size(); ++k) {
        const double t = -1.0 + 0.5 * k;
        const Matrix& m = *cuspFrames[k];
        // At the stop (k = 2) the tangent is undefined: any unit column 2 is checked for the frame.
        const Point3D d = k == 2 ? Column(m, 2) : cusp.GetFirstDeriv(t);
        QVERIFY2(FrameProblem(m, cusp.GetValue(t), d).isEmpty(), qPrintable(QString::number(t)));
    }
    // At the stop both keep the previous axis; the double reflection keeps the whole frame.
    QVERIFY(Near(Column(*cuspFrames[2], 0), Column(*cuspFrames[1], 0), 1e-6));
    if (method == Method::DoubleReflection)
        QVERIFY(Near(Column(*cuspFrames[2], 2), Column(*cuspFrames[1], 2), 1e-6));
    // A series that starts at the stationary point leaves along the second derivative.
    QCOMPARE(FrameProblem(*Series(cusp, method, 0.0, 1.0, 1)[0], P(0, 0, 0), P(1, 0, 0)), QString());
}

LUMIVOX_REGISTER_TEST(TestSplineTransform)
#include "TestSplineTransform.moc"
