#pragma once

class App;

// What the controller does with project files: the main window's "Open project" and "Save
// project" requests (menus, dropped ".lvx" files, files named on the command line).
namespace ProjectCommands {

// Connects the window's openProjectRequested and saveProjectRequested to the project reader and
// writer. Connecting again does nothing, so a project is never read twice.
void RegisterProjectActions(App& app);

} // namespace ProjectCommands
