#include "TestRegistry.h"
#include "app/Log.h"
#include "app/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every setting as text, by section and key, so that tests can name them as the file does.
QString Field(const Settings::AllValues& v, const QString& section, const QString& key)
{
    const Settings::ActiveContours& a = v.activeContours;
    const Settings::SurfaceAlignment& s = v.surfaceAlignment;
    const Settings::Colors& c = v.colors;
    const Settings::Main& m = v.main;
    auto f = [](float x) { return QString::number(double(x), 'g', 9); };
    auto b = [](bool x) { return QString(x ? "true" : "false"); };
    if (section == "Active contours") {
        const QMap<QString, QString> map{{"alpha", f(a.alpha)}, {"beta", f(a.beta)}, {"gamma", f(a.gamma)},
            {"delta", f(a.delta)}, {"distance", f(a.distance)}, {"depth", QString::number(a.depth)},
            {"disp", QString::number(a.disp)}, {"maxIter", QString::number(a.maxIter)},
            {"maxSlices", QString::number(a.maxSlices)}, {"isReversedirection", b(a.isReversedirection)},
            {"thrMin", QString::number(a.thrMin)}, {"thrMax", QString::number(a.thrMax)},
            {"shrinkage", QString::number(a.shrinkage)}, {"background", QString::number(a.background)},
            {"isUseACS", b(a.isUseACS)}, {"kalmanFilterModel", a.kalmanFilterModel}, {"modelError", f(a.modelError)},
            {"observError", f(a.observError)}, {"stepSize", f(a.stepSize)}, {"topOffset", QString::number(a.topOffset)},
            {"bottomOffset", QString::number(a.bottomOffset)}, {"leftOffset", QString::number(a.leftOffset)},
            {"rightOffset", QString::number(a.rightOffset)}, {"size", QString::number(a.size)}};
        return map.value(key, "<no such key>");
    }
    if (section == "Surface alignment") {
        const QMap<QString, QString> map{{"maxIter", QString::number(s.maxIter)}, {"allowScaling", b(s.allowScaling)},
            {"scalingFactor", f(s.scalingFactor)}, {"preliminary", b(s.preliminary)}};
        return map.value(key, "<no such key>");
    }
    if (section == "Colors") {
        const QMap<QString, QString> map{{"OGLBackColor1", c.OGLBackColor1.name()},
            {"OGLBackColor2", c.OGLBackColor2.name()}, {"overlayDefaultColor", c.overlayDefaultColor.name()},
            {"overlaySelectedColor", c.overlaySelectedColor.name()}, {"overlayHoverColor", c.overlayHoverColor.name()}};
        return map.value(key, "<no such key>");
    }
    if (section == "Lumivox") {
        const QMap<QString, QString> map{{"currentDir", m.currentDir}, {"isFullscreen", b(m.isFullscreen)},
            {"xSize", QString::number(m.xSize)}, {"ySize", QString::number(m.ySize)}};
        return map.value(key, "<no such key>");
    }
    return "<no such section>";
}

// Every key of the file with its default as Field() shows it.
struct Key {
    const char* section;
    const char* key;
    const char* defaultValue;
};
const Key Keys[] = {
    {"Active contours", "alpha", "0"},
    {"Active contours", "beta", "0"},
    {"Active contours", "gamma", "0"},
    {"Active contours", "delta", "0"},
    {"Active contours", "distance", "0"},
    {"Active contours", "depth", "7"},
    {"Active contours", "disp", "3"},
    {"Active contours", "maxIter", "20"},
    {"Active contours", "maxSlices", "10"},
    {"Active contours", "isReversedirection", "false"},
    {"Active contours", "thrMin", "0"},
    {"Active contours", "thrMax", "65535"},
    {"Active contours", "shrinkage", "0"},
    {"Active contours", "background", "0"},
    {"Active contours", "isUseACS", "false"},
    {"Active contours", "kalmanFilterModel", "Inertial"},
    {"Active contours", "modelError", "1000"},
    {"Active contours", "observError", "4"},
    {"Active contours", "stepSize", "2"},
    {"Active contours", "topOffset", "50"},
    {"Active contours", "bottomOffset", "50"},
    {"Active contours", "leftOffset", "50"},
    {"Active contours", "rightOffset", "50"},
    {"Active contours", "size", "30"},
    {"Surface alignment", "maxIter", "40"},
    {"Surface alignment", "allowScaling", "true"},
    {"Surface alignment", "scalingFactor", "0.100000001"},
    {"Surface alignment", "preliminary", "true"},
    {"Colors", "OGLBackColor1", "#000000"},
    {"Colors", "OGLBackColor2", "#000000"},
    {"Colors", "overlayDefaultColor", "#0000c0"},
    {"Colors", "overlaySelectedColor", "#c0c000"},
    {"Colors", "overlayHoverColor", "#00c000"},
    {"Lumivox", "currentDir", ""},
    {"Lumivox", "isFullscreen", "true"},
    {"Lumivox", "xSize", "800"},
    {"Lumivox", "ySize", "600"},
};

