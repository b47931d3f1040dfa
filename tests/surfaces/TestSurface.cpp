#include "TestRegistry.h"

#include "ScriptedPrompter.h"
#include "app/App.h"
#include "model/Settings.h"
#include "surfaces/SimpleSurface.h"
#include "surfaces/StlWriter.h"
#include "surfaces/SurfaceCommands.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <QtTest>
#include <cmath>
#include <csignal>
#include <limits>
#include <sys/resource.h>

namespace {

// The box [0, 2] x [0, 4] x [0, 8] with its 12 facets wound outward.
std::unique_ptr<SimpleSurface> Box(const QColor& color = Qt::white)
{
    auto box = std::make_unique<SimpleSurface>("box", color);
    for (int k = 0; k < 8; ++k)
        box->AddVertex(Point3D(k & 1 ? 2.0f : 0.0f, k & 2 ? 4.0f : 0.0f, k & 4 ? 8.0f : 0.0f));
    const uint32_t faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& f : faces) {
        box->AddFacet(f[0], f[1], f[2]);
        box->AddFacet(f[0], f[2], f[3]);
    }
    box->ComputeDerivedData();
    return box;
}

// A tetrahedron away from the origin, wound outward, with no symmetry along any axis.
std::unique_ptr<SimpleSurface> Tetrahedron()
{
    auto t = std::make_unique<SimpleSurface>("tetra");
    t->AddVertex(Point3D(1, 2, 3));
    t->AddVertex(Point3D(4, 2, 3));
    t->AddVertex(Point3D(1, 7, 3));
    t->AddVertex(Point3D(1, 2, 11));
    t->AddFacet(0, 2, 1);
    t->AddFacet(0, 1, 3);
    t->AddFacet(0, 3, 2);
    t->AddFacet(1, 2, 3);
    t->ComputeDerivedData();
    t->SetChanged(false);
    return t;
}

float Coordinate(const Point3D& p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

QString ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString("(unreadable)");
}

} // namespace

// Surfaces: building, derived data, flipping, and the STL text they write.
class TestSurface : public QObject {
    Q_OBJECT

private slots:
    void numbersPrintAsPrintfG_data()
    {
        QTest::addColumn<double>("value");
        const double values[] = {0.0, -0.0, 1e-05, 123456, 1234567, 0.0001, 0.00012345678, -2.5, 999999.5, 1e300,
            5e-324, 3.14159265358979, 100000, std::numeric_limits<double>::quiet_NaN(),
            -std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity(), double(1.1f)};
        for (double v : values) {
            char label[64];
            std::snprintf(label, sizeof(label), "%.17g", v);
            QTest::newRow(label) << v;
        }
    }

    void numbersPrintAsPrintfG()
    {
        QFETCH(double, value);
        char expected[64];
        std::snprintf(expected, sizeof(expected), "%g", value);
        std::string text;
        StlWriter::AppendNumber(text, value);
        QCOMPARE(QString::fromStdString(text), QString(expected));
    }

    void stlTextOfASurface()
    {
        SimpleSurface surface("");
        surface.AddVertex(Point3D(0, 0, 0));
        surface.AddVertex(Point3D(2, 0, 0));
        surface.AddVertex(Point3D(0, 0.5f, 1e-5f));
        surface.AddFacet(0, 1, 2);
        QTemporaryDir dir;
        const QString path = dir.filePath("one.stl");
        QVERIFY(surface.WriteStl(path));
        // (2, 0, 0) x (0, 0.5, 1e-5) = (0, -2e-5, 1), made unit length.
        QCOMPARE(ReadAll(path),
            QString("solid Noname\n facet normal 0 -2e-05 1\n  outer loop\n   vertex 0 0 0\n   vertex 2 0 0\n"
                    "   vertex 0 0.5 1e-05\n  endloop\n endfacet\nendsolid"));
        QVERIFY(surface.GetError().isEmpty());
    }

    void failedSavesKeepTheOldFile_data()
    {
        QTest::addColumn<bool>("missingFolder");
        QTest::newRow("folder missing") << true;
        QTest::newRow("write fails") << false;
    }

    void failedSavesKeepTheOldFile()
    {
        QFETCH(bool, missingFolder);
        QTemporaryDir dir;
        const QString path = dir.filePath(missingFolder ? "none/box.stl" : "box.stl");
        if (!missingFolder) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old content");
        }
        std::unique_ptr<SimpleSurface> box = Box();
        box->SetFile(QFileInfo(path));

