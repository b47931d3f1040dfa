#pragma once

#include <QString>

class LVXObject;

// Saving an object through its own file operations, as the "Save" and "Save as..." commands do:
// the changed state is cleared when the object's own file was written, and the outcome is logged
// ("Saved to " + path, or an error that says why nothing was saved). "Save as..." refuses an
// extension the object cannot be saved with, and says so.
namespace ObjectFiles {

bool Save(LVXObject& object);                        // to the object's own file
bool SaveAs(LVXObject& object, const QString& path); // the format follows from the extension

} // namespace ObjectFiles