// A file that sets every key to a value other than its default, and what each reads as.
const char* const FullFile = "[Active contours]\n"
                             "alpha=0.500000\n"
                             "beta=1.250000\n"
                             "gamma=-2.000000\n"
                             "delta=3.5\n"
                             "distance=4.000000\n"
                             "depth=8\n"
                             "disp=4\n"
                             "maxIter=21\n"
                             "maxSlices=11\n"
                             "isReversedirection=1\n"
                             "thrMin=12\n"
                             "thrMax=4095\n"
                             "shrinkage=-3\n"
                             "background=1\n"
                             "isUseACS=5\n"
                             "kalmanFilterModel=Static\n"
                             "modelError=999.5\n"
                             "observError=4.25\n"
                             "stepSize=2.5\n"
                             "topOffset=51\n"
                             "bottomOffset=52\n"
                             "leftOffset=53\n"
                             "rightOffset=54\n"
                             "size=31\n"
                             "[Surface alignment]\n"
                             "maxIter=41\n"
                             "allowScaling=0\n"
                             "scalingFactor=0.250000\n"
                             "preliminary=0\n"
                             "[Colors]\n"
                             "OGLBackColor1=#102030\n"
                             "OGLBackColor2=#405060\n"
                             "overlayDefaultColor=#708090\n"
                             "overlaySelectedColor=#a0b0c0\n"
                             "overlayHoverColor=#d0e0f0\n"
                             "[Lumivox]\n"
                             "currentDir=/data/stacks with spaces\n"
                             "isFullscreen=0\n"
                             "xSize=1024\n"
                             "ySize=768\n";

const Key FullValues[] = {
    {"Active contours", "alpha", "0.5"},
    {"Active contours", "beta", "1.25"},
    {"Active contours", "gamma", "-2"},
    {"Active contours", "delta", "3.5"},
    {"Active contours", "distance", "4"},
    {"Active contours", "depth", "8"},
    {"Active contours", "disp", "4"},
    {"Active contours", "maxIter", "21"},
    {"Active contours", "maxSlices", "11"},
    {"Active contours", "isReversedirection", "true"},
    {"Active contours", "thrMin", "12"},
    {"Active contours", "thrMax", "4095"},
    {"Active contours", "shrinkage", "-3"},
    {"Active contours", "background", "1"},
    {"Active contours", "isUseACS", "true"},
    {"Active contours", "kalmanFilterModel", "Static"},
    {"Active contours", "modelError", "999.5"},
    {"Active contours", "observError", "4.25"},
    {"Active contours", "stepSize", "2.5"},
    {"Active contours", "topOffset", "51"},
    {"Active contours", "bottomOffset", "52"},
    {"Active contours", "leftOffset", "53"},
    {"Active contours", "rightOffset", "54"},
    {"Active contours", "size", "31"},
    {"Surface alignment", "maxIter", "41"},
    {"Surface alignment", "allowScaling", "false"},
    {"Surface alignment", "scalingFactor", "0.25"},
    {"Surface alignment", "preliminary", "false"},
    {"Colors", "OGLBackColor1", "#102030"},
    {"Colors", "OGLBackColor2", "#405060"},
    {"Colors", "overlayDefaultColor", "#708090"},
    {"Colors", "overlaySelectedColor", "#a0b0c0"},
    {"Colors", "overlayHoverColor", "#d0e0f0"},
    {"Lumivox", "currentDir", "/data/stacks with spaces"},
    {"Lumivox", "isFullscreen", "false"},
    {"Lumivox", "xSize", "1024"},
    {"Lumivox", "ySize", "768"},
};

