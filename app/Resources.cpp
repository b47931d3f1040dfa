#include "Resources.h"

#include "Colormap.h"
#include "model/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <memory>

// The resources compiled into the static core library are registered explicitly (a static
// library's initializer is not run on its own). Q_INIT_RESOURCE must be used outside a namespace.
static void InitCompiledResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace {
QHash<QString, QIcon>& IconCache()
{
    static QHash<QString, QIcon> cache;
    return cache;
}

std::unique_ptr<Colormap>& DefaultMap()
{
    static std::unique_ptr<Colormap> map;
    return map;
}

bool sharedLoaded = false;
bool sharedComplete = false;
} // namespace

QStringList Resources::SearchDirs()
{
    QStringList dirs;
    dirs << QDir::current().absoluteFilePath(QStringLiteral("res"));
    if (QCoreApplication::instance()) {
        const QDir appDir(QCoreApplication::applicationDirPath());
        dirs << appDir.absoluteFilePath(QStringLiteral("res"));
        dirs << QDir::cleanPath(appDir.absoluteFilePath(QStringLiteral("../res")));
    }
#ifdef LUMIVOX_SOURCE_RES_DIR
    dirs << QStringLiteral(LUMIVOX_SOURCE_RES_DIR);
#endif
    dirs.removeDuplicates();
    return dirs;
}

QString Resources::Find(const QString& relativePath, const QStringList& dirs)
{
    for (const QString& dir : dirs) {
        const QFileInfo info(QDir(dir).filePath(relativePath));
        if (info.isFile() && info.isReadable())
            return info.absoluteFilePath();
    }
    InitCompiledResources();
    const QString compiled = QStringLiteral(":/res/") + relativePath;
    return QFileInfo(compiled).isFile() ? compiled : QString();
}

QString Resources::Find(const QString& relativePath)
{
    return Find(relativePath, SearchDirs());
}

QIcon Resources::Icon(const QString& name)
{
    QHash<QString, QIcon>& cache = IconCache();
    const auto it = cache.constFind(name);
    if (it != cache.constEnd())
        return it.value();
    const QString path = Find(QStringLiteral("img/") + name);
    QIcon icon;
    if (!path.isEmpty()) {
        // Loaded at once (QIcon(path) would read the file only when first painted), so that a
        // damaged file shows as a null icon here.
        const QPixmap pixmap(path);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    cache.insert(name, icon);
    return icon;
}

QPixmap Resources::Pixmap(const QString& name)
{
    const QString path = Find(QStringLiteral("img/") + name);
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}

QStringList Resources::SharedIconNames()
{
    return {QStringLiteral("delete.ico"), QStringLiteral("alpha.png"), QStringLiteral("beta.png"),
        QStringLiteral("gamma.png"), QStringLiteral("delta.png"), QStringLiteral("cursor.png"),
        QStringLiteral("line.png"), QStringLiteral("rectangle.png"), QStringLiteral("spline.png")};
}

bool Resources::LoadShared()
{
    if (sharedLoaded)
        return sharedComplete;
    sharedLoaded = true;
    InitCompiledResources();
    bool complete = true;
    for (const QString& name : SharedIconNames()) {
        if (Icon(name).isNull()) {
            Log::Warning(QStringLiteral("The icon ") + name + QStringLiteral(" was not found or is damaged."));
            complete = false;
        }
    }
    auto map = std::make_unique<Colormap>();
    const QString path = Find(QStringLiteral("cmaps/glow.cmp"));
    if (path.isEmpty()) {
        Log::Warning(QStringLiteral("The colour map glow.cmp was not found; a grey ramp is used instead."));
        complete = false;
    } else if (!map->Load(path)) {
        Log::Warning(QStringLiteral("The colour map glow.cmp could not be read (") + map->GetError()
            + QStringLiteral("); a grey ramp is used instead."));
        map = std::make_unique<Colormap>();
        complete = false;
    }
    DefaultMap() = std::move(map);
    sharedComplete = complete;
    return complete;
}

const Colormap& Resources::DefaultColormap()
{
    if (!DefaultMap())
        LoadShared();
    return *DefaultMap();
}
