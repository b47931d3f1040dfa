#pragma once

#include <QString>

// What the object model asks of the window that shows the project. The main window implements
// it; tests install a fake. It names no widget type, so the model needs no widget to work.
class ProjectWindow {
public:
    virtual ~ProjectWindow();

    // A file to save to, from the save dialog started in the remembered folder with `proposal`;
    // a name typed without an extension gets the chosen filter's. Empty when cancelled.
    virtual QString AskSaveFileName(const QString& caption, const QString& filter, const QString& proposal) = 0;

    static ProjectWindow* Current();               // null while no window shows the project
    static void SetCurrent(ProjectWindow* window); // not owned; null removes it
};
