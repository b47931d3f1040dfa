#include "TestRegistry.h"
#include "model/Log.h"
#include "model/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

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

// Every key of the file: its default, a value other than the default as the file holds it, and what
// that value reads as (default and value as Field() shows them).
struct Key {
    const char* section;
    const char* key;
    const char* defaultValue;
    const char* text;
    const char* value;
};
const Key Keys[] = {
    {"Active contours", "alpha", "0", "0.500000", "0.5"},
    {"Active contours", "beta", "0", "1.250000", "1.25"},
    {"Active contours", "gamma", "0", "-2.000000", "-2"},
    {"Active contours", "delta", "0", "3.5", "3.5"},
    {"Active contours", "distance", "0", "4.000000", "4"},
    {"Active contours", "depth", "7", "8", "8"},
    {"Active contours", "disp", "3", "4", "4"},
    {"Active contours", "maxIter", "20", "21", "21"},
    {"Active contours", "maxSlices", "10", "11", "11"},
    {"Active contours", "isReversedirection", "false", "1", "true"},
    {"Active contours", "thrMin", "0", "12", "12"},
    {"Active contours", "thrMax", "65535", "4095", "4095"},
    {"Active contours", "shrinkage", "0", "-3", "-3"},
    {"Active contours", "background", "0", "1", "1"},
    {"Active contours", "isUseACS", "false", "5", "true"},
    {"Active contours", "kalmanFilterModel", "Inertial", "Static", "Static"},
    {"Active contours", "modelError", "1000", "999.5", "999.5"},
    {"Active contours", "observError", "4", "4.25", "4.25"},
    {"Active contours", "stepSize", "2", "2.5", "2.5"},
    {"Active contours", "topOffset", "50", "51", "51"},
    {"Active contours", "bottomOffset", "50", "52", "52"},
    {"Active contours", "leftOffset", "50", "53", "53"},
    {"Active contours", "rightOffset", "50", "54", "54"},
    {"Active contours", "size", "30", "31", "31"},
    {"Surface alignment", "maxIter", "40", "41", "41"},
    {"Surface alignment", "allowScaling", "true", "0", "false"},
    {"Surface alignment", "scalingFactor", "0.100000001", "0.250000", "0.25"},
    {"Surface alignment", "preliminary", "true", "0", "false"},
    {"Colors", "OGLBackColor1", "#000000", "#102030", "#102030"},
    {"Colors", "OGLBackColor2", "#000000", "#405060", "#405060"},
    {"Colors", "overlayDefaultColor", "#0000c0", "#708090", "#708090"},
    {"Colors", "overlaySelectedColor", "#c0c000", "#a0b0c0", "#a0b0c0"},
    {"Colors", "overlayHoverColor", "#00c000", "#d0e0f0", "#d0e0f0"},
    {"Lumivox", "currentDir", "", "/data/stacks with spaces", "/data/stacks with spaces"},
    {"Lumivox", "isFullscreen", "true", "0", "false"},
    {"Lumivox", "xSize", "800", "1024", "1024"},
    {"Lumivox", "ySize", "600", "768", "768"},
};

// A file that sets every key to its text.
QByteArray FullFile()
{
    QByteArray file;
    QByteArray section;
    for (const Key& k : Keys) {
        if (section != k.section)
            file += "[" + (section = k.section) + "]\n";
        file += QByteArray(k.key) + "=" + k.text + "\n";
    }
    return file;
}

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

