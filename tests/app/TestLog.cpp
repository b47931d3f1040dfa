#include "TestRegistry.h"
#include "app/LVXThread.h"
#include "app/Log.h"

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

// A task that reports through all six signals from its own thread.
class ReportingTask : public LVXThread {
    Q_OBJECT
protected:
    void run() override
    {
        emit setProgressBarTextRequested("Working...");
        emit setProgressBarBusyRequested();
        emit setProgressBarMaximumRequested(3);
        for (int i = 1; i <= 3; ++i)
            emit setProgressBarValueRequested(i);
        emit logOutputRequested("step done", false);
        emit logOutputRequested("all done", true);
        emit terminated(this);
    }
};

// Receives the task's signals on the GUI thread and notes on which thread each arrived.
class Receiver : public QObject {
    Q_OBJECT
public:
    QStringList calls;
    bool allOnGuiThread = true;
    LVXThread* finished = nullptr;

    void Note(const QString& call)
    {
        calls << call;
        allOnGuiThread = allOnGuiThread && QThread::currentThread() == qApp->thread();
    }
};

} // namespace

class TestLog : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void routesToTheSink_data();
    void routesToTheSink();
    void withoutSinkLinesGoToStandardError_data();
    void withoutSinkLinesGoToStandardError();
    void progressShowsAndHides();
    void progressHidesOnEarlyReturn();
    void nestedProgressSharesTheDisplay();
    void progressWithoutSinkDoesNothing();
    void destroyedSinkIsRemoved();
    void threadSignalsArriveQueued();
};

void TestLog::cleanup()
{
    Log::SetSink(nullptr);
}

void TestLog::routesToTheSink_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("recorded");
    QTest::newRow("output") << "output"
                            << "output Loading a.tif undated";
    QTest::newRow("output with date") << "dated"
                                      << "output Loading a.tif dated";
    QTest::newRow("error") << "error"
                           << "error Loading a.tif";
    QTest::newRow("warning") << "warning"
                             << "warning Loading a.tif";
}

void TestLog::routesToTheSink()
{
    QFETCH(QString, call);
    QFETCH(QString, recorded);
    RecordingSink sink;
    Log::SetSink(&sink);
    QCOMPARE(Log::CurrentSink(), &sink);
    const QString text = "Loading a.tif";
    if (call == "output")
        Log::Output(text);
    else if (call == "dated")
        Log::Output(text, true);
    else if (call == "error")
        Log::Error(text);
    else
        Log::Warning(text);
    QCOMPARE(sink.calls, QStringList{recorded});
}

void TestLog::withoutSinkLinesGoToStandardError_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("dated");
    QTest::newRow("output") << "output"
                            << "" << false;
    QTest::newRow("output with date") << "dated"
                                      << "" << true;
    QTest::newRow("error") << "error"
                           << "ERROR: " << true;
    QTest::newRow("warning") << "warning"
                             << "WARNING: " << true;
}

void TestLog::withoutSinkLinesGoToStandardError()
{
    QFETCH(QString, call);
    QFETCH(QString, prefix);
    QFETCH(bool, dated);
    QVERIFY(Log::CurrentSink() == nullptr);
    const QString format = "dd.MM.yy hh:mm:ss : ";
    CapturedStderr captured;
    const QDateTime before = QDateTime::currentDateTime();
    if (call == "output")
        Log::Output("text");
    else if (call == "dated")
        Log::Output("text", true);
    else if (call == "error")
        Log::Error("text");
    else
        Log::Warning("text");
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

void TestLog::progressShowsAndHides()
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
}

namespace {
// A long operation that stops half-way.
bool Work(int stopAt)
{
    Log::Progress progress("Working...");
    progress.SetMaximum(10);
    for (int i = 0; i < 10; ++i) {
        if (i == stopAt)
            return false;
        progress.SetValue(i);
    }
    return true;
}
} // namespace

void TestLog::progressHidesOnEarlyReturn()
{
    RecordingSink sink;
    Log::SetSink(&sink);
    QVERIFY(!Work(2));
    QCOMPARE(sink.calls, (QStringList{"show", "text Working...", "maximum 10", "value 0", "value 1", "hide"}));
}

void TestLog::nestedProgressSharesTheDisplay()
{
    RecordingSink sink;
    Log::SetSink(&sink);
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

void TestLog::progressWithoutSinkDoesNothing()
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

void TestLog::destroyedSinkIsRemoved()
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

void TestLog::threadSignalsArriveQueued()
{
    ReportingTask task;
    Receiver receiver;
    connect(
        &task, &LVXThread::logOutputRequested, &receiver,
        [&receiver](QString text, bool dated) { receiver.Note(QString("log %1 %2").arg(text).arg(dated)); },
        Qt::QueuedConnection);
    connect(
        &task, &LVXThread::setProgressBarTextRequested, &receiver,
        [&receiver](QString text) { receiver.Note("text " + text); }, Qt::QueuedConnection);
    connect(
        &task, &LVXThread::setProgressBarBusyRequested, &receiver, [&receiver]() { receiver.Note("busy"); },
        Qt::QueuedConnection);
    connect(
        &task, &LVXThread::setProgressBarValueRequested, &receiver,
        [&receiver](int value) { receiver.Note(QString("value %1").arg(value)); }, Qt::QueuedConnection);
    connect(
        &task, &LVXThread::setProgressBarMaximumRequested, &receiver,
        [&receiver](int max) { receiver.Note(QString("maximum %1").arg(max)); }, Qt::QueuedConnection);
    connect(
        &task, &LVXThread::terminated, &receiver,
        [&receiver](LVXThread* thread) {
            receiver.Note("terminated");
            receiver.finished = thread;
        },
        Qt::QueuedConnection);
    task.start();
    QVERIFY(task.wait(60000));
    // Queued: nothing has arrived before the GUI thread's event loop runs.
    QCOMPARE(receiver.calls, QStringList());
    QTRY_COMPARE(receiver.calls.size(), 9);
    QCOMPARE(receiver.calls,
        (QStringList{"text Working...", "busy", "maximum 3", "value 1", "value 2", "value 3", "log step done 0",
            "log all done 1", "terminated"}));
    QVERIFY(receiver.allOnGuiThread);
    QCOMPARE(receiver.finished, static_cast<LVXThread*>(&task));
}

LUMIVOX_REGISTER_TEST(TestLog)
#include "TestLog.moc"
