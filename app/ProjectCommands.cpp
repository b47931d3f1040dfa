#include "app/ProjectCommands.h"

#include "app/App.h"
#include "app/ProjectFile.h"
#include "model/Prompter.h"
#include "ui/LumivoxWnd.h"

#include <QMessageBox>
#include <QStringList>
#include <QVariant>
#include <algorithm>

namespace ProjectCommands {

namespace {
const char* const registeredProperty = "lumivoxProjectActions";

QStringList ChangedObjectNames(const App& app)
{
    QStringList names;
    // Views are left out: they hold no data of the user's and are quickly made again.
    for (const LVXObject* object : app.Objects())
        if (object->IsChanged() && !object->IsView())
            names << object->GetName();
    return names;
}
} // namespace

bool SaveProject(App& app)
{
    const QString path = app.GetWindow()->GetProjectSaveFileName();
    if (path.isEmpty())
        return false;
    // An object whose own save was cancelled or failed is still changed: its edits are not safe yet.
    return ProjectFile::Save(app, path) && ChangedObjectNames(app).isEmpty();
}

bool ConfirmDiscardChanges(App& app)
{
    const QStringList changed = ChangedObjectNames(app);
    if (changed.isEmpty())
        return true;
    const int answer = Prompter::Current().Question(app.GetWindow(), "Save changes?",
        "These objects have changes that are not saved: " + changed.join(", ") + ".\nSave the project first?",
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (answer == QMessageBox::Discard)
        return true;
    if (answer == QMessageBox::Save)
        return SaveProject(app);
    return false;
}

void RegisterProjectActions(App& app)
{
    if (app.property(registeredProperty).toBool())
        return;
    app.setProperty(registeredProperty, true);
    LumivoxWnd* window = app.GetWindow();
    QObject::connect(window, &LumivoxWnd::openProjectRequested, &app, [&app](const QString& path) {
        if (ConfirmDiscardChanges(app))
            ProjectFile::Load(app, path);
    });
    QObject::connect(
        window, &LumivoxWnd::saveProjectRequested, &app, [&app](const QString& path) { ProjectFile::Save(app, path); });
    QObject::connect(window, &LumivoxWnd::clearProjectRequested, &app, [&app] {
        if (ConfirmDiscardChanges(app))
            app.onClearProjectRequested();
    });
    window->SetCloseGuard([&app] { return ConfirmDiscardChanges(app); });
}

} // namespace ProjectCommands
