#include "BoolImage.h"
#include "TestRegistry.h"

#include <QtTest>
#include <cmath>
#include <vector>

Q_DECLARE_METATYPE(RATIONAL)

namespace {

// Masks drawn as text, the top row of the picture first ('#' set, '.' unset); since image rows
// count upward, the first line is row height - 1.
std::unique_ptr<BoolImage> FromArt(const QStringList& art)
{
    const int h = art.size();
    const int w = h ? art[0].size() : 0;
    auto mask = Image::Boolean(w, h, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            mask->Set(x, h - 1 - r, art[r][x] == '#');
    return mask;
}

QStringList ToArt(const BoolImage& mask)
{
    QStringList art;
    for (int y = mask.height - 1; y >= 0; --y) {
        QString line;
        for (int x = 0; x < mask.width; ++x)
            line += mask.Get(x, y) ? '#' : '.';
        art << line;
    }
    return art;
}

// Number of 8-connected groups of set pixels.
int Components(const BoolImage& mask)
{
    std::vector<int> label(size_t(mask.width) * size_t(mask.height), 0);
    int count = 0;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            if (!mask.Get(x, y) || label[size_t(y * mask.width + x)])
                continue;
            ++count;
            std::vector<std::pair<int, int>> todo{{x, y}};
            label[size_t(y * mask.width + x)] = count;
            while (!todo.empty()) {
                const auto [px, py] = todo.back();
                todo.pop_back();
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = px + dx, ny = py + dy;
                        if (mask.Contains(nx, ny) && mask.Get(nx, ny) && !label[size_t(ny * mask.width + nx)]) {
                            label[size_t(ny * mask.width + nx)] = count;
                            todo.emplace_back(nx, ny);
                        }
                    }
            }
        }
    return count;
}

// Art written on one line, its rows separated by '/'.
QStringList Art(const char* rows)
{
    return QString(rows).split('/');
}

const QStringList kRing = Art("........./.#######./.#.....#./.#.....#./.#.....#./.#######./........#");

} // namespace

class TestBoolImage : public QObject {
    Q_OBJECT
private slots:
    void growAndShrink_data();
    void growAndShrink();
    void fill_data();
    void fill();
    void fillIgnoresBadSeeds();
    void fillLongCorridor();
    void uniteClearInvert();
    void skeletonOfBar_data();
    void skeletonOfBar();
    void skeletonOfSlantedBar_data();
    void skeletonOfSlantedBar();
    void skeletonKeepsHoles();
    void areas_data();
    void areas();
};

void TestBoolImage::growAndShrink_data()
{
    QTest::addColumn<bool>("grow");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("grow single pixel") << true << QStringList{".....", ".....", "..#..", ".....", "....."}
                                       << QStringList{".....", ".###.", ".###.", ".###.", "....."};
    QTest::newRow("grow at the corner") << true << QStringList{"#...", "....", "...."}
                                        << QStringList{"##..", "##..", "...."};
    QTest::newRow("grow diagonal") << true << QStringList{"#.....", "......", "......", ".....#"}
                                   << QStringList{"##....", "##....", "....##", "....##"};
    QTest::newRow("shrink single pixel") << false << QStringList{"...", ".#.", "..."}
                                         << QStringList{"...", "...", "..."};
    QTest::newRow("shrink block") << false << QStringList{".....", ".###.", ".###.", ".###.", "....."}
                                  << QStringList{".....", ".....", "..#..", ".....", "....."};
    QTest::newRow("shrink full mask: outside counts as unset")
        << false << QStringList{"####", "####", "####", "####"} << QStringList{"....", ".##.", ".##.", "...."};
    QTest::newRow("shrink needs all eight neighbours")
        << false << QStringList{"#####", "####.", "#####", "#####", "#####"}
        << QStringList{".....", ".##..", ".##..", ".###.", "....."};
}

void TestBoolImage::growAndShrink()
{
    QFETCH(bool, grow);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    auto mask = FromArt(before);
    if (grow)
        mask->Grow();
    else
        mask->Shrink();
    QCOMPARE(ToArt(*mask), after);
}

void TestBoolImage::fill_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<bool>("value");
    QTest::addColumn<QPoint>("seed"); // in picture terms: column, line from the top
    QTest::addColumn<QStringList>("after");
    QTest::newRow("inside a ring") << kRing << true << QPoint(4, 3)
                                   << Art("........./.#######./.#######./.#######./.#######./.#######./........#");
    QTest::newRow("outside a ring") << kRing << true << QPoint(0, 0)
                                    << Art("#########/#########/##.....##/##.....##/##.....##/#########/#########");
    QTest::newRow("erase the ring, not its diagonal neighbour")
        << kRing << false << QPoint(1, 1)
        << Art("........./........./........./........./........./........./........#");
    QTest::newRow("diagonal outline holds a 4-connected fill")
        << QStringList{"...#...", "..#.#..", ".#...#.", "#.....#", ".#...#.", "..#.#..", "...#..."} << true
        << QPoint(3, 3) << QStringList{"...#...", "..###..", ".#####.", "#######", ".#####.", "..###..", "...#..."};
    QTest::newRow("U shape") << QStringList{"#...#", "#...#", "#####"} << true << QPoint(2, 0)
                             << QStringList{"#####", "#####", "#####"};
}

