#include "app/Application.h"
#include "app/Settings.h"
#include "ui/LumivoxWnd.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
    int result = 0;
    {
        // "lumivox.ini" beside the executable, or in the user's configuration folder when the
        // executable's folder is not writable.
        Application program(Settings::DefaultFilePath());
        program.Show();
        // Files named on the command line open once the window is up, as dropped files do.
        const QStringList files = application.arguments().mid(1);
        QTimer::singleShot(0, program.GetWindow(), [&program, files] { program.OpenFiles(files); });
        result = application.exec();
    }
    return result;
}
