#pragma once

#include <QString>
#include <QThread>

// A task that runs on its own thread. It reaches the log and the progress display only through
// these signals, which the controller connects with queued connections; terminated() must be the
// last signal it emits.
class LVXThread : public QThread {
    Q_OBJECT
public:
    explicit LVXThread(QObject* parent = nullptr);
    ~LVXThread() override;

signals:
    void logOutputRequested(QString text, bool dateTime);
    void setProgressBarTextRequested(QString text);
    void setProgressBarBusyRequested();
    void setProgressBarValueRequested(int val);
    void setProgressBarMaximumRequested(int max);
    void terminated(LVXThread* thread);
};
