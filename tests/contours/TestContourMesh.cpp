#include "TestRegistry.h"

#include "contours/ContourMesh.h"
#include "contours/ContourTriangulation.h"
#include "contours/SnakeSequence.h"
#include "surfaces/SimpleSurface.h"

#include "Snake.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using ContourTriangulation::NodeList;

Q_DECLARE_METATYPE(NodeList)
Q_DECLARE_METATYPE(std::vector<NodeList>)
using Corners = std::array<uint32_t, 3>;
Q_DECLARE_METATYPE(Corners)

namespace {

// n nodes on a circle of radius r around (cx, cy), counter-clockwise from angle `phase`.
NodeList Circle(int n, float r, float cx = 50.0f, float cy = 50.0f, double phase = 0.0)
{
    NodeList nodes;
    for (int k = 0; k < n; ++k) {
        const double t = phase + 2.0 * M_PI * k / n;
        nodes.emplace_back(float(cx + r * std::cos(t)), float(cy + r * std::sin(t)));
    }
    return nodes;
}

NodeList Same(int n, float x, float y)
{
    return NodeList(size_t(n), Point(x, y));
}

} // namespace

// Meshing a run of contours into a closed surface and writing it as ASCII STL.
class TestContourMesh : public QObject {
    Q_OBJECT

private slots:
    void facetCounts_data()
    {
        QTest::addColumn<std::vector<NodeList>>("contours");
        QTest::addColumn<int>("bandFacets");
        QTest::addColumn<int>("totalFacets");

        QTest::newRow("4 and 6 nodes") << std::vector<NodeList>{Circle(4, 10), Circle(6, 12)} << 10 << 20;
        QTest::newRow("one contour: caps only") << std::vector<NodeList>{Circle(5, 10)} << 0 << 10;
        // c contours of n nodes: 2n + 2n(c - 1).
        QTest::newRow("5 contours of 8") << std::vector<NodeList>(5, Circle(8, 10)) << 4 * 16 << 16 + 4 * 16;
        QTest::newRow("3 contours of 7, shifted") << std::vector<NodeList>{Circle(7, 10), Circle(7, 11, 52, 49, 0.3),
            Circle(7, 9, 47, 53, 1.1)} << 28 << 14 + 28;
        // Degenerate contours end every band walk; a band of an empty contour has no triangles.
        QTest::newRow("empty contour") << std::vector<NodeList>{NodeList()} << 0 << 0;
        QTest::newRow("empty then 4") << std::vector<NodeList>{NodeList(), Circle(4, 10)} << 0 << 4;
        // A single node at the centre: B is stepped all the way round first, which brings the
        // walk back to the start pair before A moves.
        QTest::newRow("1 node then 4") << std::vector<NodeList>{Same(1, 50, 50), Circle(4, 10)} << 4 << 9;
        QTest::newRow("identical nodes") << std::vector<NodeList>{Same(4, 3, 3), Same(4, 3, 3)} << 4 << 12;
    }

    void facetCounts()
    {
        QFETCH(std::vector<NodeList>, contours);
        QFETCH(int, bandFacets);
        QFETCH(int, totalFacets);
        const ContourTriangulation::Mesh mesh = ContourTriangulation::Triangulate(contours, 7, NodePlacement());
        int caps = 0;
        if (!contours.empty())
            caps = int(contours.front().size() + contours.back().size());
        QCOMPARE(int(mesh.facets.size()), totalFacets);
        QCOMPARE(int(mesh.facets.size()) - caps, bandFacets);
        // Every corner is a vertex of the mesh.
        for (const auto& f : mesh.facets)
            for (uint32_t c : f.corners)
                QVERIFY(c < mesh.vertices.size());
    }

    void degenerateCapsHaveNaNNormals()
    {
        const auto mesh = ContourTriangulation::Triangulate({Same(3, 2, 2)}, 0, NodePlacement());
        QCOMPARE(int(mesh.facets.size()), 6);
        for (const auto& f : mesh.facets)
            QVERIFY(std::isnan(f.normal[0]) && std::isnan(f.normal[1]) && std::isnan(f.normal[2]));
    }

