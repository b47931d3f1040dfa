#pragma once

#include <QString>

// The build's version text, major.minor.patch-build.
QString VersionText();
