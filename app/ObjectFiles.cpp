#include "app/ObjectFiles.h"

#include "app/LVXObject.h"
#include "app/Log.h"

namespace {
bool Report(LVXObject& object, bool saved, const QString& path)
{
    // Every save through the menu clears the changed state, whatever Save returned; a failure
    // is reported in the log.
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
    object.SetError(QString());
    const bool saved = object.SaveAs(path);
    return Report(object, saved, path);
}

} // namespace ObjectFiles
