#include "BoolImage.h"
#include "Image.h"
#include "Matrix.h"
#include "Snake.h"
#include "SnakeParams.h"
#include "TestRegistry.h"
#include "TypedImage.h"

#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

Q_DECLARE_METATYPE(SnakeParams::Background)

namespace {

constexpr double kPi = 3.14159265358979323846;

// A slice with a disc (or a ring between `inner` and `outer`) of one grey value on another,
// with uniform noise from a fixed seed.
std::unique_ptr<FloatImage> RingImage(
    int w, int h, double cx, double cy, double inner, double outer, float in, float out, float noise)
{
    auto image = std::make_unique<FloatImage>(w, h, RATIONAL(1, 1), RATIONAL(1, 1), "");
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> jitter(-noise, noise);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double r = std::hypot(x - cx, y - cy);
            image->At(x, y) = (r >= inner && r <= outer ? in : out) + jitter(random);
        }
    }
    return image;
}

Snake Reversed(const Snake& snake)
{
    std::vector<Point> pts = snake.GetPoints();
    std::reverse(pts.begin(), pts.end());
    return Snake(pts.data(), pts.size(), snake.GetParams());
}

Snake Polygon(const std::vector<Point>& pts, bool clockwise, const SnakeParams* params = nullptr)
{
    Snake snake(pts.data(), pts.size(), params);
    return clockwise ? Reversed(snake) : snake;
}

// Steps until nothing moves (or `limit` steps); returns the number of steps taken.
int Settle(Snake& snake, const Image& image, const BoolImage* mask, const Snake* neighbour, int limit)
{
    const auto dx = image.ddx(), dy = image.ddy();
    for (int k = 1; k <= limit; ++k) {
        snake.Step(*dx, *dy, mask, neighbour);
        if (!snake.GetIsMoved())
            return k;
    }
    return limit;
}

double WorstRadiusError(const Snake& snake, double cx, double cy, double radius)
{
    double worst = 0.0;
    for (size_t i = 0; i < snake.Size(); ++i)
        worst = std::max(worst, std::fabs(std::hypot(snake[i].x - cx, snake[i].y - cy) - radius));
    return worst;
}

double Cross(const Point& o, const Point& a, const Point& b)
{
    return (double(a.x) - o.x) * (double(b.y) - o.y) - (double(a.y) - o.y) * (double(b.x) - o.x);
}

bool OnSegment(const Point& p, const Point& a, const Point& b)
{
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y
        && p.y <= std::max(a.y, b.y);
}

bool SegmentsMeet(const Point& a, const Point& b, const Point& c, const Point& d)
{
    const double d1 = Cross(c, d, a), d2 = Cross(c, d, b), d3 = Cross(a, b, c), d4 = Cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    return (d1 == 0 && OnSegment(a, c, d)) || (d2 == 0 && OnSegment(b, c, d)) || (d3 == 0 && OnSegment(c, a, b))
        || (d4 == 0 && OnSegment(d, a, b));
}

// True when no two edges that do not share a node touch or cross.
bool IsSimple(const Snake& snake)
{
    const size_t n = snake.Size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 2; j < n; ++j)
            if (!(i == 0 && j == n - 1) && SegmentsMeet(snake[i], snake[(i + 1) % n], snake[j], snake[(j + 1) % n]))
                return false;
    return true;
}

std::vector<double> Gaps(const Snake& snake)
{
    std::vector<double> gaps;
    for (size_t i = 0; i < snake.Size(); ++i)
        gaps.push_back(snake[i].Distance(snake[(i + 1) % snake.Size()]));
    return gaps;
}

// A U-shaped outline of the square (0, 0)-(30, 30) with the notch (10, 10)-(20, 30) cut from the
// top, counter-clockwise, moved by (ox, oy); the straight sides carry nodes every 2 pixels.
std::vector<Point> UShape(float ox, float oy)
{
    const std::vector<Point> corners = {{0, 0}, {30, 0}, {30, 30}, {20, 30}, {20, 10}, {10, 10}, {10, 30}, {0, 30}};
    std::vector<Point> pts;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Point a = corners[i], b = corners[(i + 1) % corners.size()];
        const int pieces = int(std::ceil(a.Distance(b) / 2.0f));
        for (int k = 0; k < pieces; ++k)
            pts.push_back(a + (b - a) * (float(k) / pieces) + Point(ox, oy));
    }
    return pts;
}

} // namespace

