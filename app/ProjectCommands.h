#pragma once

class App;

// What the controller does with project files: the main window's "Open project", "Save project"
// and "Clear project" requests (menus, dropped ".lvx" files, files named on the command line),
// and the question before a project with changes is replaced or closed.
namespace ProjectCommands {

// Connects the window's project requests and its close guard. Connecting again does nothing,
// so a project is never read twice.
void RegisterProjectActions(App& app);

// Asks "Save changes?" (Save, Discard, Cancel) when an object of the project is changed. Save
// saves the project to a file the user picks. Returns whether the caller may go on replacing or
// closing the project: nothing was changed, the changes were discarded, or everything was saved.
bool ConfirmDiscardChanges(App& app);

// Asks for a project file and saves the project there; false when cancelled or not all saved.
bool SaveProject(App& app);

} // namespace ProjectCommands
