#include "Colormap.h"
#include "TestRegistry.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray kThreeStops = "LVXCMAP 1\n"
                               "# black, red, white\n"
                               "0 0 0 0\n"
                               "0.5 255 0 0   # red in the middle\n"
                               "\n"
                               "1 255 255 255\n";

} // namespace

class TestColormap : public QObject {
    Q_OBJECT
private slots:
    void init();
    void defaultIsGreyRamp();
    void interpolatesBetweenStops_data();
    void interpolatesBetweenStops();
    void equalPositionsMakeAStep();
    void tableAgreesWithExactColour();
    void savesExactTextAndReadsItBack();
    void badFiles_data();
    void badFiles();
    void damagedFilesNeverLoadHalfway();
    void failedSaveKeepsFile();
    void shippedGlowMap();

private:
    // The path of a new file with the given text in the test folder.
    QString Written(const QString& name, const QByteArray& text) const
    {
        const QString path = dir->filePath(name);
        return WriteFile(path, text) ? path : QString();
    }
    std::unique_ptr<QTemporaryDir> dir;
};

void TestColormap::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestColormap::defaultIsGreyRamp()
{
    const Colormap map;
    QVERIFY(map.IsValid());
    QCOMPARE(map.GetMin(), 0.0);
    QCOMPARE(map.GetMax(), 1.0);
    QCOMPARE(map.GetColor(0.0), QColor(0, 0, 0));
    QCOMPARE(map.GetColor(1.0), QColor(255, 255, 255));
    QCOMPARE(map.GetColor(0.5), QColor(128, 128, 128));
    // An empty range gives the first colour.
    Colormap flat;
    flat.SetRange(3.0, 3.0);
    QCOMPARE(flat.GetColor(3.0), QColor(0, 0, 0));
    QCOMPARE(flat.GetColor(100.0), QColor(0, 0, 0));
    QCOMPARE(flat.GetRgba(100.0), QColor(0, 0, 0).rgba());
}

void TestColormap::interpolatesBetweenStops_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QColor>("expected");
    // Range 10 .. 20: stops at 10 (black), 15 (red), 20 (white).
    QTest::newRow("start") << 10.0 << QColor(0, 0, 0);
    QTest::newRow("quarter") << 12.5 << QColor(128, 0, 0);
    QTest::newRow("middle stop") << 15.0 << QColor(255, 0, 0);
    QTest::newRow("three quarters") << 17.5 << QColor(255, 128, 128);
    QTest::newRow("end") << 20.0 << QColor(255, 255, 255);
    QTest::newRow("below range") << -100.0 << QColor(0, 0, 0);
    QTest::newRow("above range") << 1e9 << QColor(255, 255, 255);
    QTest::newRow("NaN") << double(NAN) << QColor(0, 0, 0);
}

void TestColormap::interpolatesBetweenStops()
{
    QFETCH(double, value);
    QFETCH(QColor, expected);
    Colormap map(Written("three.cmp", kThreeStops));
    QVERIFY2(map.IsValid(), qPrintable(map.GetError()));
    map.SetRange(10.0, 20.0);
    QCOMPARE(map.GetColor(value), expected);
}

void TestColormap::equalPositionsMakeAStep()
{
    const Colormap map(Written("step.cmp", "LVXCMAP 1\n0 0 0 255\n0.5 0 0 255\n0.5 255 255 0\n1 255 255 0\n"));
    QVERIFY2(map.IsValid(), qPrintable(map.GetError()));
    QCOMPARE(map.GetColor(0.49), QColor(0, 0, 255));
    QCOMPARE(map.GetColor(0.5), QColor(255, 255, 0));
    QCOMPARE(map.GetColor(0.51), QColor(255, 255, 0));
}

void TestColormap::tableAgreesWithExactColour()
{
    Colormap map(Written("three.cmp", kThreeStops));
    QVERIFY(map.IsValid());
    map.SetRange(-1.0, 1.0);
    QCOMPARE(map.GetRgba(-1.0), map.GetColor(-1.0).rgba());
    QCOMPARE(map.GetRgba(0.0), map.GetColor(0.0).rgba());
    QCOMPARE(map.GetRgba(1.0), map.GetColor(1.0).rgba());
    // Between the precomputed colours the table is off by at most one step of 1/1023 of the range.
    for (double v = -1.0; v <= 1.0; v += 0.0137) {
        const QColor exact = map.GetColor(v);
        const QColor table = QColor::fromRgba(map.GetRgba(v));
        QVERIFY2(std::abs(exact.red() - table.red()) <= 1 && std::abs(exact.green() - table.green()) <= 1,
            qPrintable(QString::number(v)));
        QCOMPARE(table.alpha(), 255);
    }
}

