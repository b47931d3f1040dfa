#include "app/StackCommands.h"

#include "app/App.h"
#include "model/Log.h"
#include "model/Prompter.h"
#include "model/Settings.h"
#include "stacks/ImageStack.h"
#include "stacks/StackOpening.h"
#include "stacks/VariableImageStack.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/ScaleDialog.h"

#include <QFileInfo>

namespace StackCommands {

LVXObjectWidget* OpenTiff(App& app, const QString& path)
{
    Settings::RememberDirOf(path);
    std::unique_ptr<VariableImageStack> stack = StackOpening::OpenTiff(path);
    if (!stack)
        return nullptr;
    // The stack is what its file holds: saving the project does not rewrite the user's TIFF.
    stack->SetChanged(false);
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

namespace {

ScaleDialog::StackInfo InfoOf(const VariableImageStack& stack)
{
    ScaleDialog::StackInfo info;
    if (const auto* fixed = dynamic_cast<const ImageStack*>(&stack)) {
        info.fixedSize = true;
        info.width = int(fixed->GetWidth());
        info.height = int(fixed->GetHeight());
        info.slices = int(fixed->GetSliceCount());
        info.xres = fixed->GetXResolution().ToDouble();
        info.yres = fixed->GetYResolution().ToDouble();
        info.zres = fixed->GetSpacing().ToDouble();
    }
    return info;
}

} // namespace

void ScaleStack(App& app, LVXObjectWidget* stackWidget)
{
    auto* stack = stackWidget ? dynamic_cast<VariableImageStack*>(stackWidget->GetObject()) : nullptr;
    if (!stack)
        return;
    ScaleDialog dialog(app.GetWindow(), InfoOf(*stack));
    if (Prompter::Current().Exec(&dialog) != QDialog::Accepted)
        return;
    std::unique_ptr<VariableImageStack> scaled
        = stack->Scale(dialog.GetFactorX(), dialog.GetFactorY(), dialog.GetFactorZ());
    if (!scaled)
        return; // the stack logged why
    scaled->SetName("Scaled " + stack->GetName());
    VariableImageStack* raw = app.registerObject(std::move(scaled));
    app.GetWindow()->CreateObjectWidget(raw);
}

void RegisterStackActions(App& app)
{
    app.SetMenuHandler(LVX::Scale, [&app](LVXObjectWidget* sender) { ScaleStack(app, sender); });
}

} // namespace StackCommands
