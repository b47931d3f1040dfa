#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class App;
class LumivoxWnd;

// The program's start and end around the event loop: settings, the derivative kernels, the main
// window, the shared resources and the controller; torn down in the reverse order the program
// needs (controller, kernels, window).
class Application {
public:
    // Creates the settings file when it is missing and reads it.
    explicit Application(const QString& settingsPath);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    App* GetApp() const { return app.get(); }
    LumivoxWnd* GetWindow() const { return window.get(); }

    // Shows the main window as the settings say (maximised or at its stored size).
    void Show();
    // Opens files as if they were dropped on the window; a missing file is logged.
    void OpenFiles(const QStringList& paths);

    // Makes sure the file exists (an empty one is created); false when it cannot be created.
    static bool EnsureFileExists(const QString& path);
    // The kernels Image::DX, Image::DY and Image::LAPLACE of the derivative images.
    static void CreateKernels();
    static void DeleteKernels();

private:
    std::unique_ptr<LumivoxWnd> window;
    std::unique_ptr<App> app;
};