class TestSnake : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void constructsCircle_data();
    void constructsCircle();
    void constructsFromNodes();
    void copiesAreDeep();
    void settlesOnDiscEdge_data();
    void settlesOnDiscEdge();
    void backgroundPreferencePicksEdge_data();
    void backgroundPreferencePicksEdge();
    void followsNeighbourContour();
    void readsDerivativesOfAnyPixelType();
    void neverEntersMask_data();
    void neverEntersMask();
    void insertsNoNodeOnMask();
    void zeroWeightsDoNotMove_data();
    void zeroWeightsDoNotMove();
    void shrinks_data();
    void shrinks();
    void shrinksSmallContoursSafely_data();
    void shrinksSmallContoursSafely();
    void respaces_data();
    void respaces();
    void stepRespaces();
    void masksTwoContours();
    void interiorPointOfConcaveContour_data();
    void interiorPointOfConcaveContour();
    void centreOfSquare();

private:
    bool ownKernels = false;
};

void TestSnake::initTestCase()
{
    // The derivative kernels, as the program's entry point creates them.
    if (!Image::DX) {
        const double dx[9] = {0, 0, 0, -0.5, 0, 0.5, 0, 0, 0};
        const double dy[9] = {0, 0.5, 0, 0, 0, 0, 0, -0.5, 0};
        const double lap[9] = {0, 0.5, 0, 0.5, -2, 0.5, 0, 0.5, 0};
        Image::DX = new Matrix(3, 3, dx);
        Image::DY = new Matrix(3, 3, dy);
        Image::LAPLACE = new Matrix(3, 3, lap);
        ownKernels = true;
    }
}

void TestSnake::cleanupTestCase()
{
    if (ownKernels) {
        delete Image::DX;
        delete Image::DY;
        delete Image::LAPLACE;
        Image::DX = Image::DY = Image::LAPLACE = nullptr;
    }
}

void TestSnake::constructsCircle_data()
{
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<int>("count");
    QTest::newRow("spacing 5") << 30.0 << 5.0 << 19;      // pi * 30 / 5 = 18.85
    QTest::newRow("fine spacing") << 100.0 << 1.0 << 314; // pi * 100 = 314.16
    QTest::newRow("at least 8") << 10.0 << 10.0 << 8;
    QTest::newRow("spacing 0") << 30.0 << 0.0 << 16;
    QTest::newRow("negative spacing") << 30.0 << -3.0 << 16;
}

void TestSnake::constructsCircle()
{
    QFETCH(double, size);
    QFETCH(double, spacing);
    QFETCH(int, count);
    const SnakeParams params;
    const Snake snake(Point(40.0f, 25.0f), size, spacing, &params);
    QCOMPARE(int(snake.Size()), count);
    QCOMPARE(snake.GetParams(), &params);
    QVERIFY(!snake.GetIsMoved());
    for (size_t i = 0; i < snake.Size(); ++i)
        QVERIFY2(std::fabs(snake[i].Distance(Point(40.0f, 25.0f)) - size / 2.0) < 1e-3, qPrintable(QString::number(i)));
    // First node at angle 0, then counter-clockwise (y grows upward).
    QVERIFY(std::fabs(snake[0].x - (40.0 + size / 2.0)) < 1e-3);
    QVERIFY(std::fabs(snake[0].y - 25.0) < 1e-3);
    QVERIFY(snake[1].y > 25.0f);
    QVERIFY(std::fabs(snake.GetArea() - 0.5 * count * std::pow(size / 2, 2) * std::sin(2 * kPi / count)) < 1e-2);
}