void TestBoolImage::fill()
{
    QFETCH(QStringList, before);
    QFETCH(bool, value);
    QFETCH(QPoint, seed);
    QFETCH(QStringList, after);
    auto mask = FromArt(before);
    mask->Fill(value, seed.x(), mask->height - 1 - seed.y());
    QCOMPARE(ToArt(*mask), after);
}

void TestBoolImage::fillIgnoresBadSeeds()
{
    auto mask = FromArt(kRing);
    mask->Fill(true, -1, 3);
    mask->Fill(true, 4, 7);
    mask->Fill(true, 9, 0);
    mask->Fill(true, 1, 1);  // already set
    mask->Fill(false, 4, 3); // already unset
    QCOMPARE(ToArt(*mask), kRing);
    auto empty = Image::Boolean();
    empty->Fill(true, 0, 0);
    QCOMPARE(empty->GetPixelArea(), uint64_t(0));
}

void TestBoolImage::fillLongCorridor()
{
    // A serpentine corridor through a large mask: walls every other column, open alternately at
    // the bottom and the top. The whole corridor is one region, far too long for recursion.
    const int w = 1001, h = 1000;
    auto mask = Image::Boolean(w, h, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int x = 1; x < w; x += 2)
        for (int y = 0; y < h; ++y) {
            const bool gap = (x / 2) % 2 == 0 ? y == 0 : y == h - 1;
            mask->Set(x, y, !gap);
        }
    mask->Fill(true, 0, h - 1);
    QCOMPARE(mask->GetPixelArea(), uint64_t(w) * uint64_t(h));
    mask->Invert();
    QCOMPARE(mask->GetPixelArea(), uint64_t(0));
    mask->Fill(true, w / 2, h / 2);
    QCOMPARE(mask->GetPixelArea(), uint64_t(w) * uint64_t(h));
}

void TestBoolImage::uniteClearInvert()
{
    auto a = FromArt({"#...", "....", "..#."});
    const auto b = FromArt({"..", "#.", ".#", "##"}); // taller and narrower: only the common part
    a->Unite(*b);
    QCOMPARE(ToArt(*a), (QStringList{"#...", ".#..", "###."}));
    QCOMPARE(ToArt(*b), (QStringList{"..", "#.", ".#", "##"}));
    a->Invert();
    QCOMPARE(ToArt(*a), (QStringList{".###", "#.##", "...#"}));
    QCOMPARE(a->GetPixelArea(), uint64_t(7));
    a->Clear();
    QCOMPARE(ToArt(*a), (QStringList{"....", "....", "...."}));
    // Any non-zero byte counts as set, and edits leave 0 or 1.
    auto c = Image::Boolean(2, 1, RATIONAL(1, 1), RATIONAL(1, 1), "");
    c->Set(0, 0, 7.0f);
    QCOMPARE(c->GetPixelArea(), uint64_t(1));
    c->Unite(*c);
    QCOMPARE(uint(c->GetByte(0, 0)), 1u);
    c->Invert();
    QCOMPARE(uint(c->GetByte(0, 0)), 0u);
    QCOMPARE(uint(c->GetByte(1, 0)), 1u);
}

void TestBoolImage::skeletonOfBar_data()
{
    QTest::addColumn<int>("thickness");
    QTest::addColumn<bool>("vertical");
    QTest::newRow("odd, horizontal") << 7 << false;
    QTest::newRow("even, horizontal") << 8 << false;
    QTest::newRow("odd, vertical") << 9 << true;
    QTest::newRow("even, vertical") << 6 << true;
}

void TestBoolImage::skeletonOfBar()
{
    QFETCH(int, thickness);
    QFETCH(bool, vertical);
    const int length = 50;
    const int w = vertical ? 30 : 70, h = vertical ? 70 : 30;
    auto mask = Image::Boolean(w, h, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int a = 10; a < 10 + length; ++a)
        for (int b = 10; b < 10 + thickness; ++b)
            vertical ? mask->Set(b, a, true) : mask->Set(a, b, true);
    mask->Skeletonize();
    // One pixel across the bar everywhere, one piece, about as long as the bar.
    int along = 0;
    for (int a = 0; a < (vertical ? h : w); ++a) {
        int across = 0;
        for (int b = 0; b < (vertical ? w : h); ++b)
            across += vertical ? mask->Get(b, a) : mask->Get(a, b);
        QVERIFY2(across <= 1, qPrintable(QString("%1 pixels across at %2").arg(across).arg(a)));
        along += across;
    }
    QCOMPARE(Components(*mask), 1);
    QVERIFY2(along >= length - thickness && along <= length, qPrintable(QString::number(along)));
    QCOMPARE(mask->GetPixelArea(), uint64_t(along));
}

