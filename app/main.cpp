#include "app/Application.h"
#include "app/CommandLine.h"
#include "model/Settings.h"
#include "ui/LumivoxWnd.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Read before the window system is reached, so that "--help" works without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Result command = CommandLine::Parse(arguments);
    if (command.action != CommandLine::Result::Run) {
        const bool failed = command.action == CommandLine::Result::Fail;
        std::fputs(command.text.toLocal8Bit().constData(), failed ? stderr : stdout);
        return failed ? CommandLine::UsageErrorStatus : 0;
    }

    QApplication application(argc, argv);
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
    int result = 0;
    {
        // "lumivox.ini" beside the executable, or in the user's configuration folder when the
        // executable's folder is not writable.
        Application program(Settings::DefaultFilePath());
        program.Show();
        // Files named on the command line open once the window is up, as dropped files do.
        const QStringList files = command.files;
        QTimer::singleShot(0, program.GetWindow(), [&program, files] { program.OpenFiles(files); });
        result = application.exec();
    }
    return result;
}