void TestSnake::constructsFromNodes()
{
    std::vector<Point> pts = {{1, 2}, {5, 2}, {5, 7}, {1, 6}};
    const Snake snake(pts.data(), pts.size(), nullptr);
    pts[0] = Point(100, 100);
    QCOMPARE(int(snake.Size()), 4);
    QCOMPARE(snake[0], Point(1, 2));
    QCOMPARE(snake[3], Point(1, 6));
    const Snake none(nullptr, 5, nullptr);
    QCOMPARE(int(none.Size()), 0);
    QCOMPARE(none.GetBoundingBox().first, Point());
    const std::vector<Point> spread = {{3, 7}, {10, -2}, {5, 12.5f}, {-4, 1}};
    const auto box = Snake(spread.data(), spread.size(), nullptr).GetBoundingBox();
    QCOMPARE(box.first, Point(-4, -2));
    QCOMPARE(box.second, Point(10, 12.5f));
}

void TestSnake::copiesAreDeep()
{
    const SnakeParams params(1, 2, 3, 4, 5, 6, 7, 8);
    Snake original(Point(10, 10), 20, 4, &params);
    original.SetIsMoved(true);
    Snake copy(original);
    Snake assigned(Point(0, 0), 4, 1, nullptr);
    assigned = original;
    for (Snake* other : {&copy, &assigned}) {
        QVERIFY(other->GetPoints() == original.GetPoints());
        QVERIFY(other->GetIsMoved());
        QCOMPARE(other->GetParams(), &params);
        (*other)[0].x += 5;
        other->SetNode(1, 0, 0);
    }
    QVERIFY(original.GetPoints() == Snake(Point(10, 10), 20, 4, &params).GetPoints());
}

void TestSnake::settlesOnDiscEdge_data()
{
    QTest::addColumn<bool>("brightDisc");
    QTest::addColumn<SnakeParams::Background>("background");
    QTest::addColumn<bool>("clockwise");
    QTest::addColumn<double>("seedDiameter");
    QTest::addColumn<double>("distance");
    // Bright object on a darker background: "Black"; dark object on a brighter one: "White".
    QTest::newRow("bright disc, black, ccw") << true << SnakeParams::Black << false << 72.0 << 0.0;
    QTest::newRow("bright disc, black, cw") << true << SnakeParams::Black << true << 72.0 << 0.0;
    QTest::newRow("bright disc, none, ccw") << true << SnakeParams::None << false << 72.0 << 0.0;
    QTest::newRow("bright disc, none, cw, spacing 4") << true << SnakeParams::None << true << 72.0 << 4.0;
    QTest::newRow("dark disc, white, ccw") << false << SnakeParams::White << false << 72.0 << 0.0;
    QTest::newRow("dark disc, white, cw") << false << SnakeParams::White << true << 72.0 << 0.0;
    QTest::newRow("dark disc, white, cw, spacing 5") << false << SnakeParams::White << true << 72.0 << 5.0;
    QTest::newRow("bright disc, black, from inside") << true << SnakeParams::Black << false << 50.0 << 0.0;
    QTest::newRow("dark disc, white, from inside, cw") << false << SnakeParams::White << true << 50.0 << 0.0;
}

void TestSnake::settlesOnDiscEdge()
{
    QFETCH(bool, brightDisc);
    QFETCH(SnakeParams::Background, background);
    QFETCH(bool, clockwise);
    QFETCH(double, seedDiameter);
    QFETCH(double, distance);
    const double cx = 64, cy = 60, radius = 30;
    const auto image = RingImage(128, 120, cx, cy, -1, radius, brightDisc ? 200 : 60, brightDisc ? 60 : 200, 15);
    const auto dx = image->ddx(), dy = image->ddy();
    const SnakeParams params(1.0, 1.0, 1.5, 0.0, 7, 3, distance, 0, background);
    const Snake circle(Point(float(cx), float(cy)), seedDiameter, 4, &params);
    Snake snake = clockwise ? Reversed(circle) : circle;

    snake.Step(*dx, *dy, nullptr, nullptr);
    QVERIFY(snake.GetIsMoved());
    Settle(snake, *image, nullptr, nullptr, 60);
    // The edge lies between the last pixel inside (distance 30) and the first outside.
    const double worst = WorstRadiusError(snake, cx, cy, radius + 0.5);
    QVERIFY2(worst <= 2.0, qPrintable(QString("worst node is %1 px off the edge").arg(worst)));
    QVERIFY(snake.Size() >= 8);
    QVERIFY(IsSimple(snake));
}