// Collects the warnings of the settings.
class WarningSink : public Log::Sink {
public:
    QStringList warnings;
    void Output(const QString&, bool) override { }
    void Error(const QString& text) override { warnings << "ERROR " + text; }
    void Warning(const QString& text) override { warnings << text; }
    void ShowProgress() override { }
    void HideProgress() override { }
    void SetProgressText(const QString&) override { }
    void SetProgressBusy() override { }
    void SetProgressMaximum(int) override { }
    void SetProgressValue(int) override { }
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void defaults_data();
    void defaults();
    void readsEveryKey_data();
    void readsEveryKey();
    void unreadableValueGivesTheDefault_data();
    void unreadableValueGivesTheDefault();
    void booleansAreIntegers_data();
    void booleansAreIntegers();
    void loadReplacesThePreviousValues();
    void writeGroupToEmptyFile_data();
    void writeGroupToEmptyFile();
    void writesKeepOtherContent();
    void writtenValuesReadBack();
    void unwritableFileGivesAWarning();

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString path;
    WarningSink sink;
};

void TestSettings::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    path = dir->filePath("lumivox.ini");
    sink.warnings.clear();
    Log::SetSink(&sink);
}

void TestSettings::cleanup()
{
    Log::SetSink(nullptr);
    Settings::Load(QString());
    dir.reset();
}

void TestSettings::defaults_data()
{
    QTest::addColumn<QString>("content"); // "<missing>" for no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    for (const Key& k : Keys) {
        QTest::addRow("missing file: %s/%s", k.section, k.key) << "<missing>" << k.section << k.key << k.defaultValue;
        QTest::addRow("empty file: %s/%s", k.section, k.key) << "" << k.section << k.key << k.defaultValue;
        QTest::addRow("other sections only: %s/%s", k.section, k.key) << "[Other]\nalpha=5\nisFullscreen=0\n"
                                                                      << k.section << k.key << k.defaultValue;
    }
}

void TestSettings::defaults()
{
    QFETCH(QString, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    if (content != "<missing>")
        QVERIFY(WriteAll(path, content.toUtf8()));
    // Values of an earlier load must not survive.
    Settings::Values().main.isFullscreen = false;
    Settings::Values().activeContours.thrMax = 1;
    Settings::Load(path);
    QCOMPARE(Settings::FilePath(), path);
    QCOMPARE(Field(Settings::Values(), section, key), value);
    QCOMPARE(sink.warnings, QStringList());
    if (content == "<missing>")
        QVERIFY(!QFile::exists(path));
}

void TestSettings::readsEveryKey_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    for (const Key& k : FullValues)
        QTest::addRow("%s/%s", k.section, k.key) << k.section << k.key << k.defaultValue;
}

void TestSettings::readsEveryKey()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QVERIFY(WriteAll(path, FullFile));
    Settings::Load(path);
    QCOMPARE(Field(Settings::Values(), section, key), value);
}

