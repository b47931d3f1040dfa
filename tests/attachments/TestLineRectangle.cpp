#include "TestRegistry.h"

#include "BoolImage.h"
#include "attachments/Line.h"
#include "attachments/Rectangle.h"

#include <QXmlStreamWriter>
#include <QtTest>
#include <memory>

namespace {

// The element an object writes into the project file, closed at once.
QString XmlOf(LVXObject& object)
{
    QString text;
    QXmlStreamWriter xml(&text);
    if (!object.WriteXml(xml))
        return "<nothing written>";
    xml.writeEndElement();
    return text;
}

} // namespace

Q_DECLARE_METATYPE(LVX::Orientation)
Q_DECLARE_METATYPE(Point3D)

class TestLineRectangle : public QObject {
    Q_OBJECT

private slots:
    // --- line ---

    // A line lies in no plane and is not drawn into masks; a rectangle is, in its own plane.
    void identity()
    {
        Att::Line line(Point3D(1, 2, 3), Point3D(4, 5, 6));
        QCOMPARE(line.GetName(), QString("Line"));
        QVERIFY(line.IsAttachment());
        QVERIFY(!line.IsRasterisable());
        QVERIFY(!line.IsOrientation(LVX::XY) && !line.IsOrientation(LVX::XZ) && !line.IsOrientation(LVX::ZY));
        QCOMPARE(line.GetAcceptedStackTypes(), (std::vector<int32_t>{1, 2}));
        Att::Rectangle rectangle(1, 2, 3, 4, LVX::XZ);
        QCOMPARE(rectangle.GetName(), QString("Rectangle"));
        QVERIFY(rectangle.IsRasterisable());
        QCOMPARE(rectangle.GetAcceptedStackTypes(), (std::vector<int32_t>{1, 2}));
    }

    void lineEnds()
    {
        auto ends = std::make_unique<Att::LineEnds>();
        ends->start = Point3D(7, 8, 9);
        ends->end = Point3D(10, 11, 12);
        Att::Line record(std::move(ends));
        QCOMPARE(record.GetStart(), Point3D(7, 8, 9));
        QCOMPARE(record.GetEnd(), Point3D(10, 11, 12));

        // A new line has zero length until its end moves.
        const Point3D p(12.0f, 30.0f, 3.0f);
        Att::Line line(p, p);
        QCOMPARE(line.GetLength(), 0.0f);
        line.SetEnd(Point3D(15.0f, 34.0f, 3.0f));
        QCOMPARE(line.GetLength(), 5.0f);
        QCOMPARE(line.GetStart(), p);
    }

    void lineXml_data()
    {
        QTest::addColumn<Point3D>("start");
        QTest::addColumn<Point3D>("end");
        QTest::addColumn<QString>("expected");
        QTest::newRow("integers") << Point3D(1, 2, 3) << Point3D(4, 5, 3)
                                  << R"(<line name="Line" x0="1" y0="2" x1="4" y1="5" z0="3" z1="3"/>)";
        QTest::newRow("six digits")
            << Point3D(1.0f / 3.0f, 2.5f, 0) << Point3D(123.4567f, 0.125f, 7)
            << R"(<line name="Line" x0="0.333333" y0="2.5" x1="123.457" y1="0.125" z0="0" z1="7"/>)";
        QTest::newRow("exponent") << Point3D(1234567.0f, -0.00001f, 0) << Point3D(-2, 0, 1)
                                  << R"(<line name="Line" x0="1.23457e+06" y0="-1e-05" x1="-2" y1="0" z0="0" z1="1"/>)";
    }

    void lineXml()
    {
        QFETCH(Point3D, start);
        QFETCH(Point3D, end);
        QFETCH(QString, expected);
        Att::Line line(start, end);
        QCOMPARE(XmlOf(line), expected);
    }