void TestSnake::backgroundPreferencePicksEdge_data()
{
    QTest::addColumn<SnakeParams::Background>("background");
    QTest::addColumn<double>("expected");
    // A bright ring between radius 20 and 32: from radius 26, "White" (the outside brighter)
    // finds the inner edge and "Black" the outer one, in either node order.
    QTest::newRow("white") << SnakeParams::White << 19.5;
    QTest::newRow("black") << SnakeParams::Black << 32.5;
}

void TestSnake::backgroundPreferencePicksEdge()
{
    QFETCH(SnakeParams::Background, background);
    QFETCH(double, expected);
    const double cx = 64, cy = 64;
    const auto image = RingImage(128, 128, cx, cy, 20, 32, 220, 50, 10);
    const SnakeParams params(0.5, 0.5, 2.0, 0.0, 8, 2, 0, 0, background);
    const Snake circle(Point(float(cx), float(cy)), 52, 4, &params);
    for (bool clockwise : {false, true}) {
        Snake snake = clockwise ? Reversed(circle) : circle;
        Settle(snake, *image, nullptr, nullptr, 60);
        const double worst = WorstRadiusError(snake, cx, cy, expected);
        QVERIFY2(worst <= 2.0,
            qPrintable(QString("worst node is %1 px off the edge, clockwise %2").arg(worst).arg(clockwise)));
    }
}

void TestSnake::followsNeighbourContour()
{
    // Without any image edge, the neighbouring slice's contour draws the nodes onto itself.
    const auto image = RingImage(100, 100, 50, 50, -1, -1, 0, 0, 0);
    const auto dx = image->ddx(), dy = image->ddy();
    const SnakeParams params(0.2, 0.2, 0.0, 1.0, 7, 2, 0, 0);
    const Snake neighbour(Point(50, 50), 50, 2, &params);
    Snake snake(Point(47, 52), 70, 5, &params);
    snake.Step(*dx, *dy, nullptr, &neighbour);
    QVERIFY(snake.GetIsMoved());
    Settle(snake, *image, nullptr, &neighbour, 40);
    const double worst = WorstRadiusError(snake, 50, 50, 25);
    QVERIFY2(worst <= 1.5, qPrintable(QString("worst node is %1 px off the neighbour").arg(worst)));
}

void TestSnake::readsDerivativesOfAnyPixelType()
{
    // Derivative images that are not float images are read through their pixel values: a 16-bit
    // pair gives the same steps as the same values in float images. The field holds one edge, the
    // rows 39 and 40 (intensity rising upward), and nothing else.
    const int w = 80, h = 80;
    FloatImage fx(w, h, RATIONAL(1, 1), RATIONAL(1, 1), ""), fy(w, h, RATIONAL(1, 1), RATIONAL(1, 1), "");
    UShortImage ux(w, h, RATIONAL(1, 1), RATIONAL(1, 1), ""), uy(w, h, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int x = 0; x < w; ++x) {
        for (int y = 39; y <= 40; ++y) {
            fy.At(x, y) = 90;
            uy.At(x, y) = 90;
        }
    }
    const SnakeParams params(0.5, 0.5, 2.0, 0, 7, 2, 0, 0, SnakeParams::None);
    Snake typed(Point(40, 40), 30, 4, &params);
    Snake converted(typed);
    for (int step = 0; step < 5; ++step) {
        typed.Step(fx, fy, nullptr, nullptr);
        converted.Step(ux, uy, nullptr, nullptr);
        QCOMPARE(converted.GetIsMoved(), typed.GetIsMoved());
        QVERIFY(converted.GetPoints() == typed.GetPoints());
    }
    // The edge did move the contour, so the steps compared above were real ones.
    QVERIFY(typed.GetPoints() != Snake(Point(40, 40), 30, 4, &params).GetPoints());
}

