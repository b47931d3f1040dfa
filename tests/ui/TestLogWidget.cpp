#include "TestRegistry.h"
#include "ui/LogWidget.h"
#include "ui/ProgressBarWidget.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QtTest>

namespace {
const QString DateFormat = "dd.MM.yy hh:mm:ss : ";
}

class TestLogWidget : public QObject {
    Q_OBJECT

private slots:
    void startsEmptyReadOnlyPlain()
    {
        LogWidget log;
        QVERIFY(log.isReadOnly());
        QCOMPARE(log.styleSheet(), QString());
        QCOMPARE(log.toPlainText(), QString());
    }

    void lineFormat_data()
    {
        QTest::addColumn<QString>("call"); // every call but "output" dates its line
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prefix"); // what follows "> " and the date before the text
        const auto row = [](const char* name, const char* call, const char* text, const char* prefix) {
            QTest::newRow(name) << call << text << prefix;
        };
        row("undated", "output", "Done", "");
        row("dated", "dated", "Loading a.tif", "");
        row("empty undated", "output", "", "");
        row("empty dated", "dated", "", "");
        row("error", "error", "Cannot open a.tif", "ERROR: ");
        row("warning", "warning", "Odd spacing", "WARNING: ");
        row("markup stays text", "output", "<b>bold</b> &amp;", "");
    }

    void lineFormat()
    {
        QFETCH(QString, call);
        QFETCH(QString, text);
        QFETCH(QString, prefix);
        const QString rest = prefix + text;
        LogWidget log;
        const QDateTime before = QDateTime::currentDateTime();
        if (call == "output")
            log.Output(text);
        else if (call == "dated")
            log.Output(text, true);
        else if (call == "error")
            log.Error(text);
        else
            log.Warning(text);
        const QDateTime after = QDateTime::currentDateTime();
        const QString line = log.toPlainText();
        if (call == "output") {
            QCOMPARE(line, "> " + rest + "\n");
            return;
        }
        // The date is the time of the call; a second may have turned over meanwhile.
        const QString withBefore = "> " + before.toString(DateFormat) + rest + "\n";
        const QString withAfter = "> " + after.toString(DateFormat) + rest + "\n";
        QVERIFY2(line == withBefore || line == withAfter, qPrintable(line));
        QCOMPARE(line.size(), 2 + 20 + rest.size() + 1);
    }

    void linesAppendInOrder()
    {
        LogWidget log;
        log.Output("Lumivox ver. 1.2.3-4");
        log.Output("first");
        log.Output("second");
        log.Error("third");
        const QStringList lines = log.toPlainText().split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QString("> Lumivox ver. 1.2.3-4"));
        QCOMPARE(lines.at(1), QString("> first"));
        QCOMPARE(lines.at(2), QString("> second"));
        QVERIFY(lines.at(3).startsWith("> "));
        QVERIFY(lines.at(3).endsWith(" : ERROR: third"));
        QCOMPARE(lines.at(4), QString());
    }

    void showsTheLastLine()
    {
        LogWidget log;
        log.resize(300, 120);
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
        for (int i = 0; i < 100; ++i)
            log.Output(QString("line %1").arg(i));
        QScrollBar* bar = log.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        // Scrolled up by the user, the next line scrolls back to the end.
        bar->setValue(0);
        log.Output("line 100");
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(log.toPlainText().endsWith("> line 99\n> line 100\n"));
    }

    void progressBarLayout()
    {
        ProgressBarWidget widget;
        auto* layout = qobject_cast<QHBoxLayout*>(widget.layout());
        QVERIFY(layout);
        QCOMPARE(layout->contentsMargins(), QMargins(6, 0, 0, 0));
        QCOMPARE(layout->count(), 3);
        QCOMPARE(layout->itemAt(0)->widget(), static_cast<QWidget*>(widget.Bar()));
        QCOMPARE(layout->itemAt(1)->widget(), static_cast<QWidget*>(widget.Label()));
        QVERIFY(layout->itemAt(2)->spacerItem() != nullptr);
        QCOMPARE(widget.Bar()->maximumWidth(), 300);
        QCOMPARE(widget.Bar()->minimumHeight(), 30);
        QCOMPARE(widget.Label()->minimumHeight(), 30);
    }

    void progressOperations()
    {
        ProgressBarWidget widget;
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        widget.SetText("Reading slices...");
        QCOMPARE(widget.Label()->text(), QString("Reading slices..."));
        widget.SetBusy();
        // Indeterminate until a maximum is set.
        QCOMPARE(widget.Bar()->minimum(), 0);
        QCOMPARE(widget.Bar()->maximum(), 0);
        widget.SetValue(5);
        QCOMPARE(widget.Bar()->maximum(), 0);
        widget.SetMaximum(40);
        QCOMPARE(widget.Bar()->minimum(), 0);
        QCOMPARE(widget.Bar()->maximum(), 40);
        widget.SetValue(12);
        QCOMPARE(widget.Bar()->value(), 12);
        widget.SetBusy();
        QCOMPARE(widget.Bar()->maximum(), 0);
    }
};

LUMIVOX_REGISTER_TEST(TestLogWidget)
#include "TestLogWidget.moc"
