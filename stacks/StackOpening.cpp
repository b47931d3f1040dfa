#include "stacks/StackOpening.h"

#include "Tiff.h"
#include "model/Log.h"
#include "stacks/ImageStack.h"

#include <QFileInfo>

namespace StackOpening {

std::unique_ptr<VariableImageStack> OpenTiff(const QString& path)
{
    bool equalSizes = false;
    {
        Tiff probe(path);
        if (!probe.IsOpen()) {
            Log::Error("Could not open file: " + path);
            return nullptr;
        }
        equalSizes = probe.IsEqualImageSizes();
    }
    const QFileInfo fileInfo(path);
    Log::Output("Loading " + path + ", " + QString::number(fileInfo.size()) + " Bytes...", true);
    std::unique_ptr<VariableImageStack> stack;
    if (equalSizes)
        stack = std::make_unique<ImageStack>(fileInfo);
    else
        stack = std::make_unique<VariableImageStack>(fileInfo);
    if (!stack->GetError().isEmpty()) {
        Log::Error(stack->GetError());
        return nullptr;
    }
    stack->SetName(fileInfo.fileName());
    return stack;
}

} // namespace StackOpening