void TestSnake::neverEntersMask_data()
{
    QTest::addColumn<bool>("clockwise");
    QTest::addColumn<double>("distance");
    QTest::newRow("ccw") << false << 0.0;
    QTest::newRow("cw") << true << 0.0;
    QTest::newRow("ccw, inserting nodes") << false << 3.0;
    QTest::newRow("cw, inserting nodes") << true << 3.0;
}

void TestSnake::neverEntersMask()
{
    QFETCH(bool, clockwise);
    QFETCH(double, distance);
    // The contour grows from inside a bright disc towards its edge; the half-plane x >= 91 cuts
    // through the disc's right part and must stop the nodes there.
    const double cx = 64, cy = 64;
    const int wall = 91;
    const auto image = RingImage(128, 128, cx, cy, -1, 30, 200, 60, 10);
    const auto dx = image->ddx(), dy = image->ddy();
    BoolImage mask(128, 128, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int y = 0; y < 128; ++y)
        for (int x = wall; x < 128; ++x)
            mask.Set(x, y, true);
    const SnakeParams params(1.0, 1.0, 1.5, 0.0, 8, 3, distance, 0, SnakeParams::Black);
    const Snake circle(Point(float(cx), float(cy)), 44, 4, &params);
    Snake snake = clockwise ? Reversed(circle) : circle;

    float rightmost = -1, leftmost = 1000;
    for (int step = 0; step < 30; ++step) {
        snake.Step(*dx, *dy, &mask, nullptr);
        for (size_t i = 0; i < snake.Size(); ++i) {
            const int px = int(std::floor(snake[i].x + 0.5f));
            const int py = int(std::floor(snake[i].y + 0.5f));
            QVERIFY2(mask.Contains(px, py) && !mask.Get(px, py),
                qPrintable(QString("step %1, node %2 on (%3, %4)").arg(step).arg(i).arg(px).arg(py)));
            rightmost = std::max(rightmost, snake[i].x);
            leftmost = std::min(leftmost, snake[i].x);
        }
    }
    // The free side reached the edge, the masked side pressed against the wall.
    QVERIFY2(leftmost <= cx - 29, qPrintable(QString::number(leftmost)));
    QVERIFY2(rightmost >= wall - 3, qPrintable(QString::number(rightmost)));
}

void TestSnake::insertsNoNodeOnMask()
{
    // A triangle whose long bottom side runs through a masked block: re-spacing fills the side
    // with nodes but leaves out those that would sit on the block.
    const auto image = RingImage(64, 64, 0, 0, -1, -1, 10, 10, 0);
    const auto dx = image->ddx(), dy = image->ddy();
    BoolImage mask(64, 64, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int y = 18; y <= 22; ++y)
        for (int x = 27; x <= 33; ++x)
            mask.Set(x, y, true);
    const SnakeParams params(1.0, 0, 0, 0, 7, 1, 4, 0);
    const std::vector<Point> pts = {{10, 20}, {50, 20}, {30, 40}};
    Snake snake(pts.data(), pts.size(), &params);
    snake.Step(*dx, *dy, &mask, nullptr);
    QVERIFY(snake.GetIsMoved());
    QVERIFY(snake.Size() > 20);
    int below = 0; // nodes on the bottom side
    for (size_t i = 0; i < snake.Size(); ++i) {
        const int px = int(std::floor(snake[i].x + 0.5f)), py = int(std::floor(snake[i].y + 0.5f));
        QVERIFY2(!mask.Get(px, py), qPrintable(QString("node %1 on (%2, %3)").arg(i).arg(px).arg(py)));
        below += py <= 22 ? 1 : 0;
    }
    QVERIFY(below >= 6);
}

void TestSnake::zeroWeightsDoNotMove_data()
{
    QTest::addColumn<bool>("withParams");
    QTest::addColumn<double>("distance");
    QTest::newRow("all weights 0") << true << 0.0;
    QTest::newRow("all weights 0, spacing set") << true << 3.0;
    QTest::newRow("no parameters") << false << 0.0;
}