    void lineCloneIsDeep()
    {
        Att::Line line(Point3D(1, 1, 1), Point3D(2, 2, 2));
        line.SetName("Line3");
        line.SetId(4);
        std::unique_ptr<LVXObject> copy(line.Clone());
        auto* cloned = dynamic_cast<Att::Line*>(copy.get());
        QVERIFY(cloned);
        QCOMPARE(cloned->GetName(), QString("Line3"));
        QCOMPARE(cloned->GetId(), NoId);
        QCOMPARE(cloned->GetEnd(), Point3D(2, 2, 2));
        cloned->SetEnd(Point3D(9, 9, 9));
        QCOMPARE(line.GetEnd(), Point3D(2, 2, 2));
    }

    // --- rectangle ---

    void rectangleCenter_data()
    {
        QTest::addColumn<QList<int>>("edges"); // h0, h1, v0, v1
        QTest::addColumn<QPoint>("center");
        QTest::newRow("even sums") << QList<int>{10, 20, 4, 8} << QPoint(15, 6);
        QTest::newRow("odd sums truncate") << QList<int>{10, 13, 4, 7} << QPoint(11, 5);
        QTest::newRow("corners swapped") << QList<int>{13, 10, 7, 4} << QPoint(11, 5);
        QTest::newRow("negative truncates toward zero") << QList<int>{-3, 0, -5, 0} << QPoint(-1, -2);
        QTest::newRow("one pixel") << QList<int>{6, 6, 9, 9} << QPoint(6, 9);
    }

    void rectangleCenter()
    {
        QFETCH(QList<int>, edges);
        QFETCH(QPoint, center);
        Att::Rectangle rectangle(edges[0], edges[1], edges[2], edges[3], LVX::XY);
        QCOMPARE(rectangle.GetCenter(), center);
    }

    void rectangleMoveCenter()
    {
        Att::Rectangle rectangle(10, 13, 4, 7, LVX::XY); // centre (11, 5)
        rectangle.MoveCenter(QPoint(20, 0));
        QCOMPARE(rectangle.GetH0(), 19);
        QCOMPARE(rectangle.GetH1(), 22);
        QCOMPARE(rectangle.GetV0(), -1);
        QCOMPARE(rectangle.GetV1(), 2);
        QCOMPARE(rectangle.GetCenter(), QPoint(20, 0));
    }

    void rectangleMask_data()
    {
        QTest::addColumn<QList<int>>("edges"); // h0, h1, v0, v1
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("box"); // the set pixels, from the left column and the bottom row; empty for none
        QTest::newRow("inside, edges included") << QList<int>{2, 5, 1, 3} << QSize(10, 8) << QRect(2, 1, 4, 3);
        QTest::newRow("corners dragged past each other") << QList<int>{5, 2, 3, 1} << QSize(10, 8) << QRect(2, 1, 4, 3);
        QTest::newRow("clipped left and below") << QList<int>{-4, 1, -2, 2} << QSize(10, 8) << QRect(0, 0, 2, 3);
        QTest::newRow("clipped right and above") << QList<int>{7, 30, 6, 9} << QSize(10, 8) << QRect(7, 6, 3, 2);
        QTest::newRow("covering the image") << QList<int>{-1, 10, 8, -1} << QSize(10, 8) << QRect(0, 0, 10, 8);
        QTest::newRow("right of the image") << QList<int>{10, 12, 0, 3} << QSize(10, 8) << QRect();
        QTest::newRow("below the image") << QList<int>{0, 3, -5, -1} << QSize(10, 8) << QRect();
        QTest::newRow("one pixel") << QList<int>{4, 4, 6, 6} << QSize(10, 8) << QRect(4, 6, 1, 1);
        QTest::newRow("one pixel at the last corner") << QList<int>{9, 9, 7, 7} << QSize(10, 8) << QRect(9, 7, 1, 1);
    }

