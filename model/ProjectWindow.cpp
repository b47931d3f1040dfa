#include "model/ProjectWindow.h"

namespace {
ProjectWindow* current = nullptr;
} // namespace

ProjectWindow::~ProjectWindow()
{
    if (current == this)
        current = nullptr;
}

ProjectWindow* ProjectWindow::Current()
{
    return current;
}

void ProjectWindow::SetCurrent(ProjectWindow* window)
{
    current = window;
}