void TestSnake::zeroWeightsDoNotMove()
{
    QFETCH(bool, withParams);
    QFETCH(double, distance);
    const auto image = RingImage(128, 128, 64, 64, -1, 30, 200, 60, 10);
    const auto dx = image->ddx(), dy = image->ddy();
    const SnakeParams params(0, 0, 0, 0, 7, 3, distance, 0, SnakeParams::None);
    const Snake neighbour(Point(64, 64), 60, 3, &params);
    Snake snake(Point(64, 64), 72, 12, withParams ? &params : nullptr);
    const std::vector<Point> before = snake.GetPoints();
    snake.SetIsMoved(true);
    snake.Step(*dx, *dy, nullptr, &neighbour);
    QVERIFY(!snake.GetIsMoved());
    const std::vector<Point> after = snake.GetPoints();
    QVERIFY(after == before);
}

void TestSnake::shrinks_data()
{
    QTest::addColumn<bool>("clockwise");
    QTest::addColumn<double>("shrinkage");
    QTest::newRow("ccw, 5") << false << 5.0;
    QTest::newRow("cw, 5") << true << 5.0;
    QTest::newRow("ccw, 0.3") << false << 0.3;
    QTest::newRow("ccw, grow 5") << false << -5.0;
    QTest::newRow("cw, grow 5") << true << -5.0;
    QTest::newRow("ccw, 0") << false << 0.0;
}

void TestSnake::shrinks()
{
    QFETCH(bool, clockwise);
    QFETCH(double, shrinkage);
    const Snake circle(Point(50, 40), 40, 2, nullptr);
    Snake snake = clockwise ? Reversed(circle) : circle;
    const double area = snake.GetArea();
    const size_t count = snake.Size();
    snake.Shrink(shrinkage, 0);
    QCOMPARE(snake.Size(), count); // no re-spacing without a distance
    const double radius = 20 - shrinkage;
    QVERIFY2(WorstRadiusError(snake, 50, 40, radius) < 0.1, qPrintable(QString::number(snake[0].x)));
    if (shrinkage > 0)
        QVERIFY(snake.GetArea() < area);
    else if (shrinkage < 0)
        QVERIFY(snake.GetArea() > area);
    QVERIFY(std::fabs(snake.GetArea() / area - radius * radius / 400) < 0.01);
    const Point c = snake.GetCenter();
    QVERIFY(std::fabs(c.x - 50) < 0.05 && std::fabs(c.y - 40) < 0.05);
}

void TestSnake::shrinksSmallContoursSafely_data()
{
    QTest::addColumn<QVector<QPointF>>("nodes");
    QTest::addColumn<double>("shrinkage");
    QTest::addColumn<bool>("symmetric"); // the centre stays where it is
    auto circle = [](double r, int n) {
        QVector<QPointF> v;
        for (int i = 0; i < n; ++i)
            v << QPointF(20 + r * std::cos(2 * kPi * i / n), 30 + r * std::sin(2 * kPi * i / n));
        return v;
    };
    auto u = [] {
        QVector<QPointF> v;
        for (const Point& p : UShape(5, 5))
            v << QPointF(p.x, p.y);
        return v;
    };
    QTest::newRow("radius 2, shrink 10") << circle(2, 8) << 10.0 << true;
    QTest::newRow("radius 1.5, shrink 1") << circle(1.5, 8) << 1.0 << true;
    QTest::newRow("radius 5, many nodes, shrink 100") << circle(5, 60) << 100.0 << true;
    QTest::newRow("radius 8, shrink 1e9") << circle(8, 30) << 1e9 << true;
    QTest::newRow("U shape, shrink 3") << u() << 3.0 << false;
    QTest::newRow("U shape, grow 4") << u() << -4.0 << false;
}