void TestSettings::unreadableValueGivesTheDefault_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::newRow("defval float") << "Active contours"
                                  << "alpha"
                                  << "defval"
                                  << "0";
    QTest::newRow("defval text") << "Active contours"
                                 << "kalmanFilterModel"
                                 << "defval"
                                 << "Inertial";
    QTest::newRow("defval colour") << "Colors"
                                   << "overlayDefaultColor"
                                   << "defval"
                                   << "#0000c0";
    QTest::newRow("defval directory") << "Lumivox"
                                      << "currentDir"
                                      << "defval"
                                      << "";
    QTest::newRow("defval bool") << "Lumivox"
                                 << "isFullscreen"
                                 << "defval"
                                 << "true";
    QTest::newRow("letters for a float") << "Active contours"
                                         << "modelError"
                                         << "abc"
                                         << "1000";
    QTest::newRow("trailing letters") << "Active contours"
                                      << "observError"
                                      << "3x"
                                      << "4";
    QTest::newRow("comma decimal") << "Active contours"
                                   << "stepSize"
                                   << "2,5"
                                   << "2";
    QTest::newRow("float out of range") << "Surface alignment"
                                        << "scalingFactor"
                                        << "1e400"
                                        << "0.100000001";
    QTest::newRow("not a number") << "Active contours"
                                  << "distance"
                                  << "nan"
                                  << "0";
    QTest::newRow("infinite") << "Active contours"
                              << "distance"
                              << "inf"
                              << "0";
    QTest::newRow("empty unsigned") << "Active contours"
                                    << "depth"
                                    << ""
                                    << "7";
    QTest::newRow("negative unsigned") << "Active contours"
                                       << "thrMax"
                                       << "-1"
                                       << "65535";
    QTest::newRow("unsigned too large") << "Active contours"
                                        << "thrMin"
                                        << "4294967296"
                                        << "0";
    QTest::newRow("real for unsigned") << "Active contours"
                                       << "disp"
                                       << "3.5"
                                       << "3";
    QTest::newRow("int too large") << "Lumivox"
                                   << "xSize"
                                   << "2147483648"
                                   << "800";
    QTest::newRow("letters for int") << "Surface alignment"
                                     << "maxIter"
                                     << "forty"
                                     << "40";
    QTest::newRow("letters for bool") << "Surface alignment"
                                      << "allowScaling"
                                      << "yes"
                                      << "true";
    QTest::newRow("empty bool") << "Lumivox"
                                << "isFullscreen"
                                << ""
                                << "true";
    QTest::newRow("no colour") << "Colors"
                               << "OGLBackColor2"
                               << "#12"
                               << "#000000";
    QTest::newRow("empty colour") << "Colors"
                                  << "overlayHoverColor"
                                  << ""
                                  << "#00c000";
    QTest::newRow("empty text is a value") << "Active contours"
                                           << "kalmanFilterModel"
                                           << ""
                                           << "";
}

void TestSettings::unreadableValueGivesTheDefault()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QString, value);
    QVERIFY(WriteAll(path, QString("[%1]\n%2=%3\n").arg(section, key, text).toUtf8()));
    Settings::Load(path);
    QCOMPARE(Field(Settings::Values(), section, key), value);
}

void TestSettings::booleansAreIntegers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("value");
    QTest::newRow("0") << "0" << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("2") << "2" << true;
    QTest::newRow("-1") << "-1" << true;
    QTest::newRow("+0") << "+0" << false;
    QTest::newRow("spaces") << "  0  " << false;
}

void TestSettings::booleansAreIntegers()
{
    QFETCH(QString, text);
    QFETCH(bool, value);
    QVERIFY(WriteAll(
        path, ("[Active contours]\nisReversedirection=" + text + "\n[Lumivox]\nisFullscreen=" + text + "\n").toUtf8()));
    Settings::Load(path);
    QCOMPARE(Settings::Values().activeContours.isReversedirection, value);
    QCOMPARE(Settings::Values().main.isFullscreen, value);
}

void TestSettings::loadReplacesThePreviousValues()
{
    QVERIFY(WriteAll(path, FullFile));
    Settings::Load(path);
    QCOMPARE(Settings::Values().main.xSize, 1024);
    const QString other = dir->filePath("other.ini");
    QVERIFY(WriteAll(other, "[Lumivox]\nySize=10\n"));
    Settings::Load(other);
    QCOMPARE(Settings::FilePath(), other);
    QCOMPARE(Settings::Values().main.xSize, 800);
    QCOMPARE(Settings::Values().main.ySize, 10);
    QCOMPARE(Settings::Values().activeContours.alpha, 0.0f);
}

