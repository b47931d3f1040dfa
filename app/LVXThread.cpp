#include "LVXThread.h"

LVXThread::LVXThread(QObject* parent) : QThread(parent)
{
}

LVXThread::~LVXThread()
{
    // Destroying a running QThread aborts the program; wait for the task to finish instead.
    wait();
}