void TestSnake::shrinksSmallContoursSafely()
{
    QFETCH(QVector<QPointF>, nodes);
    QFETCH(double, shrinkage);
    QFETCH(bool, symmetric);
    for (bool clockwise : {false, true}) {
        std::vector<Point> pts;
        for (const QPointF& p : nodes)
            pts.emplace_back(float(p.x()), float(p.y()));
        Snake snake = Polygon(pts, clockwise);
        const double area = snake.GetArea();
        const Point centre = snake.GetCenter();
        snake.Shrink(shrinkage, 0);
        QVERIFY(snake.Size() >= 3);
        for (size_t i = 0; i < snake.Size(); ++i)
            QVERIFY(std::isfinite(snake[i].x) && std::isfinite(snake[i].y));
        QVERIFY(snake.GetArea() > 0);
        QVERIFY(shrinkage > 0 ? snake.GetArea() < area : snake.GetArea() > area);
        QVERIFY(IsSimple(snake));
        if (symmetric)
            QVERIFY(snake.GetCenter().Distance(centre) < 0.5f);
    }
}

void TestSnake::respaces_data()
{
    QTest::addColumn<double>("spacing");
    QTest::addColumn<double>("distance");
    QTest::newRow("dense to 6") << 1.0 << 6.0;
    QTest::newRow("sparse to 4") << 15.0 << 4.0;
    QTest::newRow("sparse to 2.5") << 20.0 << 2.5;
    QTest::newRow("already right") << 5.0 << 5.0;
}

void TestSnake::respaces()
{
    QFETCH(double, spacing);
    QFETCH(double, distance);
    Snake snake(Point(50, 50), 60, spacing, nullptr);
    snake.Shrink(0, distance);
    const double perimeter = kPi * 60;
    QVERIFY(snake.Size() >= size_t(perimeter / (1.5 * distance)));
    QVERIFY(snake.Size() <= size_t(perimeter / (0.5 * distance)) + 1);
    for (double gap : Gaps(snake)) {
        QVERIFY2(gap >= 0.5 * distance - 1e-4, qPrintable(QString::number(gap)));
        QVERIFY2(gap <= 1.5 * distance + 1e-4, qPrintable(QString::number(gap)));
    }
    // A second pass leaves a re-spaced contour as it is.
    const std::vector<Point> once = snake.GetPoints();
    snake.Shrink(0, distance);
    QVERIFY(snake.GetPoints() == once);
}

void TestSnake::stepRespaces()
{
    // Alone on a flat slice the step only keeps the spacing: the 8 nodes 23 px apart become
    // nodes at most 1.5 x 4 apart.
    const auto image = RingImage(100, 100, 50, 50, -1, -1, 10, 10, 0);
    const auto dx = image->ddx(), dy = image->ddy();
    const SnakeParams params(1.0, 0, 0, 0, 7, 1, 4, 0);
    Snake snake(Point(50, 50), 60, 30, &params);
    QCOMPARE(int(snake.Size()), 8);
    snake.Step(*dx, *dy, nullptr, nullptr);
    QVERIFY(snake.GetIsMoved());
    QVERIFY(snake.Size() > 30);
    for (double gap : Gaps(snake))
        QVERIFY2(gap >= 2.0 && gap <= 6.0, qPrintable(QString::number(gap)));
}

