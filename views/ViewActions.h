#pragma once

class App;

// Installs the controller's handlers of the context-menu actions that create views.
void RegisterViewActions(App& app);
