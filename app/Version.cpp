#include "Version.h"

QString VersionText()
{
    return QStringLiteral(LUMIVOX_VERSION_TEXT);
}