    // The first band triangle shows where the walk starts and which contour it steps first.
    void bandStart_data()
    {
        QTest::addColumn<NodeList>("b");
        QTest::addColumn<Corners>("first");
        QTest::addColumn<Corners>("second");

        // A is the square (0,0) (4,0) (4,4) (0,4) on slice 0, vertices 1 to 4; B follows on slice
        // 1, vertices 5 to 8. Over the same square every distance pair ties: the first pair
        // (a0, b0) starts and d1 == d2 steps B first.
        QTest::newRow("ties step B") << NodeList{{0, 0}, {4, 0}, {4, 4}, {0, 4}} << Corners{1, 5, 6}
                                     << Corners{1, 6, 2};
        // B's node order starts one corner later: the closest pair is (a0, b3).
        QTest::newRow("closest pair") << NodeList{{4, 0}, {4, 4}, {0, 4}, {0, 0}} << Corners{1, 8, 5}
                                      << Corners{1, 5, 2};
        // b1 lies farther from a0 than a1 from b0: A steps first (and here all the way round,
        // which ends the band after 4 triangles).
        QTest::newRow("d2 < d1 steps A") << NodeList{{0, 0}, {0, 8}, {-8, 8}, {-8, 0}} << Corners{1, 5, 2}
                                         << Corners{2, 5, 3};
    }

    void bandStart()
    {
        QFETCH(NodeList, b);
        QFETCH(Corners, first);
        QFETCH(Corners, second);
        const NodeList a{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
        const auto mesh = ContourTriangulation::Triangulate({a, b}, 0, NodePlacement());
        QVERIFY(mesh.facets.size() > 5);
        QCOMPARE(mesh.facets[4].corners, first);
        QCOMPARE(mesh.facets[5].corners, second);
    }

    // Two triangles (0,0) (3,0) (0,3) on slices 2 and 3, worked out by hand: centres (1, 1) from
    // the enclosed area, band from (a0, b0) alternating B, A, B, A, B, A on the tied and shorter
    // diagonals.
    void stlText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("header");
        QTest::newRow("named") << QString("Tri") << QString("solid Tri\n");
        QTest::newRow("no name") << QString("") << QString("solid Noname\n");
    }

