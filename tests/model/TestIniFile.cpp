#include "TestRegistry.h"
#include "model/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestIniFile : public QObject {
    Q_OBJECT

private slots:
    void setValue_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("after");
        const auto row
            = [](const char* name, const char* before, const char* section, const char* key, const char* value,
                  const char* after) { QTest::newRow(name) << before << section << key << value << after; };
        row("empty file", "", "Active contours", "alpha", "0.500000", "[Active contours]\nalpha=0.500000\n");
        row("existing key replaced in place", "; settings\n[Colors]\nOGLBackColor1=#000000\nunknown=7\n", "Colors",
            "OGLBackColor1", "#ff0000", "; settings\n[Colors]\nOGLBackColor1=#ff0000\nunknown=7\n");
        row("spaces around the key and value", "[Lumivox]\n  xSize = 800  \n", "Lumivox", "xSize", "1024",
            "[Lumivox]\nxSize=1024\n");
        row("missing key at the end of its section, before blank lines and comments",
            "[A]\nx=1\n\n; about B\n[B]\ny=2\n", "A", "z", "3", "[A]\nx=1\nz=3\n\n; about B\n[B]\ny=2\n");
        row("missing key of an empty section", "[A]\n[B]\ny=2\n", "A", "z", "3", "[A]\nz=3\n[B]\ny=2\n");
        row("missing key of the last section", "[A]\nx=1\n[B]\ny=2\n", "B", "z", "3", "[A]\nx=1\n[B]\ny=2\nz=3\n");
        row("missing section after a blank line", "[A]\nx=1\n", "Surface alignment", "maxIter", "40",
            "[A]\nx=1\n\n[Surface alignment]\nmaxIter=40\n");
        row("missing section after a file that ends blank", "[A]\nx=1\n\n", "B", "y", "2", "[A]\nx=1\n\n[B]\ny=2\n");
        row("windows line ends kept", "[A]\r\nx=1\r\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n");
        row("windows line ends for a new section", "[A]\r\nx=1\r\n", "B", "y", "2", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
        row("no final line break kept when editing in place", "[A]\nx=1", "A", "x", "2", "[A]\nx=2");
        row("line break added when appending at the end", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n");
        row("names compare without case, the caller's spelling is written", "[colors]\noglbackcolor1=#000000\n",
            "Colors", "OGLBackColor1", "#ffffff", "[colors]\nOGLBackColor1=#ffffff\n");
        row("first of two equal keys", "[A]\nx=1\nx=2\n", "A", "x", "5", "[A]\nx=5\nx=2\n");
        row("same key in another section untouched", "[Active contours]\nmaxIter=20\n[Surface alignment]\nmaxIter=40\n",
            "Surface alignment", "maxIter", "41", "[Active contours]\nmaxIter=20\n[Surface alignment]\nmaxIter=41\n");
        row("commented key is not the key", "[A]\n;x=1\n#x=2\n", "A", "x", "3", "[A]\nx=3\n;x=1\n#x=2\n");
        row("line breaks in a value become spaces", "", "Lumivox", "currentDir", "/a\nb\r\nc",
            "[Lumivox]\ncurrentDir=/a b  c\n");
        row("lines that are no entries kept", "garbage line\n[A]\nno equals sign\n=no key\n", "A", "x", "1",
            "garbage line\n[A]\nno equals sign\n=no key\nx=1\n");
    }

    void setValue()
    {
        QFETCH(QString, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, after);
        IniFile ini;
        ini.SetText(before);
        ini.SetValue(section, key, value);
        QCOMPARE(ini.Text(), after);
    }

    void value_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("contained");
        QTest::addColumn<QString>("value");

        const QString text = "; comment=1\n"
                             "top=0\n"
                             "[Active contours]\n"
                             "alpha = 0.25 \n"
                             "kalmanFilterModel=Inertial model\n"
                             "empty=\n"
                             "eq=a=b\n"
                             "#hidden=1\n"
                             "[ Surface alignment ]\n"
                             "maxIter=40\n"
                             "[Active contours]\n"
                             "depth=9\n";
        const auto row
            = [&text](const char* name, const char* section, const char* key, bool contained, const char* value) {
                  QTest::newRow(name) << text << section << key << contained << value;
              };
        row("trimmed value", "Active contours", "alpha", true, "0.25");
        row("value with a space", "Active contours", "kalmanFilterModel", true, "Inertial model");
        row("empty value", "Active contours", "empty", true, "");
        row("value with an equals sign", "Active contours", "eq", true, "a=b");
        row("key of another section", "Active contours", "maxIter", false, "none");
        row("section name trimmed", "Surface alignment", "maxIter", true, "40");
        row("case-insensitive", "ACTIVE CONTOURS", "ALPHA", true, "0.25");
        row("commented key", "Active contours", "hidden", false, "none");
        row("entry before every section", "", "top", false, "none");
        row("second section of the same name ignored", "Active contours", "depth", false, "none");
        row("missing section", "Colors", "alpha", false, "none");
        QTest::newRow("windows line ends") << QString("[A]\r\nx=1\r\n") << "A"
                                           << "x" << true << "1";
    }

    void value()
    {
        QFETCH(QString, text);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(bool, contained);
        QFETCH(QString, value);
        IniFile ini;
        ini.SetText(text);
        QCOMPARE(ini.Contains(section, key), contained);
        QCOMPARE(ini.Value(section, key, "none"), value);
    }

    void saveWritesTheTextAndLoadReadsItBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("unix") << QByteArray("; c\n[A]\nx=1\n") << QByteArray("; c\n[A]\nx=9\ny=2\n");
        QTest::newRow("windows") << QByteArray("[A]\r\nx=1\r\n") << QByteArray("[A]\r\nx=9\r\ny=2\r\n");
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[A]\nx=1\n")
                                         << QByteArray("\xEF\xBB\xBF[A]\nx=9\ny=2\n");
        QTest::newRow("utf-8") << QByteArray("[A]\nname=Gr\xC3\xBC\xC3\x9F\x65\nx=1\n")
                               << QByteArray("[A]\nname=Gr\xC3\xBC\xC3\x9F\x65\nx=9\ny=2\n");
        QTest::newRow("latin-1") << QByteArray("[A]\nname=Gr\xFC\xDF\x65\nx=1\n")
                                 << QByteArray("[A]\nname=Gr\xFC\xDF\x65\nx=9\ny=2\n");
    }

    void saveWritesTheTextAndLoadReadsItBack()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("lumivox.ini");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        IniFile ini;
        QVERIFY(ini.Load(path));
        ini.SetValue("A", "x", "9");
        ini.SetValue("A", "y", "2");
        QVERIFY2(ini.Save(path), qPrintable(ini.GetError()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);

        IniFile again;
        QVERIFY(again.Load(path));
        QCOMPARE(again.Value("A", "x"), QString("9"));
        QCOMPARE(again.Text(), ini.Text());
    }

    void missingFileIsEmpty()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("missing.ini");
        IniFile ini;
        ini.SetText("[A]\nx=1\n");
        QVERIFY(ini.Load(path));
        QVERIFY(ini.GetError().isEmpty());
        QCOMPARE(ini.Text(), QString());
        QVERIFY(!QFile::exists(path));
        ini.SetValue("Lumivox", "xSize", "800");
        QVERIFY(ini.Save(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Lumivox]\nxSize=800\n"));
    }

    void unreadableFileGivesAnError_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("too large") << "large";
        QTest::newRow("a folder") << "folder";
    }

    void unreadableFileGivesAnError()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath("lumivox.ini");
        if (kind == "large") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(IniFile::MaxFileSize + 1));
        } else {
            QVERIFY(QDir(dir.path()).mkdir("lumivox.ini"));
        }
        IniFile ini;
        ini.SetText("[A]\nx=1\n");
        QVERIFY(!ini.Load(path));
        QVERIFY(ini.GetError().contains(path));
        QCOMPARE(ini.Text(), QString());
    }

    void failedSaveReportsAndCreatesNothing()
    {
        QTemporaryDir dir;
        const QString missingFolder = dir.filePath("no/such/folder/lumivox.ini");
        IniFile ini;
        ini.SetValue("A", "x", "1");
        QVERIFY(!ini.Save(missingFolder));
        QVERIFY(ini.GetError().startsWith("Cannot write " + missingFolder));
        QVERIFY(!QFile::exists(missingFolder));
    }
};

LUMIVOX_REGISTER_TEST(TestIniFile)
#include "TestIniFile.moc"