using Writer = std::function<void()>;
Q_DECLARE_METATYPE(Writer)

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        path = dir->filePath("lumivox.ini");
        sink.warnings.clear();
        Log::SetSink(&sink);
    }

    void cleanup()
    {
        Log::SetSink(nullptr);
        Settings::Load(QString());
        dir.reset();
    }

    // Every key reads as its default without a file, from an empty file or one with other sections
    // only, and as its value from a file that sets them all.
    void everyKey_data()
    {
        QTest::addColumn<QString>("content"); // "<missing>" for no file
        QTest::addColumn<bool>("defaults");
        QTest::newRow("missing file") << "<missing>" << true;
        QTest::newRow("empty file") << "" << true;
        QTest::newRow("other sections only") << "[Other]\nalpha=5\nisFullscreen=0\n" << true;
        QTest::newRow("every key set") << QString(FullFile()) << false;
    }

    void everyKey()
    {
        QFETCH(QString, content);
        QFETCH(bool, defaults);
        if (content != "<missing>")
            QVERIFY(WriteAll(path, content.toUtf8()));
        // Values of an earlier load must not survive.
        Settings::Values().main.isFullscreen = false;
        Settings::Values().activeContours.thrMax = 1;
        Settings::Load(path);
        QCOMPARE(Settings::FilePath(), path);
        QStringList read, expected;
        for (const Key& k : Keys) {
            const QString name = QString(k.section) + "/" + k.key + "=";
            read << name + Field(Settings::Values(), k.section, k.key);
            expected << name + (defaults ? k.defaultValue : k.value);
        }
        QCOMPARE(read, expected);
        QCOMPARE(sink.warnings, QStringList());
        if (content == "<missing>")
            QVERIFY(!QFile::exists(path));
    }

    void unreadableValueGivesTheDefault_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value");
        const auto row = [](const char* name, const char* section, const char* key, const char* text,
                             const char* value) { QTest::newRow(name) << section << key << text << value; };
        row("defval float", "Active contours", "alpha", "defval", "0");
        row("defval text", "Active contours", "kalmanFilterModel", "defval", "Inertial");
        row("defval colour", "Colors", "overlayDefaultColor", "defval", "#0000c0");
        row("defval directory", "Lumivox", "currentDir", "defval", "");
        row("defval bool", "Lumivox", "isFullscreen", "defval", "true");
        row("letters for a float", "Active contours", "modelError", "abc", "1000");
        row("trailing letters", "Active contours", "observError", "3x", "4");
        row("comma decimal", "Active contours", "stepSize", "2,5", "2");
        row("float out of range", "Surface alignment", "scalingFactor", "1e400", "0.100000001");
        row("not a number", "Active contours", "distance", "nan", "0");
        row("infinite", "Active contours", "distance", "inf", "0");
        row("empty unsigned", "Active contours", "depth", "", "7");
        row("negative unsigned", "Active contours", "thrMax", "-1", "65535");
        row("unsigned too large", "Active contours", "thrMin", "4294967296", "0");
        row("real for unsigned", "Active contours", "disp", "3.5", "3");
        row("int too large", "Lumivox", "xSize", "2147483648", "800");
        row("letters for int", "Surface alignment", "maxIter", "forty", "40");
        row("letters for bool", "Surface alignment", "allowScaling", "yes", "true");
        row("empty bool", "Lumivox", "isFullscreen", "", "true");
        row("no colour", "Colors", "OGLBackColor2", "#12", "#000000");
        row("empty colour", "Colors", "overlayHoverColor", "", "#00c000");
        row("empty text is a value", "Active contours", "kalmanFilterModel", "", "");
    }

    void unreadableValueGivesTheDefault()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QString, value);
        QVERIFY(WriteAll(path, QString("[%1]\n%2=%3\n").arg(section, key, text).toUtf8()));
        Settings::Load(path);
        QCOMPARE(Field(Settings::Values(), section, key), value);
    }

    void booleansAreIntegers_data()
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

    void booleansAreIntegers()
    {
        QFETCH(QString, text);
        QFETCH(bool, value);
        QVERIFY(WriteAll(path,
            ("[Active contours]\nisReversedirection=" + text + "\n[Lumivox]\nisFullscreen=" + text + "\n").toUtf8()));
        Settings::Load(path);
        QCOMPARE(Settings::Values().activeContours.isReversedirection, value);
        QCOMPARE(Settings::Values().main.isFullscreen, value);
    }

    void writeGroupToEmptyFile_data()
    {
        QTest::addColumn<Writer>("write");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("contour weights") << Writer(Settings::WriteContourWeights)
                                         << QByteArray("[Active contours]\nalpha=0.100000\nbeta=-2.500000\n"
                                                       "gamma=1000.000000\ndelta=0.000001\n");
        QTest::newRow("distance") << Writer(Settings::WriteDistance)
                                  << QByteArray("[Active contours]\ndistance=7.125000\n");
        QTest::newRow("size") << Writer(Settings::WriteSize) << QByteArray("[Active contours]\nsize=45\n");
        QTest::newRow("contour parameters")
            << Writer(Settings::WriteContourParameters)
            << QByteArray("[Active contours]\ndistance=7.125000\ndepth=9\ndisp=2\nmaxIter=100\nmaxSlices=4000000000\n"
                          "isReversedirection=1\nthrMin=5\nthrMax=65535\nshrinkage=-2\nbackground=1\n");
        QTest::newRow("surface alignment") << Writer(Settings::WriteSurfaceAlignment)
                                           << QByteArray("[Surface alignment]\nmaxIter=-5\nallowScaling=0\n"
                                                         "scalingFactor=0.100000\npreliminary=1\n");
        QTest::newRow("current directory")
            << Writer(Settings::WriteCurrentDir) << QByteArray("[Lumivox]\ncurrentDir=/home/user/my stacks\n");
        QTest::newRow("window state") << Writer(Settings::WriteWindowState)
                                      << QByteArray("[Lumivox]\ncurrentDir=/home/user/my stacks\nisFullscreen=1\n"
                                                    "xSize=1280\nySize=1024\n");
        QTest::newRow("3-D view colours") << Writer(Settings::WriteOGLColors)
                                          << QByteArray("[Colors]\nOGLBackColor1=#000000\nOGLBackColor2=#ff8000\n");
        QTest::newRow("overlay colours") << Writer(Settings::WriteOverlayColors)
                                         << QByteArray("[Colors]\noverlayDefaultColor=#0000c0\n"
                                                       "overlaySelectedColor=#c0c000\noverlayHoverColor=#0a0b0c\n");
    }

    void writeGroupToEmptyFile()
    {
        QFETCH(Writer, write);
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

        write();
        QCOMPARE(ReadAll(path), expected);
        QCOMPARE(sink.warnings, QStringList());
    }

    void writesKeepOtherContent()
    {
        const QByteArray kept = "\r\n"
                                "; kept as it is\r\n"
                                "[Unknown section]\r\n"
                                "anything = at all\r\n"
                                "\r\n"
                                "[Active contours]\r\n";
        QVERIFY(WriteAll(path,
            "; Lumivox settings\r\n"
            "[Lumivox]\r\n"
            "xSize=640\r\n"
            "plugins=none\r\n"
                + kept + "thrMax=255\r\nfutureKey=1\r\n"));
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
        const QByteArray head = "; Lumivox settings\r\n"
                                "[Lumivox]\r\n"
                                "xSize=700\r\n"
                                "plugins=none\r\n"
                                "currentDir=/tmp\r\n"
                                "isFullscreen=0\r\n"
                                "ySize=600\r\n"
            + kept;
        QCOMPARE(ReadAll(path), head + "thrMax=255\r\nfutureKey=1\r\n");

        Settings::WriteContourWeights();
        Settings::WriteContourParameters();
        Settings::WriteOGLColors();
        QCOMPARE(ReadAll(path),
            head
                + "thrMax=65535\r\n"
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
                  "OGLBackColor2=#000000\r\n");
    }

    void writtenValuesReadBack()
    {
        QVERIFY(WriteAll(path, FullFile()));
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
        for (const Key& k : Keys) {
            const QString expected
                = neverWritten.contains(k.key) ? Field(Settings::AllValues(), k.section, k.key) : QString(k.value);
            QCOMPARE(Field(Settings::Values(), k.section, k.key), expected);
        }
    }

    void unwritableFileGivesAWarning()
    {
        const QString bad = dir->filePath("no folder/lumivox.ini");
        Settings::Load(bad);
        QCOMPARE(Settings::Values().main.isFullscreen, true);
        Settings::WriteCurrentDir();
        QCOMPARE(sink.warnings.size(), 1);
        QVERIFY2(sink.warnings.first().startsWith("Settings not saved. Cannot write " + bad),
            qPrintable(sink.warnings.first()));
        QVERIFY(!QFile::exists(bad));
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString path;
    WarningSink sink;
};

LUMIVOX_REGISTER_TEST(TestSettings)
#include "TestSettings.moc"
