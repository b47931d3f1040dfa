#include "app/StackCommands.h"

#include "app/App.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "stacks/StackOpening.h"
#include "stacks/VariableImageStack.h"
#include "ui/LumivoxWnd.h"

#include <QFileInfo>

namespace StackCommands {

LVXObjectWidget* OpenTiff(App& app, const QString& path)
{
    Settings::Values().main.currentDir = QFileInfo(path).absolutePath();
    Settings::WriteCurrentDir();
    std::unique_ptr<VariableImageStack> stack = StackOpening::OpenTiff(path);
    if (!stack)
        return nullptr;
    VariableImageStack* raw = app.registerObject(std::move(stack));
    LVXObjectWidget* widget = app.GetWindow()->CreateObjectWidget(raw);
    Log::Output("Done");
    return widget;
}

LVXObjectWidget* OpenTiffInSliceView(App& app, const QString& path)
{
    LVXObjectWidget* widget = OpenTiff(app, path);
    if (widget)
        app.onContextMenuAction(widget, LVX::NewSliceView);
    return widget;
}

} // namespace StackCommands
