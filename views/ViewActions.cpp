#include "views/ViewActions.h"

#include "app/App.h"
#include "stacks/VariableImageStack.h"
#include "ui/LVXObjectWidget.h"
#include "views/SliceView.h"

#include <memory>

void RegisterViewActions(App& app)
{
    // "SliceView" on a stack's button: a new slice view of that stack, in a new tab.
    app.SetMenuHandler(LVX::NewSliceView, [&app](LVXObjectWidget* sender) {
        if (!sender || !dynamic_cast<VariableImageStack*>(sender->GetObject()))
            return;
        app.addView(std::make_unique<SliceView>(), sender);
    });
}