void TestColormap::savesExactTextAndReadsItBack()
{
    const Colormap map(Written("in.cmp", "LVXCMAP 1\n0 1 2 3\n0.25 10 20 30 40\n1 255 255 255 255\n"));
    QVERIFY2(map.IsValid(), qPrintable(map.GetError()));
    const QString out = dir->filePath("out.cmp");
    QVERIFY(map.Save(out));
    QCOMPARE(ReadFile(out),
        QByteArray("LVXCMAP 1\n"
                   "# position red green blue [alpha]\n"
                   "0 1 2 3\n"
                   "0.25 10 20 30 40\n"
                   "1 255 255 255\n"));

    // Positions and colours survive a round trip exactly.
    const Colormap first(
        Written("in.cmp", "LVXCMAP 1\r\n0 0 0 0\r\n0.1 1 2 3 4\r\n0.3333333333333333 9 8 7\r\n1 250 251 252 0\r\n"));
    QVERIFY2(first.IsValid(), qPrintable(first.GetError()));
    QCOMPARE(int(first.GetStops().size()), 4);
    QVERIFY(first.Save(out));
    const Colormap second(out);
    QVERIFY2(second.IsValid(), qPrintable(second.GetError()));
    QCOMPARE(second.GetStops().size(), first.GetStops().size());
    for (size_t i = 0; i < first.GetStops().size(); ++i) {
        QCOMPARE(second.GetStops()[i].position, first.GetStops()[i].position);
        QCOMPARE(second.GetStops()[i].color.rgba(), first.GetStops()[i].color.rgba());
    }
    QCOMPARE(second.GetStops()[1].color, QColor(1, 2, 3, 4));
    QCOMPARE(second.GetStops()[2].position, 1.0 / 3.0);
}

void TestColormap::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QString header = "\"bad.cmp\" is not a colour map: it must begin with \"LVXCMAP 1\".";
    QTest::newRow("empty file") << QByteArray() << header;
    QTest::newRow("comments only") << QByteArray("# nothing\n\n") << header;
    QTest::newRow("wrong magic") << QByteArray("COLORMAP 1\n0 0 0 0\n1 1 1 1\n") << header;
    QTest::newRow("wrong version") << QByteArray("LVXCMAP 2\n0 0 0 0\n1 1 1 1\n") << header;
    QTest::newRow("binary") << QByteArray("\x00\xff\x13\x37garbage", 11) << header;
    QTest::newRow("no entries") << QByteArray("LVXCMAP 1\n")
                                << "The colour map \"bad.cmp\" has 0 colour entries; it needs at least 2.";
    QTest::newRow("one entry") << QByteArray("LVXCMAP 1\n0.5 1 2 3\n")
                               << "The colour map \"bad.cmp\" has 1 colour entries; it needs at least 2.";
    // A message about one line of the file.
    const auto line
        = [](int n, const QString& what) { return QString("Colour map \"bad.cmp\", line %1: %2").arg(n).arg(what); };
    const auto value
        = [](const char* v) { return QString("the colour value \"%1\" is not a whole number from 0 to 255.").arg(v); };
    QTest::newRow("position not a number")
        << QByteArray("LVXCMAP 1\n0 0 0 0\nhalf 1 2 3\n") << line(3, "the position \"half\" is not a number.");
    QTest::newRow("position NaN") << QByteArray("LVXCMAP 1\nnan 0 0 0\n1 1 2 3\n")
                                  << line(2, "the position \"nan\" is not a number.");
    QTest::newRow("channel not a number") << QByteArray("LVXCMAP 1\n0 0 0 0\n1 red 2 3\n") << line(3, value("red"));
    QTest::newRow("channel fraction") << QByteArray("LVXCMAP 1\n0 0 0 0.5\n1 1 2 3\n") << line(2, value("0.5"));
    QTest::newRow("channel too large") << QByteArray("LVXCMAP 1\n0 0 0 0\n1 1 2 256\n") << line(3, value("256"));
    QTest::newRow("alpha negative") << QByteArray("LVXCMAP 1\n0 0 0 0 -1\n1 1 2 3\n") << line(2, value("-1"));
    QTest::newRow("position above 1") << QByteArray("LVXCMAP 1\n0 0 0 0\n1.5 1 2 3\n")
                                      << line(3, "the position 1.5 lies outside 0 to 1.");
    QTest::newRow("decreasing") << QByteArray("LVXCMAP 1\n0.6 0 0 0\n0.4 1 2 3\n")
                                << line(3, "the position 0.4 is smaller than the one before.");
    QTest::newRow("too few values") << QByteArray("LVXCMAP 1\n0 0 0\n1 1 2 3\n")
                                    << line(2,
                                           "expected position, red, green, blue and optionally alpha, found 3 values.");
    QByteArray huge = "LVXCMAP 1\n";
    while (huge.size() <= (1 << 20))
        huge += "0.5 1 2 3\n";
    QTest::newRow("over 1 MiB") << huge << "The colour map \"bad.cmp\" is too large (more than 1 MiB).";
    QTest::newRow("too many values")
        << QByteArray("LVXCMAP 1\n0 0 0 0\n1 1 2 3 4 5\n")
        << line(3, "expected position, red, green, blue and optionally alpha, found 6 values.");
}

