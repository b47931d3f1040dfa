#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

class Colormap;

// Icons and colour maps of the program. A resource "img/<name>" or "cmaps/<name>" is looked up
// in "res/" relative to the working directory first, then beside the executable (its folder's
// res/ and ../res/, and the source tree's res/ of a build tree), and last in the copy compiled
// into the program, so the program works from any directory.
namespace Resources {

// The folders searched on disk, in order.
QStringList SearchDirs();
// The path of a resource ("img/alpha.png"): the first file found in dirs, else the compiled-in
// copy (":/res/img/alpha.png"), else an empty string.
QString Find(const QString& relativePath, const QStringList& dirs);
QString Find(const QString& relativePath); // searches SearchDirs()

// An icon or picture of res/img by file name ("alpha.png"); null when there is none. Icons are
// loaded once and kept.
QIcon Icon(const QString& name);
QPixmap Pixmap(const QString& name);

// The icons every part of the program shares, and the default colour map "glow.cmp".
QStringList SharedIconNames();
// Loads the shared icons and the default colour map once; a missing or damaged file is reported
// as a warning in the log (a missing colour map is replaced by a grey ramp). Returns whether
// everything was found.
bool LoadShared();
const Colormap& DefaultColormap(); // loads the shared resources first if needed

} // namespace Resources