void TestSnake::masksTwoContours()
{
    const Snake a(Point(20, 20), 20, 3, nullptr);
    const Snake b = Reversed(Snake(Point(50.4f, 30.3f), 16, 3, nullptr));
    const auto mask = Snake::Mask({&a, &b}, 80, 60, true);
    QVERIFY(mask);
    QCOMPARE(mask->width, 80);
    QCOMPARE(mask->height, 60);
    for (const Snake* s : {&a, &b}) {
        for (size_t i = 0; i < s->Size(); ++i) {
            const int px = int(std::floor((*s)[i].x + 0.5f)), py = int(std::floor((*s)[i].y + 0.5f));
            QVERIFY2(mask->Get(px, py), qPrintable(QString("node on (%1, %2)").arg(px).arg(py)));
        }
    }
    QVERIFY(mask->Get(20, 20));
    QVERIFY(mask->Get(50, 30));
    QVERIFY(!mask->Get(35, 25)); // between the two
    QVERIFY(!mask->Get(20, 32)); // just above the first
    QVERIFY(!mask->Get(0, 0));
    // Each pixel whose centre is inside, plus the outline: about the two areas.
    const double expected = a.GetArea() + b.GetArea();
    const double set = double(mask->GetPixelArea());
    QVERIFY2(set >= expected && set <= expected + 1.2 * (kPi * 20 + kPi * 16), qPrintable(QString::number(set)));

    // Value false: the contour is cleared and the rest set. A contour half outside is clipped.
    const Snake inside(Point(10, 10), 8, 2, nullptr);
    const Snake clipped(Point(-5, 30), 30, 2, nullptr);
    const auto outside = Snake::Mask({&inside, nullptr, &clipped}, 40, 40, false);
    QVERIFY(!outside->Get(10, 10));
    QVERIFY(!outside->Get(0, 30));
    QVERIFY(!outside->Get(9, 30));
    QVERIFY(outside->Get(11, 30));
    QVERIFY(outside->Get(30, 10));
    const auto empty = Snake::Mask({}, 0, -3, true);
    QCOMPARE(empty->width, 0);
    QCOMPARE(empty->height, 0);
}

void TestSnake::interiorPointOfConcaveContour_data()
{
    QTest::addColumn<bool>("upsideDown");
    QTest::newRow("U") << false;
    QTest::newRow("upside-down U") << true;
}

void TestSnake::interiorPointOfConcaveContour()
{
    QFETCH(bool, upsideDown);
    std::vector<Point> pts = UShape(100, 50);
    if (upsideDown) {
        for (Point& p : pts)
            p.y = 130 - p.y; // 50..80 maps onto 80..50
        std::reverse(pts.begin(), pts.end());
    }
    for (bool clockwise : {false, true}) {
        const Snake snake = Polygon(pts, clockwise);
        // The centroid lies in the notch, outside the contour.
        const Point c = snake.GetCenter();
        QVERIFY(c.x > 110 && c.x < 120 && (upsideDown ? c.y < 70 : c.y > 60));
        const Point p = snake.GetInteriorPoint();
        const double x = p.x - 100, y = upsideDown ? 80 - p.y : p.y - 50; // in the shape's own frame
        const bool inBase = x > 0 && x < 30 && y > 0 && y < 10;
        const bool inArm = ((x > 0 && x < 10) || (x > 20 && x < 30)) && y > 0 && y < 30;
        QVERIFY2(inBase || inArm, qPrintable(QString("(%1, %2), clockwise %3").arg(p.x).arg(p.y).arg(clockwise)));
    }

    // A convex contour: its centroid.
    const Snake disc(Point(7, 9), 10, 2, nullptr);
    QVERIFY(disc.GetInteriorPoint().Distance(Point(7, 9)) < 1e-3f);
}

void TestSnake::centreOfSquare()
{
    // The square (10, 20)-(30, 40) with many extra nodes along its bottom side: the area centroid
    // is the square's middle, though the mean of the nodes lies far below it.
    std::vector<Point> pts;
    for (int k = 0; k < 20; ++k)
        pts.emplace_back(10.0f + k, 20.0f);
    pts.emplace_back(30.0f, 20.0f);
    pts.emplace_back(30.0f, 40.0f);
    pts.emplace_back(10.0f, 40.0f);
    for (bool clockwise : {false, true}) {
        const Snake snake = Polygon(pts, clockwise);
        const Point c = snake.GetCenter();
        QVERIFY2(
            std::fabs(c.x - 20) < 1e-4 && std::fabs(c.y - 30) < 1e-4, qPrintable(QString("%1 %2").arg(c.x).arg(c.y)));
        QCOMPARE(snake.GetArea(), 400.0);
        QVERIFY(snake.GetInteriorPoint().Distance(Point(20, 30)) < 1e-4f);
    }
}

LUMIVOX_REGISTER_TEST(TestSnake)
#include "TestSnake.moc"
