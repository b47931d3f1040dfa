#include "Colormap.h"
#include "TestRegistry.h"
#include "app/Resources.h"
#include "model/Log.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The source tree's res/ (the tests run with LUMIVOX_SOURCE_DIR set).
QString SourceRes()
{
    return QDir(qEnvironmentVariable("LUMIVOX_SOURCE_DIR")).filePath("res");
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Changes the working directory for its lifetime.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const QString& path) : previous(QDir::currentPath()) { QDir::setCurrent(path); }
    ~WorkingDirectory() { QDir::setCurrent(previous); }

private:
    QString previous;
};

class CountingSink : public Log::Sink {
public:
    QStringList warnings;
    void Output(const QString&, bool) override { }
    void Error(const QString& text) override { warnings << text; }
    void Warning(const QString& text) override { warnings << text; }
    void ShowProgress() override { }
    void HideProgress() override { }
    void SetProgressText(const QString&) override { }
    void SetProgressBusy() override { }
    void SetProgressMaximum(int) override { }
    void SetProgressValue(int) override { }
};

} // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(QDir(SourceRes()).exists("img"), qPrintable(SourceRes())); }

    void sharedIconsLoadAndAreDrawn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        const QStringList names = Resources::SharedIconNames();
        QCOMPARE(names,
            (QStringList{"delete.ico", "alpha.png", "beta.png", "gamma.png", "delta.png", "cursor.png", "line.png",
                "rectangle.png", "spline.png"}));
        for (const QString& name : names) {
            const int size
                = name == "alpha.png" || name == "beta.png" || name == "gamma.png" || name == "delta.png" ? 24 : 32;
            QTest::newRow(qPrintable(name)) << name << size;
        }
    }

    void sharedIconsLoadAndAreDrawn()
    {
        QFETCH(QString, name);
        QFETCH(int, size);
        const QIcon icon = Resources::Icon(name);
        QVERIFY(!icon.isNull());
        const QImage image = Resources::Pixmap(name).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(size, size));
        // Drawn on a transparent background: some pixels are opaque ink, the corners are clear.
        int opaque = 0, clear = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = qAlpha(image.pixel(x, y));
                opaque += alpha == 255 ? 1 : 0;
                clear += alpha == 0 ? 1 : 0;
            }
        QVERIFY2(opaque >= size, qPrintable(QString("%1 opaque pixels").arg(opaque)));
        QVERIFY2(clear >= size * size / 4, qPrintable(QString("%1 clear pixels").arg(clear)));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        // The icon hands out the same picture.
        QCOMPARE(icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32), image);
    }

    void iconFileIsAValidIco()
    {
        const QByteArray bytes = Bytes(Resources::Find("img/delete.ico"));
        QVERIFY(bytes.size() > 22);
        // Header: reserved 0, type 1 (icon), one image.
        QCOMPARE(bytes.left(6), QByteArray("\0\0\1\0\1\0", 6));
        QCOMPARE(quint8(bytes.at(6)), quint8(32));
        QCOMPARE(quint8(bytes.at(7)), quint8(32));
        QImageReader reader(Resources::Find("img/delete.ico"));
        QCOMPARE(reader.format(), QByteArray("ico"));
        QCOMPARE(reader.read().size(), QSize(32, 32));
    }

    void workingDirectoryComesFirst()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("res/img"));
        QImage red(24, 24, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(dir.filePath("res/img/alpha.png")));
        WorkingDirectory cd(dir.path());
        QCOMPARE(Resources::SearchDirs().first(), QDir(dir.path()).filePath("res"));
        QCOMPARE(Resources::Find("img/alpha.png"), QDir(dir.path()).filePath("res/img/alpha.png"));
        QCOMPARE(Resources::Pixmap("alpha.png").toImage().pixel(5, 5), QColor(Qt::red).rgba());
        // Other files still come from the later places.
        QCOMPARE(Bytes(Resources::Find("img/beta.png")), Bytes(SourceRes() + "/img/beta.png"));
    }

    void foundFromAnotherWorkingDirectory()
    {
        QTemporaryDir dir;
        WorkingDirectory cd(dir.path());
        for (const QString& name : Resources::SharedIconNames()) {
            const QString path = Resources::Find("img/" + name);
            QVERIFY2(!path.isEmpty(), qPrintable(name));
            QVERIFY(!path.startsWith(dir.path()));
            QCOMPARE(Bytes(path), Bytes(SourceRes() + "/img/" + name));
        }
        QCOMPARE(Bytes(Resources::Find("cmaps/glow.cmp")), Bytes(SourceRes() + "/cmaps/glow.cmp"));
    }

    void compiledInCopy_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString& name : Resources::SharedIconNames())
            QTest::newRow(qPrintable(name)) << "img/" + name;
        QTest::newRow("glow.cmp") << "cmaps/glow.cmp";
    }

    void compiledInCopy()
    {
        QFETCH(QString, file);
        QTemporaryDir empty;
        const QString path = Resources::Find(file, {empty.path()});
        QCOMPARE(path, ":/res/" + file);
        QCOMPARE(Bytes(path), Bytes(SourceRes() + "/" + file));
        if (file.startsWith("img/"))
            QVERIFY(!QImage(path).isNull());
    }

    void missingResource()
    {
        QCOMPARE(Resources::Find("img/no-such-icon.png"), QString());
        QVERIFY(Resources::Icon("no-such-icon.png").isNull());
        QVERIFY(Resources::Pixmap("no-such-icon.png").isNull());
    }

    void loadSharedAndDefaultColormap()
    {
        CountingSink sink;
        Log::SetSink(&sink);
        QVERIFY(Resources::LoadShared());
        QVERIFY(Resources::LoadShared());
        Log::SetSink(nullptr);
        QCOMPARE(sink.warnings, QStringList());
        const Colormap& map = Resources::DefaultColormap();
        QVERIFY(map.IsValid());
        const Colormap fromFile(SourceRes() + "/cmaps/glow.cmp");
        QVERIFY(fromFile.IsValid());
        QCOMPARE(map.GetStops().size(), fromFile.GetStops().size());
        for (size_t i = 0; i < map.GetStops().size(); ++i) {
            QCOMPARE(map.GetStops()[i].position, fromFile.GetStops()[i].position);
            QCOMPARE(map.GetStops()[i].color, fromFile.GetStops()[i].color);
        }
        QCOMPARE(&Resources::DefaultColormap(), &map);
    }
};

LUMIVOX_REGISTER_TEST(TestResources)
#include "TestResources.moc"