void TestSettings::writeGroupToEmptyFile_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("contour weights") << "weights"
                                     << QByteArray("[Active contours]\nalpha=0.100000\nbeta=-2.500000\n"
                                                   "gamma=1000.000000\ndelta=0.000001\n");
    QTest::newRow("distance") << "distance" << QByteArray("[Active contours]\ndistance=7.125000\n");
    QTest::newRow("size") << "size" << QByteArray("[Active contours]\nsize=45\n");
    QTest::newRow("contour parameters")
        << "parameters"
        << QByteArray("[Active contours]\ndistance=7.125000\ndepth=9\ndisp=2\nmaxIter=100\nmaxSlices=4000000000\n"
                      "isReversedirection=1\nthrMin=5\nthrMax=65535\nshrinkage=-2\nbackground=1\n");
    QTest::newRow("surface alignment") << "alignment"
                                       << QByteArray("[Surface alignment]\nmaxIter=-5\nallowScaling=0\n"
                                                     "scalingFactor=0.100000\npreliminary=1\n");
    QTest::newRow("current directory") << "dir" << QByteArray("[Lumivox]\ncurrentDir=/home/user/my stacks\n");
    QTest::newRow("window state") << "window"
                                  << QByteArray("[Lumivox]\ncurrentDir=/home/user/my stacks\nisFullscreen=1\n"
                                                "xSize=1280\nySize=1024\n");
    QTest::newRow("3-D view colours") << "ogl"
                                      << QByteArray("[Colors]\nOGLBackColor1=#000000\nOGLBackColor2=#ff8000\n");
    QTest::newRow("overlay colours") << "overlay"
                                     << QByteArray("[Colors]\noverlayDefaultColor=#0000c0\n"
                                                   "overlaySelectedColor=#c0c000\noverlayHoverColor=#0a0b0c\n");
}

void TestSettings::writeGroupToEmptyFile()
{
    QFETCH(QString, group);
    QFETCH(QByteArray, expected);
    QVERIFY(WriteAll(path, ""));
    Settings::Load(path);
    Settings::AllValues& v = Settings::Values();
    v.activeContours.alpha = 0.1f;
    v.activeContours.beta = -2.5f;
    v.activeContours.gamma = 1000.0f;
    v.activeContours.delta = 1e-6f;
    v.activeContours.distance = 7.125f;
    v.activeContours.size = 45;
    v.activeContours.depth = 9;
    v.activeContours.disp = 2;
    v.activeContours.maxIter = 100;
    v.activeContours.maxSlices = 4000000000u;
    v.activeContours.isReversedirection = true;
    v.activeContours.thrMin = 5;
    v.activeContours.shrinkage = -2;
    v.activeContours.background = 1;
    v.surfaceAlignment.maxIter = -5;
    v.surfaceAlignment.allowScaling = false;
    v.main.currentDir = "/home/user/my stacks";
    v.main.isFullscreen = true;
    v.main.xSize = 1280;
    v.main.ySize = 1024;
    v.colors.OGLBackColor2 = QColor(255, 128, 0);
    v.colors.overlayHoverColor = QColor(10, 11, 12);

    if (group == "weights")
        Settings::WriteContourWeights();
    else if (group == "distance")
        Settings::WriteDistance();
    else if (group == "size")
        Settings::WriteSize();
    else if (group == "parameters")
        Settings::WriteContourParameters();
    else if (group == "alignment")
        Settings::WriteSurfaceAlignment();
    else if (group == "dir")
        Settings::WriteCurrentDir();
    else if (group == "window")
        Settings::WriteWindowState();
    else if (group == "ogl")
        Settings::WriteOGLColors();
    else if (group == "overlay")
        Settings::WriteOverlayColors();
    else
        QFAIL("unknown group");
    QCOMPARE(ReadAll(path), expected);
    QCOMPARE(sink.warnings, QStringList());
}