    void stlText()
    {
        QFETCH(QString, name);
        QFETCH(QString, header);
        const NodeList t{{0, 0}, {3, 0}, {0, 3}};
        const auto mesh = ContourTriangulation::Triangulate({t, t}, 2, NodePlacement());
        QTemporaryDir dir;
        const QString path = dir.filePath("mesh.stl");
        QString error;
        QVERIFY(ContourMesh::WriteStl(mesh, name, path, &error));
        QVERIFY(error.isEmpty());

        auto facet = [](const char* n, const char* p, const char* q, const char* r) {
            return QString(" facet normal %1\n  outer loop\n   vertex %2\n   vertex %3\n   vertex %4\n"
                           "  endloop\n endfacet\n")
                .arg(n, p, q, r);
        };
        const QString expected = header
            // first cap: centre, a_j, a_{j+1}; normal (C - a_j) x (a_{j+1} - a_j)
            + facet("0 0 -1", "1 1 2", "0 0 2", "3 0 2") + facet("0 0 -1", "1 1 2", "3 0 2", "0 3 2")
            + facet("0 0 -1", "1 1 2", "0 3 2", "0 0 2")
            // band; normal (Q - P) x (R - P)
            + facet("0 1 0", "0 0 2", "0 0 3", "3 0 3") + facet("0 1 0", "0 0 2", "3 0 3", "3 0 2")
            + facet("-0.707107 -0.707107 0", "3 0 2", "3 0 3", "0 3 3")
            + facet("-0.707107 -0.707107 0", "3 0 2", "0 3 3", "0 3 2") + facet("1 0 -0", "0 3 2", "0 3 3", "0 0 3")
            + facet("1 0 0", "0 3 2", "0 0 3", "0 0 2")
            // last cap, same vertex order as the first
            + facet("0 0 -1", "1 1 3", "0 0 3", "3 0 3") + facet("0 0 -1", "1 1 3", "3 0 3", "0 3 3")
            + facet("0 0 -1", "1 1 3", "0 3 3", "0 0 3") + "endsolid";
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(file.readAll()), expected);
    }

    void writeFailureSetsTheError()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("missing/mesh.stl");
        const auto mesh = ContourTriangulation::Triangulate({Circle(4, 5)}, 0, NodePlacement());
        QString error;
        QVERIFY(!ContourMesh::WriteStl(mesh, "m", path, &error));
        QCOMPARE(error, "Could not open file " + path);
    }

    // A sequence meshes its contours from its first slice on, under its own name.
    void sequenceExportAndSurface()
    {
        const std::vector<NodeList> contours{Circle(6, 10), Circle(5, 9, 51, 49)};
        SnakeSequence sequence("bone", 4, LVX::XY);
        QTemporaryDir dir;
        QString error;
        QVERIFY(!ContourMesh::ExportStl(sequence, dir.filePath("empty.stl"), NodePlacement(), &error));
        QVERIFY(!QFile::exists(dir.filePath("empty.stl")));
        QVERIFY(!ContourMesh::BuildSurface(sequence, NodePlacement()));

        for (const NodeList& nodes : contours)
            sequence.PushBack(std::make_unique<Snake>(nodes.data(), nodes.size(), nullptr));
        const auto mesh = ContourTriangulation::Triangulate(contours, 4, NodePlacement());
        QVERIFY(ContourMesh::WriteStl(mesh, "bone", dir.filePath("direct.stl"), &error));
        QVERIFY(ContourMesh::ExportStl(sequence, dir.filePath("bone.stl"), NodePlacement(), &error));
        QFile direct(dir.filePath("direct.stl")), exported(dir.filePath("bone.stl"));
        QVERIFY(direct.open(QIODevice::ReadOnly) && exported.open(QIODevice::ReadOnly));
        const QByteArray text = exported.readAll();
        QVERIFY(text.startsWith("solid bone\n"));
        QCOMPARE(text, direct.readAll());

        const std::unique_ptr<SimpleSurface> surface = ContourMesh::BuildSurface(sequence, NodePlacement());
        QVERIFY(surface);
        QCOMPARE(surface->GetName(), QString("bone"));
        QCOMPARE(surface->GetType(), LVX::SimpleSurfaceType);
        QCOMPARE(int(surface->GetFacetCount()), int(mesh.facets.size()));
        QCOMPARE(surface->GetVertex(1), Point3D(contours[0][0].x, contours[0][0].y, 4));
    }

    // The surface shares the vertices: first centre, contour 0, contour 1, ..., last centre, and
    // the facets keep the corner order of the file.
    void surfaceSharesVertices()
    {
        const std::vector<NodeList> contours{Circle(5, 10), Circle(6, 8, 51, 50), Circle(4, 6, 49, 52)};
        const auto mesh = ContourTriangulation::Triangulate(contours, 10, NodePlacement());
        const std::unique_ptr<SimpleSurface> surface = ContourMesh::ToSurface(mesh, "seq");
        QCOMPARE(surface->GetName(), QString("seq"));
        QCOMPARE(int(surface->GetVertexCount()), 2 + 5 + 6 + 4);
        QCOMPARE(int(surface->GetFacetCount()), 5 + 4 + 11 + 10);

        auto same = [](const Point3D& p, float x, float y, float z) { return p.x == x && p.y == y && p.z == z; };
        const Point first = Snake(contours.front().data(), 5, nullptr).GetCenter();
        const Point last = Snake(contours.back().data(), 4, nullptr).GetCenter();
        QVERIFY(same(surface->GetVertex(0), first.x, first.y, 10));
        QVERIFY(same(surface->GetVertex(16), last.x, last.y, 12));
        size_t index = 1;
        for (size_t k = 0; k < contours.size(); ++k)
            for (const Point& node : contours[k])
                QVERIFY(same(surface->GetVertex(index++), node.x, node.y, float(10 + k)));
        for (size_t f = 0; f < mesh.facets.size(); ++f)
            QCOMPARE(surface->GetFacet(f).corners, mesh.facets[f].corners);
        // Caps: centre, node j, node j + 1 (wrapping).
        QCOMPARE(surface->GetFacet(4).corners, (Corners{0, 5, 1}));
        QCOMPARE(surface->GetFacet(29).corners, (Corners{16, 15, 12}));
        QCOMPARE(surface->GetVertexColor(16), QColor(Qt::white));
    }
};

LUMIVOX_REGISTER_TEST(TestContourMesh)
#include "TestContourMesh.moc"
