#pragma once

#include <QString>
#include <memory>

class VariableImageStack;

namespace StackOpening {

// Opens a TIFF stack as the controller does: logs "Loading <path>, <size> Bytes..." and builds
// an ImageStack when all pages share one size, else a VariableImageStack, named after the file.
// Returns null, with a log error, when the file does not open or no page can be read (pages
// that cannot be read become empty slices, named in a log warning). The
// caller registers the new object, creates its button and logs "Done".
std::unique_ptr<VariableImageStack> OpenTiff(const QString& path);

} // namespace StackOpening
