#include "app/Application.h"

#include "Image.h"
#include "Matrix.h"
#include "app/App.h"
#include "app/Resources.h"
#include "app/StackCommands.h"
#include "contours/SharedSnakeParams.h"
#include "model/Log.h"
#include "model/Settings.h"
#include "ui/LumivoxWnd.h"

#include <QFile>
#include <QFileInfo>

Application::Application(const QString& settingsPath)
{
    const bool created = EnsureFileExists(settingsPath);
    Settings::Load(settingsPath);
    SharedSnakeParams::UpdateFromSettings();
    CreateKernels();
    window = std::make_unique<LumivoxWnd>();
    if (!created)
        Log::Warning("Could not create the settings file " + settingsPath);
    // After the window, so that a missing icon or colour map is reported in its log.
    Resources::LoadShared();
    app = std::make_unique<App>(window.get());
}

Application::~Application()
{
    app.reset();
    DeleteKernels();
    window.reset();
}

void Application::Show()
{
    window->ShowAsConfigured();
}

void Application::OpenFiles(const QStringList& paths)
{
    for (const QString& path : paths) {
        const QString suffix = QFileInfo(path).suffix();
        if (QFileInfo(path).isFile() && (suffix == "tif" || suffix == "tiff"))
            StackCommands::OpenTiffInSliceView(*app, path); // shown at once
        else if (QFileInfo(path).isFile())
            window->OpenFileBySuffix(path);
        else
            Log::Error("Could not open file: " + path);
    }
}

bool Application::EnsureFileExists(const QString& path)
{
    QFile file(path);
    if (file.exists())
        return true;
    return file.open(QIODevice::Append);
}

void Application::CreateKernels()
{
    DeleteKernels();
    // Given row by row.
    const double dx[9] = {0, 0, 0, -0.5, 0, 0.5, 0, 0, 0};
    const double dy[9] = {0, 0.5, 0, 0, 0, 0, 0, -0.5, 0};
    const double laplace[9] = {0, 0.5, 0, 0.5, -2, 0.5, 0, 0.5, 0};
    Image::DX = new Matrix(3, 3, dx);
    Image::DY = new Matrix(3, 3, dy);
    Image::LAPLACE = new Matrix(3, 3, laplace);
}

void Application::DeleteKernels()
{
    delete Image::DX;
    delete Image::DY;
    delete Image::LAPLACE;
    Image::DX = nullptr;
    Image::DY = nullptr;
    Image::LAPLACE = nullptr;
}
