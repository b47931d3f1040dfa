#include "TestRegistry.h"
#include "app/CommandLine.h"
#include "app/Version.h"

#include <QtTest>

// The program's command line: what it does, what it opens and what it prints.
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("textStart");
        using R = CommandLine::Result;
        QTest::newRow("files") << QStringList{"lumivox", "a.tif", "p.lvx"} << int(R::Run)
                               << QStringList{"a.tif", "p.lvx"} << "";
        QTest::newRow("nothing") << QStringList{"lumivox"} << int(R::Run) << QStringList{} << "";
        QTest::newRow("help") << QStringList{"lumivox", "--help", "a.tif"} << int(R::ShowHelp) << QStringList{"a.tif"}
                              << "Usage: lumivox [options] [files...]";
        QTest::newRow("short help") << QStringList{"lumivox", "-h"} << int(R::ShowHelp) << QStringList{} << "Usage: ";
        QTest::newRow("version") << QStringList{"lumivox", "--version"} << int(R::ShowVersion) << QStringList{}
                                 << "Lumivox " + VersionText();
        QTest::newRow("unknown option") << QStringList{"lumivox", "--frobnicate", "a.tif"} << int(R::Fail)
                                        << QStringList{} << "lumivox: Unknown option 'frobnicate'.";
        QTest::newRow("qt's own options pass")
            << QStringList{"lumivox", "-platform", "offscreen", "a.tif"} << int(R::Run) << QStringList{"a.tif"} << "";
        QTest::newRow("a file after --") << QStringList{"lumivox", "--", "-odd.tif"} << int(R::Run)
                                         << QStringList{"-odd.tif"} << "";
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QStringList, files);
        QFETCH(QString, textStart);
        const CommandLine::Result result = CommandLine::Parse(arguments);
        QCOMPARE(int(result.action), action);
        if (action != CommandLine::Result::Fail)
            QCOMPARE(result.files, files);
        QVERIFY2(textStart.isEmpty() || result.text.startsWith(textStart), qPrintable(result.text));
        QCOMPARE(result.text.isEmpty(), action == CommandLine::Result::Run);
    }
};

LUMIVOX_REGISTER_TEST(TestCommandLine)
#include "TestCommandLine.moc"
