#include "app/ObjectFiles.h"

#include "model/LVXObject.h"
#include "model/Log.h"
#include "model/Prompter.h"

#include <QMessageBox>

namespace {
bool Report(LVXObject& object, bool saved, const QString& path)
{
    // The mark goes only when the object's own file, the one a project refers to, was written:
    // an export (a contour's STL) leaves unsaved edits marked, so the next project save keeps them.
    if (saved && QFileInfo(path).absoluteFilePath() == object.GetFile().absoluteFilePath())
        object.SetChanged(false);
    if (saved)
        Log::Output("Saved to " + path);
    else if (!object.GetError().isEmpty())
        Log::Error(object.GetError());
    else
        Log::Error("Could not save " + object.GetName() + " to " + path);
    return saved;
}
} // namespace

namespace ObjectFiles {

bool Save(LVXObject& object)
{
    object.SetError(QString());
    const bool saved = object.Save();
    return Report(object, saved, object.GetFile().filePath());
}

bool SaveAs(LVXObject& object, const QString& path)
{
    const FileTypes types = object.GetFileTypes();
    if (!types.Accepts(path)) {
        const QString text = "Could not save " + object.GetName() + " to " + path + ": it can be saved as "
            + types.extensions.join(", ") + " only.";
        Log::Error(text);
        Prompter::Current().Warning(nullptr, "Save as...", text, QMessageBox::Ok);
        return false;
    }
    object.SetError(QString());
    const bool saved = object.SaveAs(path);
    return Report(object, saved, path);
}

} // namespace ObjectFiles