void TestColormap::badFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString path = Written("bad.cmp", content);
    const Colormap fresh(path);
    QVERIFY(!fresh.IsValid());
    QCOMPARE(fresh.GetError(), message);
    QCOMPARE(fresh.GetColor(0.5), QColor(0, 0, 0));

    // A map that fails to load another file keeps its colours.
    Colormap map;
    QVERIFY(!map.Load(path));
    QCOMPARE(map.GetError(), message);
    QVERIFY(map.IsValid());
    QCOMPARE(map.GetColor(1.0), QColor(255, 255, 255));
}

void TestColormap::damagedFilesNeverLoadHalfway()
{
    // Bytes of a good file changed, dropped or cut off at random: each load either succeeds with a
    // well-formed map or fails with a message and leaves the previous colours.
    const QString path = dir->filePath("damaged.cmp");
    uint32_t state = 99;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    int failures = 0;
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes = kThreeStops;
        const int edits = 1 + int(next() % 4);
        for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
            const int at = int(next() % uint32_t(bytes.size()));
            switch (next() % 3) {
            case 0:
                bytes[at] = char(next() & 0xff);
                break;
            case 1:
                bytes.remove(at, 1 + int(next() % 5));
                break;
            default:
                bytes.truncate(at);
            }
        }
        QVERIFY(WriteFile(path, bytes));
        Colormap map;
        if (map.Load(path)) {
            QVERIFY(map.GetStops().size() >= 2);
            for (size_t i = 1; i < map.GetStops().size(); ++i)
                QVERIFY(map.GetStops()[i].position >= map.GetStops()[i - 1].position);
            QVERIFY(map.GetError().isEmpty());
        } else {
            ++failures;
            QVERIFY(!map.GetError().isEmpty());
            QCOMPARE(int(map.GetStops().size()), 2);
            QCOMPARE(map.GetColor(1.0), QColor(255, 255, 255));
        }
    }
    QVERIFY(failures > 50);
}

void TestColormap::failedSaveKeepsFile()
{
    const QString path = Written("keep.cmp", kThreeStops), absent = dir->filePath("absent.cmp");
    const Colormap empty(absent);
    QVERIFY(!empty.IsValid());
    QVERIFY2(empty.GetError().startsWith(QString("Cannot open the colour map \"%1\": ").arg(absent)),
        qPrintable(empty.GetError()));
    QVERIFY(!empty.Save(path));
    QCOMPARE(empty.GetError(), QString("The colour map has no colours to save."));
    QCOMPARE(ReadFile(path), kThreeStops);

    const Colormap map;
    const QString unwritable = dir->filePath("no/such/folder/out.cmp");
    QVERIFY(!map.Save(unwritable));
    QVERIFY2(map.GetError().startsWith(QString("Cannot write the colour map \"%1\"").arg(unwritable)),
        qPrintable(map.GetError()));
}

void TestColormap::shippedGlowMap()
{
    // ctest names the source folder; run by hand, the folder two levels above this file.
    const QString source = qEnvironmentVariable(
        "LUMIVOX_SOURCE_DIR", QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath("../.."));
    Colormap glow(source + "/res/cmaps/glow.cmp");
    QVERIFY2(glow.IsValid(), qPrintable(glow.GetError()));
    glow.SetRange(0.0, 100.0);
    QCOMPARE(glow.GetColor(0.0), QColor(0, 0, 0));
    QCOMPARE(glow.GetColor(100.0), QColor(255, 255, 255));
    // Black, then red, then yellow, then white: red rises first, then green, then blue, never falling.
    bool sawRed = false, sawYellow = false;
    QColor previous = glow.GetColor(0.0);
    for (double v = 0.5; v <= 100.0; v += 0.5) {
        const QColor c = glow.GetColor(v);
        QVERIFY(c.red() >= previous.red() && c.green() >= previous.green() && c.blue() >= previous.blue());
        QVERIFY(c.green() == 0 || c.red() == 255);
        QVERIFY(c.blue() == 0 || c.green() == 255);
        sawRed = sawRed || c == QColor(255, 0, 0);
        sawYellow = sawYellow || c == QColor(255, 255, 0);
        previous = c;
    }
    QVERIFY(sawRed);
    QVERIFY(sawYellow);
}

LUMIVOX_REGISTER_TEST(TestColormap)
#include "TestColormap.moc"
