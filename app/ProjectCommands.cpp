#include "app/ProjectCommands.h"

#include "app/App.h"
#include "app/ProjectFile.h"
#include "ui/LumivoxWnd.h"

#include <QVariant>

namespace ProjectCommands {

namespace {
const char* const registeredProperty = "lumivoxProjectActions";
} // namespace

void RegisterProjectActions(App& app)
{
    if (app.property(registeredProperty).toBool())
        return;
    app.setProperty(registeredProperty, true);
    LumivoxWnd* window = app.GetWindow();
    QObject::connect(
        window, &LumivoxWnd::openProjectRequested, &app, [&app](const QString& path) { ProjectFile::Load(app, path); });
    QObject::connect(
        window, &LumivoxWnd::saveProjectRequested, &app, [&app](const QString& path) { ProjectFile::Save(app, path); });
}

} // namespace ProjectCommands