void TestSettings::writesKeepOtherContent()
{
    const QByteArray before = "; Lumivox settings\r\n"
                              "[Lumivox]\r\n"
                              "xSize=640\r\n"
                              "plugins=none\r\n"
                              "\r\n"
                              "; kept as it is\r\n"
                              "[Unknown section]\r\n"
                              "anything = at all\r\n"
                              "\r\n"
                              "[Active contours]\r\n"
                              "thrMax=255\r\n"
                              "futureKey=1\r\n";
    QVERIFY(WriteAll(path, before));
    Settings::Load(path);
    Settings::AllValues& v = Settings::Values();
    QCOMPARE(v.main.xSize, 640);
    QCOMPARE(v.activeContours.thrMax, 255u);
    v.main.currentDir = "/tmp";
    v.main.isFullscreen = false;
    v.main.xSize = 700;
    v.activeContours.alpha = 2.0f;
    v.activeContours.thrMax = 65535;

    Settings::WriteWindowState();
    QCOMPARE(ReadAll(path),
        QByteArray("; Lumivox settings\r\n"
                   "[Lumivox]\r\n"
                   "xSize=700\r\n"
                   "plugins=none\r\n"
                   "currentDir=/tmp\r\n"
                   "isFullscreen=0\r\n"
                   "ySize=600\r\n"
                   "\r\n"
                   "; kept as it is\r\n"
                   "[Unknown section]\r\n"
                   "anything = at all\r\n"
                   "\r\n"
                   "[Active contours]\r\n"
                   "thrMax=255\r\n"
                   "futureKey=1\r\n"));

    Settings::WriteContourWeights();
    Settings::WriteContourParameters();
    Settings::WriteOGLColors();
    QCOMPARE(ReadAll(path),
        QByteArray("; Lumivox settings\r\n"
                   "[Lumivox]\r\n"
                   "xSize=700\r\n"
                   "plugins=none\r\n"
                   "currentDir=/tmp\r\n"
                   "isFullscreen=0\r\n"
                   "ySize=600\r\n"
                   "\r\n"
                   "; kept as it is\r\n"
                   "[Unknown section]\r\n"
                   "anything = at all\r\n"
                   "\r\n"
                   "[Active contours]\r\n"
                   "thrMax=65535\r\n"
                   "futureKey=1\r\n"
                   "alpha=2.000000\r\n"
                   "beta=0.000000\r\n"
                   "gamma=0.000000\r\n"
                   "delta=0.000000\r\n"
                   "distance=0.000000\r\n"
                   "depth=7\r\n"
                   "disp=3\r\n"
                   "maxIter=20\r\n"
                   "maxSlices=10\r\n"
                   "isReversedirection=0\r\n"
                   "thrMin=0\r\n"
                   "shrinkage=0\r\n"
                   "background=0\r\n"
                   "\r\n"
                   "[Colors]\r\n"
                   "OGLBackColor1=#000000\r\n"
                   "OGLBackColor2=#000000\r\n"));
}

void TestSettings::writtenValuesReadBack()
{
    QVERIFY(WriteAll(path, FullFile));
    Settings::Load(path);
    const Settings::AllValues read = Settings::Values();
    QVERIFY(QFile::remove(path));
    Settings::Load(path);
    Settings::Values() = read;
    Settings::WriteContourWeights();
    Settings::WriteContourParameters();
    Settings::WriteSize();
    Settings::WriteSurfaceAlignment();
    Settings::WriteWindowState();
    Settings::WriteOGLColors();
    Settings::WriteOverlayColors();
    Settings::Load(path);
    // Everything the program writes comes back; the keys it never writes keep their defaults.
    const QStringList neverWritten{"isUseACS", "kalmanFilterModel", "modelError", "observError", "stepSize",
        "topOffset", "bottomOffset", "leftOffset", "rightOffset"};
    for (const Key& k : FullValues) {
        const QString expected
            = neverWritten.contains(k.key) ? Field(Settings::AllValues(), k.section, k.key) : QString(k.defaultValue);
        QCOMPARE(Field(Settings::Values(), k.section, k.key), expected);
    }
}

void TestSettings::unwritableFileGivesAWarning()
{
    const QString bad = dir->filePath("no folder/lumivox.ini");
    Settings::Load(bad);
    QCOMPARE(Settings::Values().main.isFullscreen, true);
    Settings::WriteCurrentDir();
    QCOMPARE(sink.warnings.size(), 1);
    QVERIFY2(
        sink.warnings.first().startsWith("Settings not saved. Cannot write " + bad), qPrintable(sink.warnings.first()));
    QVERIFY(!QFile::exists(bad));
}

LUMIVOX_REGISTER_TEST(TestSettings)
#include "TestSettings.moc"
