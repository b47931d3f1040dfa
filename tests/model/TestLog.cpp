#include "TestRegistry.h"
#include "model/Log.h"

#include <QDateTime>
#include <QTemporaryFile>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

namespace {

// Records every call as one text line.
class RecordingSink : public Log::Sink {
public:
    QStringList calls;
    void Output(const QString& text, bool dateTime) override
    {
        calls << QString("output %1 %2").arg(text).arg(dateTime ? "dated" : "undated");
    }
    void Error(const QString& text) override { calls << "error " + text; }
    void Warning(const QString& text) override { calls << "warning " + text; }
    void ShowProgress() override { calls << "show"; }
    void HideProgress() override { calls << "hide"; }
    void SetProgressText(const QString& text) override { calls << "text " + text; }
    void SetProgressBusy() override { calls << "busy"; }
    void SetProgressMaximum(int max) override { calls << QString("maximum %1").arg(max); }
    void SetProgressValue(int value) override { calls << QString("value %1").arg(value); }
};

// Standard error redirected into a file for the lifetime of the object.
class CapturedStderr {
public:
    CapturedStderr()
    {
        file.open();
        std::fflush(stderr);
        saved = dup(fileno(stderr));
        dup2(file.handle(), fileno(stderr));
    }
    ~CapturedStderr() { Restore(); }
    QString Text()
    {
        Restore();
        file.seek(0);
        return QString::fromLocal8Bit(file.readAll());
    }

private:
    void Restore()
    {
        if (saved < 0)
            return;
        std::fflush(stderr);
        dup2(saved, fileno(stderr));
        close(saved);
        saved = -1;
    }
    QTemporaryFile file;
    int saved = -1;
};

} // namespace

class TestLog : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Log::SetSink(nullptr); }

    void lines_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("recorded"); // by a sink
        QTest::addColumn<QString>("prefix");   // on standard error, after the date
        QTest::addColumn<bool>("dated");
        QTest::newRow("output") << "output"
                                << "output text undated"
                                << "" << false;
        QTest::newRow("output with date") << "dated"
                                          << "output text dated"
                                          << "" << true;
        QTest::newRow("error") << "error"
                               << "error text"
                               << "ERROR: " << true;
        QTest::newRow("warning") << "warning"
                                 << "warning text"
                                 << "WARNING: " << true;
    }

    // To the sink when there is one, else to standard error.
    void lines()
    {
        QFETCH(QString, call);
        QFETCH(QString, recorded);
        QFETCH(QString, prefix);
        QFETCH(bool, dated);
        const auto log = [&call] {
            if (call == "output")
                Log::Output("text");
            else if (call == "dated")
                Log::Output("text", true);
            else if (call == "error")
                Log::Error("text");
            else
                Log::Warning("text");
        };
        {
            RecordingSink sink;
            Log::SetSink(&sink);
            QCOMPARE(Log::CurrentSink(), &sink);
            log();
            QCOMPARE(sink.calls, QStringList{recorded});
            Log::SetSink(nullptr);
        }
        const QString format = "dd.MM.yy hh:mm:ss : ";
        CapturedStderr captured;
        const QDateTime before = QDateTime::currentDateTime();
        log();
        const QDateTime after = QDateTime::currentDateTime();
        const QString line = captured.Text();
        if (!dated) {
            QCOMPARE(line, QString("> text\n"));
            return;
        }
        const QString withBefore = "> " + before.toString(format) + prefix + "text\n";
        const QString withAfter = "> " + after.toString(format) + prefix + "text\n";
        QVERIFY2(line == withBefore || line == withAfter, qPrintable(line));
    }

    void progressShowsAndHides()
    {
        RecordingSink sink;
        Log::SetSink(&sink);
        {
            Log::Progress progress("Reading...");
            QCOMPARE(sink.calls, (QStringList{"show", "text Reading..."}));
            progress.SetBusy();
            progress.SetMaximum(2);
            progress.SetValue(1);
            progress.SetText("Writing...");
        }
        QCOMPARE(sink.calls,
            (QStringList{"show", "text Reading...", "busy", "maximum 2", "value 1", "text Writing...", "hide"}));
        sink.calls.clear();
        {
            Log::Progress progress;
        }
        QCOMPARE(sink.calls, (QStringList{"show", "hide"}));

        // A nested progress shares the display: only the outer one shows and hides it.
        sink.calls.clear();
        {
            Log::Progress outer("Loading project...");
            {
                Log::Progress inner("Reading stack...");
                inner.SetValue(5);
            }
            QVERIFY(!sink.calls.contains("hide"));
            outer.SetValue(1);
        }
        QCOMPARE(sink.calls,
            (QStringList{"show", "text Loading project...", "text Reading stack...", "value 5", "value 1", "hide"}));
    }

    void progressWithoutSinkDoesNothing()
    {
        RecordingSink sink;
        {
            Log::Progress progress("Working...");
            progress.SetValue(3);
            // A sink installed meanwhile gets the calls from then on, and the hide at the end.
            Log::SetSink(&sink);
            progress.SetValue(4);
        }
        QCOMPARE(sink.calls, (QStringList{"value 4", "hide"}));
    }

    void destroyedSinkIsRemoved()
    {
        {
            RecordingSink sink;
            Log::SetSink(&sink);
            QCOMPARE(Log::CurrentSink(), &sink);
        }
        QCOMPARE(Log::CurrentSink(), nullptr);
        RecordingSink kept;
        Log::SetSink(&kept);
        {
            RecordingSink other;
        }
        QCOMPARE(Log::CurrentSink(), &kept);
    }
};

LUMIVOX_REGISTER_TEST(TestLog)
#include "TestLog.moc"
