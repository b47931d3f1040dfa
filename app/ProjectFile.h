#pragma once

#include <QString>
#include <cstdint>

class App;
class LVXObjectWidget;
class Relation;

// The project file (".lvx"): an XML document that refers to every restorable object by its own
// data file or by its parameters, with the positions and states of the object buttons, the
// relations between them, which attachment is docked to which stack and the current view.
namespace ProjectFile {

// The version written into the "project" element.
inline constexpr const char* Version = "0.1";

// Saves every changed object to its own file first, then writes the document. The previous
// project file is replaced only by a completely written new one. Returns false when the file
// could not be opened (nothing is reported) or not be written completely (logged).
bool Save(App& app, const QString& path);

// Clears the project and reads the document: objects, relations, attachments, the state of the
// views and the current view. Elements that cannot be used (unknown, damaged, repeated
// identifiers, or naming an object that did not load) are skipped. Returns false when the file
// does not open, has no version, or is not well-formed XML (what was read before the damage
// stays loaded and consistent).
bool Load(App& app, const QString& path);

// The relation factory of the reader: a relation of `type` (1 to 7) owned by `owner`, connected
// to `other` when that is given and of an accepted type. Any other type logs "Unknown relation
// type" and gives null.
Relation* createRelation(uint32_t type, LVXObjectWidget* owner, LVXObjectWidget* other);

} // namespace ProjectFile