void TestBoolImage::skeletonOfSlantedBar_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("thickness");
    QTest::newRow("20 degrees") << 20.0 << 9.0;
    QTest::newRow("20 degrees, thin") << 20.0 << 5.0;
    QTest::newRow("30 degrees") << 30.0 << 8.0;
    QTest::newRow("45 degrees") << 45.0 << 9.0;
    QTest::newRow("70 degrees") << 70.0 << 9.0;
    QTest::newRow("116.57 degrees") << 116.57 << 9.0;
}

void TestBoolImage::skeletonOfSlantedBar()
{
    QFETCH(double, angle);
    QFETCH(double, thickness);
    // A bar 60 pixels long, rotated about the centre of an 80 x 80 mask.
    const int n = 80;
    const double length = 60.0;
    const double c = std::cos(angle * M_PI / 180.0), s = std::sin(angle * M_PI / 180.0);
    auto mask = Image::Boolean(n, n, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double along = (x - 40) * c + (y - 40) * s;
            const double across = -(x - 40) * s + (y - 40) * c;
            mask->Set(x, y, std::abs(along) < length / 2 && std::abs(across) <= thickness / 2);
        }
    mask->Skeletonize();
    QCOMPARE(Components(*mask), 1);
    // One pixel wide: no pixel has set neighbours both beside and above or below it (such an
    // L-shaped corner is a two-pixel-wide step of the line).
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            if (!mask->Get(x, y))
                continue;
            auto at = [&](int px, int py) { return mask->Contains(px, py) && mask->Get(px, py); };
            const bool side = at(x - 1, y) || at(x + 1, y);
            const bool vertical = at(x, y - 1) || at(x, y + 1);
            QVERIFY2(!(side && vertical), qPrintable(QString("corner at %1, %2").arg(x).arg(y)));
        }
    // An 8-connected line has one pixel per step along its main direction.
    const double steps = std::max(std::abs(c), std::abs(s));
    const double pixels = double(mask->GetPixelArea());
    QVERIFY2(pixels >= (length - 2 * thickness) * steps && pixels <= length * steps + 2,
        qPrintable(QString::number(pixels)));
}

void TestBoolImage::skeletonKeepsHoles()
{
    // A thick square ring stays a closed ring: a fill inside it does not reach the outside.
    const int n = 40;
    auto mask = Image::Boolean(n, n, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int y = 5; y < 35; ++y)
        for (int x = 5; x < 35; ++x)
            if (x < 12 || x >= 28 || y < 12 || y >= 28)
                mask->Set(x, y, true);
    mask->Skeletonize();
    QCOMPARE(Components(*mask), 1);
    QVERIFY(mask->GetPixelArea() < 4 * 30);
    QVERIFY(!mask->Get(20, 20));
    mask->Fill(true, 20, 20);
    QVERIFY(!mask->Get(0, 0));
    QVERIFY(!mask->Get(n - 1, n - 1));
    QVERIFY(mask->Get(20, 20));
}

void TestBoolImage::areas_data()
{
    QTest::addColumn<RATIONAL>("xres");
    QTest::addColumn<RATIONAL>("yres");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("area");
    // 6 set pixels.
    QTest::newRow("no unit") << RATIONAL(1, 2) << RATIONAL(1, 4) << "" << 6.0;
    QTest::newRow("pixels") << RATIONAL(1, 2) << RATIONAL(1, 4) << "px" << 6.0;
    QTest::newRow("millimetres") << RATIONAL(1, 2) << RATIONAL(1, 4) << "mm" << 0.75;
    QTest::newRow("micrometres") << RATIONAL(3) << RATIONAL(5, 2) << "um" << 45.0;
    QTest::newRow("zero x resolution") << RATIONAL(0) << RATIONAL(1, 4) << "mm" << 6.0;
    QTest::newRow("zero denominator") << RATIONAL(1, 2) << RATIONAL(1, 0) << "mm" << 6.0;
}

void TestBoolImage::areas()
{
    QFETCH(RATIONAL, xres);
    QFETCH(RATIONAL, yres);
    QFETCH(QString, unit);
    auto mask = Image::Boolean(5, 4, xres, yres, unit.toStdString());
    for (int x = 0; x < 3; ++x)
        for (int y = 1; y < 3; ++y)
            mask->Set(x, y, true);
    QCOMPARE(mask->GetPixelArea(), uint64_t(6));
    QTEST(mask->GetUnitArea(), "area");
}

LUMIVOX_REGISTER_TEST(TestBoolImage)
#include "TestBoolImage.moc"