    void rectangleMask()
    {
        QFETCH(QList<int>, edges);
        QFETCH(QSize, size);
        QFETCH(QRect, box);
        Att::Rectangle rectangle(edges[0], edges[1], edges[2], edges[3], LVX::XY);
        const SliceMask result = rectangle.GetMask(size.width(), size.height(), 5);
        QVERIFY(result.mask);
        QCOMPARE(result.mask->width, size.width());
        QCOMPARE(result.mask->height, size.height());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                QVERIFY2(
                    result.mask->Get(x, y) == box.contains(x, y), qPrintable(QString("pixel %1, %2").arg(x).arg(y)));
        QCOMPARE(result.mask->GetPixelArea(), uint64_t(box.width() * box.height()));
    }

    void rectangleMaskCarriesPlaneAndSlice_data()
    {
        QTest::addColumn<LVX::Orientation>("orientation");
        QTest::addColumn<uint>("slice");
        QTest::newRow("XY slice 0") << LVX::XY << 0u;
        QTest::newRow("XZ slice 17") << LVX::XZ << 17u;
        QTest::newRow("ZY slice 3") << LVX::ZY << 3u;
    }

    void rectangleMaskCarriesPlaneAndSlice()
    {
        QFETCH(LVX::Orientation, orientation);
        QFETCH(uint, slice);
        Att::Rectangle rectangle(1, 2, 1, 2, orientation);
        const SliceMask result = rectangle.GetMask(4, 4, slice);
        QCOMPARE(result.plane, orientation);
        QCOMPARE(result.slice, uint32_t(slice));
        for (LVX::Orientation asked : {LVX::XY, LVX::XZ, LVX::ZY})
            QCOMPARE(rectangle.IsOrientation(asked), asked == orientation);
        // The same box on every slice.
        QCOMPARE(result.mask->GetPixelArea(), rectangle.GetMask(4, 4, slice + 9).mask->GetPixelArea());
        QCOMPARE(result.mask->GetPixelArea(), uint64_t(4));
    }

    void rectangleMaskOfNoSize()
    {
        const SliceMask result = Att::Rectangle(0, 3, 0, 3, LVX::XY).GetMask(-5, 0, 0);
        QVERIFY(result.mask);
        QCOMPARE(result.mask->width, 0);
        QCOMPARE(result.mask->GetPixelArea(), uint64_t(0));
    }

    void rectangleXml_data()
    {
        QTest::addColumn<QList<int>>("edges");
        QTest::addColumn<LVX::Orientation>("orientation");
        QTest::addColumn<QString>("expected");
        QTest::newRow("XY") << QList<int>{1, 2, 3, 4} << LVX::XY
                            << R"(<rectangle h0="1" h1="2" v0="3" v1="4" orient="0"/>)";
        QTest::newRow("negative ZY") << QList<int>{5, -2, 7, -9} << LVX::ZY
                                     << R"(<rectangle h0="5" h1="-2" v0="7" v1="-9" orient="2"/>)";
        QTest::newRow("XZ") << QList<int>{100000, 0, 0, 65536} << LVX::XZ
                            << R"(<rectangle h0="100000" h1="0" v0="0" v1="65536" orient="1"/>)";
    }

    void rectangleXml()
    {
        QFETCH(QList<int>, edges);
        QFETCH(LVX::Orientation, orientation);
        QFETCH(QString, expected);
        Att::Rectangle rectangle(edges[0], edges[1], edges[2], edges[3], orientation);
        QCOMPARE(XmlOf(rectangle), expected);
    }

    void rectangleCloneCopiesTheFiveFields()
    {
        Att::Rectangle rectangle(-1, 8, 3, 5, LVX::ZY);
        rectangle.SetName("Rectangle2");
        std::unique_ptr<LVXObject> copy(rectangle.Clone());
        auto* cloned = dynamic_cast<Att::Rectangle*>(copy.get());
        QVERIFY(cloned);
        QCOMPARE(cloned->GetName(), QString("Rectangle2"));
        QCOMPARE(XmlOf(*cloned), XmlOf(rectangle));
        cloned->SetH0(40);
        QCOMPARE(rectangle.GetH0(), -1);
    }
};

LUMIVOX_REGISTER_TEST(TestLineRectangle)
#include "TestLineRectangle.moc"