        // A file size limit makes the writes fail part way, even for a privileged user.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 256;
        if (!missingFolder)
            setrlimit(RLIMIT_FSIZE, &small);
        const bool written = box->Save();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!written);
        QCOMPARE(box->GetError(), (missingFolder ? "Could not open file " : "Could not write file ") + path);
        if (!missingFolder)
            QCOMPARE(ReadAll(path), QString("old content"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), missingFolder ? 0 : 1);
    }

    void boxDerivedData()
    {
        std::unique_ptr<SimpleSurface> box = Box();
        QCOMPARE(int(box->GetFacetCount()), 12);
        for (size_t f = 0; f < box->GetFacetCount(); ++f)
            QVERIFY(std::fabs(box->GetFacet(f).normal.Norm() - 1.0f) < 1e-6f);
        // Outward: the first face lies at z = 0.
        QCOMPARE(box->GetFacet(0).normal, Point3D(0, 0, -1));
        QCOMPARE(box->GetBoundingBox().first, Point3D(0, 0, 0));
        QCOMPARE(box->GetBoundingBox().second, Point3D(2, 4, 8));
        QCOMPARE(box->GetCentroid(), Point3D(1, 2, 4));
        // Largest spread first: z, then y, then x, each axis with its largest component positive.
        const Matrix& axes = box->GetPrincipalAxes();
        for (uint32_t r = 0; r < 3; ++r)
            for (uint32_t c = 0; c < 3; ++c)
                QVERIFY2(std::fabs(axes.Item(r, c) - (r + c == 2 ? 1.0 : 0.0)) < 1e-9,
                    qPrintable(QString("axes(%1, %2) = %3").arg(r).arg(c).arg(axes.Item(r, c))));
        // Per vertex, in facet order: the facets that use it, the other corners of each.
        QCOMPARE(box->GetVertexFacets(0), (std::vector<uint32_t>{0, 1, 4, 5, 8, 9}));
        QCOMPARE(box->GetVertexNeighbours(7), (std::vector<uint32_t>{4, 5, 4, 6, 2, 6, 2, 3, 1, 3, 1, 5}));
    }

    void principalAxesAreTheIdentityUntilComputed()
    {
        Surface surface;
        QVERIFY(!surface.AddFacet(0, 1, 2)); // no such vertices
        QCOMPARE(surface.GetFacetCount(), size_t(0));
        const Matrix& axes = surface.GetPrincipalAxes();
        QCOMPARE(axes.Y(), 3u);
        for (uint32_t r = 0; r < 3; ++r)
            for (uint32_t c = 0; c < 3; ++c)
                QCOMPARE(axes.Item(r, c), r == c ? 1.0 : 0.0);
    }

    void flipMirrorsInPlace_data()
    {
        QTest::addColumn<int>("axis");
        QTest::newRow("x") << 0;
        QTest::newRow("y") << 1;
        QTest::newRow("z") << 2;
    }

    void flipMirrorsInPlace()
    {
        QFETCH(int, axis);
        const std::unique_ptr<SimpleSurface> before = Tetrahedron();
        std::unique_ptr<SimpleSurface> surface = Tetrahedron();
        surface->Flip(Surface::Axis(axis));

        QVERIFY(surface->IsChanged());
        QCOMPARE(surface->GetBoundingBox(), before->GetBoundingBox());
        const float sum
            = Coordinate(before->GetBoundingBox().first, axis) + Coordinate(before->GetBoundingBox().second, axis);
        for (size_t v = 0; v < surface->GetVertexCount(); ++v)
            for (int a = 0; a < 3; ++a) {
                const float old = Coordinate(before->GetVertex(v), a);
                QCOMPARE(Coordinate(surface->GetVertex(v), a), a == axis ? sum - old : old);
            }
        for (size_t f = 0; f < surface->GetFacetCount(); ++f) {
            const Surface::Facet& was = before->GetFacet(f);
            const Surface::Facet& now = surface->GetFacet(f);
            QCOMPARE(now.corners, (std::array<uint32_t, 3>{was.corners[0], was.corners[2], was.corners[1]}));
            for (int a = 0; a < 3; ++a)
                QCOMPARE(Coordinate(now.normal, a), a == axis ? -Coordinate(was.normal, a) : Coordinate(was.normal, a));
        }
    }

    void flipFromTheMenu()
    {
        QTemporaryDir dir;
        Settings::Load(dir.filePath("lumivox.ini"));
        ScopedPrompter prompter;
        LumivoxWnd window;
        App app(&window);
        SurfaceCommands::RegisterSurfaceActions(app);
        SimpleSurface* surface = app.registerObject(Tetrahedron());
        LVXObjectWidget* widget = window.CreateObjectWidget(surface);
        QVERIFY(widget);
        const Point3D normal = surface->GetFacet(0).normal;
        app.onContextMenuAction(widget, LVX::FlipZ);
        QCOMPARE(surface->GetFacet(0).normal, Point3D(normal.x, normal.y, -normal.z));
        QVERIFY(surface->IsChanged());
        app.onContextMenuAction(widget, LVX::FlipX);
        QCOMPARE(surface->GetFacet(0).normal, Point3D(-normal.x, normal.y, -normal.z));
    }

    void cloneAndProjectElement()
    {
        std::unique_ptr<SimpleSurface> box = Box(QColor(30, 144, 255));
        std::unique_ptr<LVXObject> copy(box->Clone());
        auto* clone = dynamic_cast<SimpleSurface*>(copy.get());
        QVERIFY(clone);
        box->Flip(Surface::AxisX);
        box->SetColor(Qt::red);
        QCOMPARE(clone->GetVertex(1), Point3D(2, 0, 0));
        QCOMPARE(clone->GetVertexNeighbours(7), Box()->GetVertexNeighbours(7));
        QCOMPARE(clone->GetVertexColor(7), QColor(30, 144, 255));

        QString xml;
        QXmlStreamWriter writer(&xml);
        QVERIFY(clone->WriteXml(writer));
        writer.writeEndElement();
        QCOMPARE(xml, QString("<simple_surface color=\"#1e90ff\"/>"));
        QCOMPARE(clone->GetFileTypes().filter, QString("STL files (*.stl);;"));
    }

    void paletteRepeatsEveryEight()
    {
        QCOMPARE(Surface::PaletteColor(0), QColor(Qt::white));
        QCOMPARE(Surface::PaletteColor(6), QColor(30, 144, 255));
        QCOMPARE(Surface::PaletteColor(13), QColor(60, 179, 113));
    }
};

LUMIVOX_REGISTER_TEST(TestSurface)
#include "TestSurface.moc"
