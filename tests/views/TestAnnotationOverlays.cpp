#include "ScriptedPrompter.h"
#include "TestRegistry.h"

#include "BoolImage.h"
#include "Image.h"
#include "app/App.h"
#include "attachments/Line.h"
#include "attachments/Rectangle.h"
#include "model/Settings.h"
#include "stacks/ImageStack.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "views/ImageView.h"
#include "views/LineOverlay.h"
#include "views/LineTool.h"
#include "views/OverlayFactory.h"
#include "views/PaintWidget.h"
#include "views/RectangleOverlay.h"
#include "views/RectangleTool.h"
#include "views/SliceView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

namespace {

// A view whose planes all stand at one chosen index.
class PlaneView : public ImageView {
public:
    PlaneView() : ImageView("PlaneView") { }
    int GetIndex(LVX::Orientation) const override { return index; }
    int index = 0;
};

// A paint widget of its own view showing a white picture of width x height at a zoom, the
// picture's top-left corner at the widget's.
struct Canvas {
    Canvas(int width, int height, float zoom = 1.0f, LVX::Orientation orientation = LVX::XY)
        : picture(int(width * zoom), int(height * zoom), QImage::Format_RGB32), widget(&view, orientation)
    {
        picture.fill(Qt::white);
        widget.SetZoom(zoom);
        widget.SetDisplayImage(&picture);
        widget.resize(picture.size());
        widget.UpdateOffsets();
        widget.show();
    }

    // The widget position of an image point, and of a stack point.
    QPoint At(int x, int y) const { return widget.ImageToWidget(QPoint(x, y)); }
    QPoint At(const Point3D& p) const { return widget.ImageToWidget(widget.StackToPlane(p)); }

    PlaneView view;
    QImage picture;
    PaintWidget widget;
};

// Hands the overlay to the canvas's paint widget, which draws it from then on.
template <class T> T& Add(Canvas& canvas, T* overlay)
{
    canvas.widget.PushBackOverlay(overlay, true);
    return *overlay;
}

// A mouse move with the left button held, straight to the widget.
void Move(QWidget* widget, const QPoint& position)
{
    QMouseEvent event(
        QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QColor DefaultColor()
{
    return Settings::Values().colors.overlayDefaultColor;
}

QColor SelectedColor()
{
    return Settings::Values().colors.overlaySelectedColor;
}

bool Is(const QImage& image, const QPoint& p, const QColor& color)
{
    return image.valid(p) && image.pixelColor(p) == color;
}

int CountNonWhite(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.valid(x, y) && image.pixel(x, y) != qRgb(255, 255, 255))
                ++count;
    return count;
}

// The name of an overlay's current move action: that of the first of Actions it is.
template <class... Actions, class Overlay> QString ActionName(const Overlay& overlay, const QStringList& names)
{
    const auto* action = overlay.GetMoveAction();
    const bool is[] = {dynamic_cast<const Actions*>(action) != nullptr...};
    for (int i = 0; i < names.size(); ++i)
        if (is[i])
            return names[i];
    return action ? "none" : "null";
}

QString ActionName(const RectangleOverlay& overlay)
{
    using R = RectangleOverlay;
    return ActionName<R::MoveUpperLeftAction, R::MoveUpperRightAction, R::MoveLowerLeftAction, R::MoveLowerRightAction,
        R::MoveCenterAction>(overlay, {"upper left", "upper right", "lower left", "lower right", "center"});
}

QString ActionName(const LineOverlay& overlay)
{
    return ActionName<LineOverlay::MoveP0Action, LineOverlay::MoveP1Action>(overlay, {"p0", "p1"});
}

// A 16-bit stack of `count` grey slices.
std::unique_ptr<ImageStack> MakeStack(int width, int height, int count)
{
    auto stack = std::make_unique<ImageStack>(
        uint32_t(width), uint32_t(height), Image::USHORT, RATIONAL(1, 1), RATIONAL(1, 1), RATIONAL(1, 1), "px");
    for (int z = 0; z < count; ++z) {
        auto image = Image::FromType(width, height, Image::USHORT, RATIONAL(1, 1), RATIONAL(1, 1), "px");
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image->Set(x, y, float(x * 100 + y + z));
        stack->AppendImage(std::move(image));
    }
    return stack;
}

template <class T> T* OverlayOf(PaintWidget* widget, const Attachment* attachment, int* count = nullptr)
{
    T* found = nullptr;
    int n = 0;
    for (const auto& overlay : widget->GetOverlays()) {
        if (overlay->GetAttachment() == attachment) {
            ++n;
            found = dynamic_cast<T*>(overlay.get());
        }
    }
    if (count)
        *count = n;
    return found;
}

} // namespace

Q_DECLARE_METATYPE(Point3D)

class TestAnnotationOverlays : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<ImageView*>(); }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        Settings::Load(dir->filePath("lumivox.ini"));
    }
    void cleanup() { dir.reset(); }

    // --- line overlay ---

    void lineShowsInItsSliceOnly()
    {
        Canvas canvas(80, 40);
        Att::Line line(Point3D(5, 5, 3.2f), Point3D(45, 5, 3.7f));
        Add(canvas, new LineOverlay(&canvas.widget, &line));

        canvas.view.index = 4;
        const QImage elsewhere = canvas.widget.RenderDisplay();
        QCOMPARE(CountNonWhite(elsewhere, elsewhere.rect()), 0);

        canvas.view.index = 3;
        const QImage shown = canvas.widget.RenderDisplay();
        // 4 x 4 squares on both ends.
        for (const Point3D& end : {line.GetStart(), line.GetEnd()}) {
            const QPoint c = canvas.At(end);
            QCOMPARE(CountNonWhite(shown, QRect(c.x() - 2, c.y() - 2, 4, 4)), 16);
            QVERIFY(!Is(shown, c + QPoint(0, 2), DefaultColor()));
            QVERIFY(Is(shown, c, DefaultColor()));
        }
        // The points between them, one per pixel.
        const int row = canvas.At(5, 5).y();
        for (int x = canvas.At(5, 5).x(); x <= canvas.At(45, 5).x(); ++x)
            QVERIFY2(Is(shown, QPoint(x, row), DefaultColor()), qPrintable(QString::number(x)));
        // The length text right of and above the midpoint, and nothing below the line.
        const QPoint middle = canvas.At(25, 5);
        QVERIFY(CountNonWhite(shown, QRect(middle.x() + 2, middle.y() - 14, 40, 12)) > 10);
        QCOMPARE(CountNonWhite(shown, QRect(0, row + 3, 80, 40 - row - 3)), 0);
    }

    void lineCrossingThePlaneShowsWhereItCrossesIt()
    {
        // From slice 2 to slice 6 along 40 columns: slice 3 holds the second quarter.
        Canvas canvas(80, 40);
        Att::Line line(Point3D(10, 20, 2.0f), Point3D(50, 20, 6.0f));
        Add(canvas, new LineOverlay(&canvas.widget, &line));
        canvas.view.index = 3;
        const QImage shown = canvas.widget.RenderDisplay();
        const int row = canvas.At(0, 20).y();
        for (int x = 21; x <= 28; ++x)
            QVERIFY2(Is(shown, QPoint(x, row), DefaultColor()), qPrintable(QString::number(x)));
        for (int x : {10, 15, 18, 31, 35, 50})
            QVERIFY2(!Is(shown, QPoint(x, row), DefaultColor()), qPrintable(QString::number(x)));
        // Neither end nor the midpoint (slice 4) is in slice 3: no squares, no text.
        QCOMPARE(CountNonWhite(shown, QRect(0, 0, 80, row)), 0);
    }

    void lengthText_data()
    {
        QTest::addColumn<Point3D>("start");
        QTest::addColumn<Point3D>("end");
        QTest::addColumn<QString>("text");
        QTest::newRow("5") << Point3D(10, 30, 0) << Point3D(15, 30, 0) << "5 px";
        QTest::newRow("50") << Point3D(10, 30, 0) << Point3D(60, 30, 0) << "50 px";
        QTest::newRow("across the slice") << Point3D(10, 30, 0.1f) << Point3D(40, 30, 0.9f) << "30.0107 px";
        QTest::newRow("short") << Point3D(10, 30, 0.5f) << Point3D(10.5f, 30, 0.5f) << "0.5 px";
    }
    void lengthText()
    {
        QFETCH(Point3D, start);
        QFETCH(Point3D, end);
        QFETCH(QString, text);
        Canvas canvas(120, 40);
        Att::Line line(start, end);
        Add(canvas, new LineOverlay(&canvas.widget, &line));
        const QImage shown = canvas.widget.RenderDisplay();

        // The text alone, 2 pixels right of and above the midpoint.
        QImage expected(shown.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        const QPoint middle = canvas.At((line.GetStart() + line.GetEnd()) * 0.5f);
        {
            QPainter painter(&expected);
            painter.setPen(DefaultColor());
            painter.drawText(middle.x() + 2, middle.y() - 2, text);
        }
        // Above the end squares only the text is drawn.
        const QRect above(0, 0, shown.width(), middle.y() - 2);
        QVERIFY(CountNonWhite(expected, above) > 0);
        QCOMPARE(shown.copy(above), expected.copy(above));
    }

    void selectedLineUsesTheSelectedColor()
    {
        Canvas canvas(40, 40);
        Att::Line line(Point3D(10, 10, 0), Point3D(30, 10, 0));
        LVXObjectWidget button(&line, nullptr);
        LineOverlay& overlay = Add(canvas, new LineOverlay(&canvas.widget, &line, &button));
        const QPoint end = canvas.At(line.GetEnd());
        QVERIFY(Is(canvas.widget.RenderDisplay(), end, DefaultColor()));
        button.setChecked(true);
        QVERIFY(overlay.IsSelected());
        QVERIFY(Is(canvas.widget.RenderDisplay(), end, SelectedColor()));
    }

    void endPointsOnePixelApartMoveP1()
    {
        Canvas canvas(60, 40);
        Att::Line line(Point3D(10, 10, 0), Point3D(11, 10, 0));
        auto* overlay = new LineOverlay(&canvas.widget, &line);
        canvas.widget.PushBackOverlay(overlay, true);

        for (const QPoint& press : {canvas.At(line.GetStart()), canvas.At(line.GetEnd())}) {
            QCOMPARE(overlay->HitTest(press), overlay);
            QCOMPARE(ActionName(*overlay), QString("p1"));
        }
        QTest::mousePress(&canvas.widget, Qt::LeftButton, {}, canvas.At(line.GetStart()));
        QCOMPARE(canvas.widget.GetDraggedOverlay(), overlay);
        Move(&canvas.widget, canvas.At(30, 25));
        QCOMPARE(line.GetEnd(), Point3D(30, 25, 0));
        QCOMPARE(line.GetStart(), Point3D(10, 10, 0));
        QTest::mouseRelease(&canvas.widget, Qt::LeftButton, {}, canvas.At(30, 25));
        QCOMPARE(ActionName(*overlay), QString("none"));
    }

    void lineHitTest_data()
    {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QPoint>("offset"); // from the widget position of the end point
        QTest::addColumn<bool>("atEnd");    // offset from p1 (else from p0)
        QTest::addColumn<QString>("action");
        QTest::newRow("on p1") << 2.0f << QPoint(0, 0) << true << "p1";
        QTest::newRow("2 px off p1") << 2.0f << QPoint(2, -2) << true << "p1";
        QTest::newRow("3 px off p1") << 2.0f << QPoint(3, 0) << true << "null hit";
        QTest::newRow("on p0") << 2.0f << QPoint(0, 0) << false << "p0";
        QTest::newRow("2 px off p0") << 2.0f << QPoint(-2, 2) << false << "p0";
        QTest::newRow("3 px below p0") << 2.0f << QPoint(0, 3) << false << "null hit";
        // At zoom 4 an image pixel is 4 x 4 widget pixels; all of p1's pixel grabs it.
        QTest::newRow("far corner of p1's pixel") << 4.0f << QPoint(3, -3) << true << "p1";
        QTest::newRow("next pixel right of p1") << 4.0f << QPoint(4, 0) << true << "null hit";
    }
    void lineHitTest()
    {
        QFETCH(float, zoom);
        QFETCH(QPoint, offset);
        QFETCH(bool, atEnd);
        QFETCH(QString, action);
        Canvas canvas(60, 40, zoom);
        Att::Line line(Point3D(5, 5, 0), Point3D(20, 12, 0));
        LineOverlay& overlay = Add(canvas, new LineOverlay(&canvas.widget, &line));
        const QPoint press = canvas.At(atEnd ? line.GetEnd() : line.GetStart()) + offset;
        BaseOverlay* hit = overlay.HitTest(press);
        QCOMPARE(hit ? ActionName(overlay) : QString("null hit"), action);
    }

    void onlyEndPointsInTheSliceShownAreGrabbedAndDragged()
    {
        Canvas canvas(60, 40);
        Att::Line line(Point3D(10, 10, 7), Point3D(30, 10, 9));
        LineOverlay& overlay = Add(canvas, new LineOverlay(&canvas.widget, &line));
        canvas.view.index = 7;
        QVERIFY(!overlay.HitTest(canvas.At(line.GetEnd())));
        QCOMPARE(overlay.HitTest(canvas.At(line.GetStart())), &overlay);
        QCOMPARE(ActionName(overlay), QString("p0"));
        line.SetChanged(false);
        overlay.Drag(canvas.At(12, 30));
        QCOMPARE(line.GetStart(), Point3D(12, 30, 7));
        QVERIFY(line.IsChanged());
    }

    // --- rectangle overlay ---

    void centerMark_data()
    {
        QTest::addColumn<QSize>("size"); // image pixels
        QTest::addColumn<bool>("marked");
        QTest::newRow("2 x 2") << QSize(2, 2) << false;
        QTest::newRow("10 x 10") << QSize(10, 10) << false;
        QTest::newRow("11 x 10") << QSize(11, 10) << false;
        QTest::newRow("11 x 11") << QSize(11, 11) << true;
        QTest::newRow("30 x 20") << QSize(30, 20) << true;
    }
    void centerMark()
    {
        QFETCH(QSize, size);
        QFETCH(bool, marked);
        Canvas canvas(80, 60);
        Att::Rectangle rectangle(20, 20 + size.width() - 1, 10, 10 + size.height() - 1, LVX::XY);
        RectangleOverlay& overlay = Add(canvas, new RectangleOverlay(&canvas.widget, &rectangle));
        const QImage shown = canvas.widget.RenderDisplay();
        const QRect box = overlay.WidgetRect();
        QCOMPARE(box.size(), size);
        // The tick above the centre, clear of the outline and the corner handles.
        QCOMPARE(Is(shown, box.center() - QPoint(0, 7), SelectedColor()), marked);
        if (!marked) {
            const QRect reach = box.adjusted(-2, -2, 2, 2);
            QCOMPARE(CountNonWhite(shown, shown.rect()), CountNonWhite(shown, reach));
        }
    }

    void rectangleOutlineAndHandles()
    {
        Canvas canvas(80, 60);
        Att::Rectangle rectangle(20, 39, 10, 29, LVX::XY); // rows 10 to 29 from the bottom
        RectangleOverlay& overlay = Add(canvas, new RectangleOverlay(&canvas.widget, &rectangle));
        const QImage shown = canvas.widget.RenderDisplay();
        // Columns 20..39, rows 29..10 counted upward: widget rows 60-30 .. 60-11.
        QCOMPARE(overlay.WidgetRect(), QRect(20, 30, 20, 20));
        for (const QPoint& p : {QPoint(30, 30), QPoint(30, 49), QPoint(20, 40), QPoint(39, 40)})
            QVERIFY2(Is(shown, p, SelectedColor()), qPrintable(QString("%1 %2").arg(p.x()).arg(p.y())));
        QVERIFY(!Is(shown, QPoint(30, 29), SelectedColor()));
        QVERIFY(!Is(shown, QPoint(30, 50), SelectedColor()));
        // Handles of side 4 on the corners.
        QCOMPARE(CountNonWhite(shown, QRect(18, 28, 4, 4)), 16);
        QCOMPARE(CountNonWhite(shown, QRect(37, 47, 4, 4)), 16);
        QVERIFY(!Is(shown, QPoint(17, 30), SelectedColor()));
    }

    void rectangleInAnotherPlaneIsNotShown()
    {
        Canvas canvas(80, 60, 1.0f, LVX::XZ);
        Att::Rectangle rectangle(20, 39, 10, 29, LVX::XY);
        RectangleOverlay& overlay = Add(canvas, new RectangleOverlay(&canvas.widget, &rectangle));
        const QImage shown = canvas.widget.RenderDisplay();
        QCOMPARE(CountNonWhite(shown, shown.rect()), 0);
        QVERIFY(!overlay.HitTest(canvas.At(20, 10)));
    }

    void rectangleHitZones_data()
    {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QPoint>("press"); // image point
        QTest::addColumn<QString>("action");
        // The rectangle is h 20..40, v 10..30, centre (30, 20).
        QTest::newRow("h0 v1") << 1.0f << QPoint(20, 30) << "lower left";
        QTest::newRow("h0 v0") << 1.0f << QPoint(20, 10) << "upper left";
        QTest::newRow("h1 v1") << 1.0f << QPoint(40, 30) << "lower right";
        QTest::newRow("h1 v0") << 1.0f << QPoint(40, 10) << "upper right";
        QTest::newRow("4 off h0 v1") << 1.0f << QPoint(24, 34) << "lower left";
        QTest::newRow("4 off h1 v0") << 1.0f << QPoint(36, 6) << "upper right";
        QTest::newRow("5 off h0") << 1.0f << QPoint(25, 30) << "null hit";
        QTest::newRow("centre") << 1.0f << QPoint(30, 20) << "center";
        QTest::newRow("5 off centre") << 1.0f << QPoint(35, 25) << "center";
        QTest::newRow("6 off centre") << 1.0f << QPoint(36, 20) << "null hit";
        QTest::newRow("on an edge away from the corners") << 1.0f << QPoint(30, 12) << "null hit";
        QTest::newRow("8 off h0 at zoom 2") << 2.0f << QPoint(28, 30) << "lower left";
        QTest::newRow("9 off h0 at zoom 2") << 2.0f << QPoint(29, 30) << "null hit";
        QTest::newRow("8 off h1 v0 at zoom 2") << 2.0f << QPoint(32, 2) << "upper right";
    }
    void rectangleHitZones()
    {
        QFETCH(float, zoom);
        QFETCH(QPoint, press);
        QFETCH(QString, action);
        Canvas canvas(100, 100, zoom);
        Att::Rectangle rectangle(20, 40, 10, 30, LVX::XY);
        RectangleOverlay& overlay = Add(canvas, new RectangleOverlay(&canvas.widget, &rectangle));
        QCOMPARE(canvas.widget.WidgetToImage(canvas.At(press.x(), press.y())), press);
        BaseOverlay* hit = overlay.HitTest(canvas.At(press.x(), press.y()));
        QCOMPARE(hit ? ActionName(overlay) : QString("null hit"), action);
        if (!hit)
            QCOMPARE(ActionName(overlay), QString("none")); // the previous action is gone
    }

    void cornersOnOnePixelPickTheLowerLeft()
    {
        Canvas canvas(40, 40);
        Att::Rectangle rectangle(10, 10, 10, 10, LVX::XY);
        RectangleOverlay& overlay = Add(canvas, new RectangleOverlay(&canvas.widget, &rectangle));
        QVERIFY(overlay.HitTest(canvas.At(10, 10)));
        QCOMPARE(ActionName(overlay), QString("lower left"));
    }

    void cornersDraggedPastEachOtherStillRasteriseTheBox()
    {
        Canvas canvas(100, 100);
        Att::Rectangle rectangle(20, 40, 10, 30, LVX::XY);
        canvas.widget.PushBackOverlay(new RectangleOverlay(&canvas.widget, &rectangle), true);
        QTest::mousePress(&canvas.widget, Qt::LeftButton, {}, canvas.At(40, 30));
        Move(&canvas.widget, canvas.At(5, 2));
        QTest::mouseRelease(&canvas.widget, Qt::LeftButton, {}, canvas.At(5, 2));
        QCOMPARE(rectangle.GetH1(), 5);
        QCOMPARE(rectangle.GetV1(), 2);
        const SliceMask mask = rectangle.GetMask(100, 100, 0);
        QCOMPARE(mask.mask->GetPixelArea(), uint64_t(16 * 9));
        QVERIFY(mask.mask->Get(5, 2));
        QVERIFY(mask.mask->Get(20, 10));
        QVERIFY(!mask.mask->Get(21, 10));
        QVERIFY(!mask.mask->Get(4, 2));
        // The overlay draws the same box.
        auto* overlay = dynamic_cast<RectangleOverlay*>(canvas.widget.GetOverlays().back().get());
        // At zoom 1 pixel (5, 10) is the box's top-left widget pixel.
        QCOMPARE(overlay->WidgetRect(), QRect(canvas.At(5, 10), QSize(16, 9)));
    }

    void centreDragMovesTheBox()
    {
        Canvas canvas(100, 100);
        Att::Rectangle rectangle(20, 40, 10, 30, LVX::XY);
        canvas.widget.PushBackOverlay(new RectangleOverlay(&canvas.widget, &rectangle), true);
        QTest::mousePress(&canvas.widget, Qt::LeftButton, {}, canvas.At(32, 22));
        Move(&canvas.widget, canvas.At(60, 70));
        QCOMPARE(rectangle.GetCenter(), QPoint(60, 70));
        QCOMPARE(rectangle.GetH1() - rectangle.GetH0(), 20);
        QCOMPARE(rectangle.GetV1() - rectangle.GetV0(), 20);
    }

    // --- tools and the controller ---

    void toolsRequestAndLetThePressThrough()
    {
        auto window = std::make_unique<LumivoxWnd>();
        Canvas canvas(40, 40);
        QSignalSpy lines(window.get(), &LumivoxWnd::newLineRequested);
        QSignalSpy rectangles(window.get(), &LumivoxWnd::newRectangleRequested);
        PaintWidgetTool::Line lineTool;
        lineTool.SetPaintWidget(&canvas.widget);
        QVERIFY(!lineTool.MousePress(QPoint(7, 9)));
        PaintWidgetTool::Rectangle rectangleTool;
        rectangleTool.SetPaintWidget(&canvas.widget);
        QVERIFY(!rectangleTool.MousePress(QPoint(3, 4)));
        QCOMPARE(lines.count(), 1);
        QCOMPARE(lines.at(0).at(0).toPoint(), QPoint(7, 9));
        QCOMPARE(lines.at(0).at(1).value<ImageView*>(), static_cast<ImageView*>(&canvas.view));
        QCOMPARE(rectangles.count(), 1);
        QCOMPARE(rectangles.at(0).at(0).toPoint(), QPoint(3, 4));
        std::unique_ptr<PaintWidgetTool::Base> clone(lineTool.Clone());
        QVERIFY(dynamic_cast<PaintWidgetTool::Line*>(clone.get()));
    }

    void lineToolPressCreatesALineThatDragsAtOnce()
    {
        Program program;
        SliceView* view = program.OpenView(MakeStack(60, 40, 5));
        PaintWidget* widget = view->GetPaintWidget();
        view->onSetToolRequested(new PaintWidgetTool::Line);
        const int slice = view->GetCurrentIndex();
        QCOMPARE(slice, 2);

        const QPoint press = widget->ImageToWidget(QPoint(20, 10));
        QTest::mousePress(widget, Qt::LeftButton, {}, press);
        auto* line = dynamic_cast<Att::Line*>(program.app->Registry().Back());
        QVERIFY(line);
        QCOMPARE(line->GetName(), QString("Line1"));
        QCOMPARE(line->GetStart(), Point3D(20, 10, slice));
        QCOMPARE(line->GetLength(), 0.0f);

        // Its button: checked, docked directly below the stack's.
        LVXObjectWidget* button = program.window->FindObjectWidget(line);
        QVERIFY(button);
        QVERIFY(button->isChecked());
        QCOMPARE(button->GetDockedTo(), program.stackWidget);
        QCOMPARE(program.stackWidget->GetAttachments().front(), button);
        QCOMPARE(button->pos(), program.stackWidget->pos() + QPoint(0, program.stackWidget->height()));
        QCOMPARE(line->GetParent(), program.stackWidget);

        // One overlay, dragging p1 from the press on.
        int overlays = 0;
        auto* overlay = OverlayOf<LineOverlay>(widget, line, &overlays);
        QCOMPARE(overlays, 1);
        QVERIFY(overlay && widget->GetDraggedOverlay() == overlay);
        QCOMPARE(ActionName(*overlay), QString("p1"));
        Move(widget, widget->ImageToWidget(QPoint(35, 22)));
        QCOMPARE(line->GetStart(), Point3D(20, 10, slice));
        QCOMPARE(line->GetEnd(), Point3D(35, 22, slice));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->ImageToWidget(QPoint(35, 22)));
        QCOMPARE(line->GetLength(), std::sqrt(15.0f * 15.0f + 12.0f * 12.0f));

        // A second line is numbered on.
        QTest::mousePress(widget, Qt::LeftButton, {}, widget->ImageToWidget(QPoint(5, 5)));
        auto* second = dynamic_cast<Att::Line*>(program.app->Registry().Back());
        QVERIFY(second && second != line);
        QCOMPARE(second->GetName(), QString("Line2"));
        QVERIFY(!button->isChecked());
        QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->ImageToWidget(QPoint(5, 5)));
    }

    void lineToolDragsAtOnceAtHighZoom()
    {
        // At zoom 6 the press lies up to 5 pixels from the widget position of its image point.
        Program program;
        SliceView* view = program.OpenView(MakeStack(30, 20, 1));
        view->SetZoom(6.0f, true);
        view->RescaleImage();
        PaintWidget* widget = view->GetPaintWidget();
        view->onSetToolRequested(new PaintWidgetTool::Line);
        const QPoint press = widget->ImageToWidget(QPoint(10, 10)) + QPoint(5, -5);
        QTest::mousePress(widget, Qt::LeftButton, {}, press);
        auto* line = dynamic_cast<Att::Line*>(program.app->Registry().Back());
        QVERIFY(line);
        auto* overlay = OverlayOf<LineOverlay>(widget, line);
        QCOMPARE(widget->GetDraggedOverlay(), overlay);
        Move(widget, widget->ImageToWidget(QPoint(20, 4)));
        QCOMPARE(line->GetEnd(), Point3D(20, 4, 0));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->ImageToWidget(QPoint(20, 4)));
    }

    void rectangleToolPressCreatesARectangleSizedByDragging()
    {
        Program program;
        SliceView* view = program.OpenView(MakeStack(60, 40, 3));
        PaintWidget* widget = view->GetPaintWidget();
        view->onSetToolRequested(new PaintWidgetTool::Rectangle);
        QTest::mousePress(widget, Qt::LeftButton, {}, widget->ImageToWidget(QPoint(10, 8)));
        auto* rectangle = dynamic_cast<Att::Rectangle*>(program.app->Registry().Back());
        QVERIFY(rectangle);
        QCOMPARE(rectangle->GetName(), QString("Rectangle1"));
        QCOMPARE(rectangle->GetOrientation(), LVX::XY);
        QCOMPARE(rectangle->GetCenter(), QPoint(10, 8));
        LVXObjectWidget* button = program.window->FindObjectWidget(rectangle);
        QVERIFY(button && button->isChecked());
        QCOMPARE(button->GetDockedTo(), program.stackWidget);
        auto* overlay = OverlayOf<RectangleOverlay>(widget, rectangle);
        QVERIFY(overlay && widget->GetDraggedOverlay() == overlay);
        QCOMPARE(ActionName(*overlay), QString("lower right"));

        Move(widget, widget->ImageToWidget(QPoint(30, 25)));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->ImageToWidget(QPoint(30, 25)));
        QCOMPARE(rectangle->GetH0(), 10);
        QCOMPARE(rectangle->GetV0(), 8);
        QCOMPARE(rectangle->GetH1(), 30);
        QCOMPARE(rectangle->GetV1(), 25);
    }

    void viewWithoutAStackMakesNothing()
    {
        Program program;
        PlaneView view;
        const size_t before = program.app->Registry().Size();
        emit program.window->newLineRequested(QPoint(3, 3), &view);
        emit program.window->newRectangleRequested(QPoint(3, 3), &view);
        QCOMPARE(program.app->Registry().Size(), before);
    }

private:
    // The window and the controller with one stack, as the program runs them.
    struct Program {
        Program()
        {
            window->resize(900, 700);
            window->show();
        }
        SliceView* OpenView(std::unique_ptr<ImageStack> stack)
        {
            ImageStack* raw = app->registerObject(std::move(stack));
            stackWidget = window->CreateObjectWidget(raw);
            app->onContextMenuAction(stackWidget, LVX::NewSliceView);
            for (LVXObject* object : app->Objects())
                if (auto* view = dynamic_cast<SliceView*>(object))
                    return view;
            return nullptr;
        }

        ScopedPrompter prompter;
        std::unique_ptr<LumivoxWnd> window = std::make_unique<LumivoxWnd>();
        std::unique_ptr<App> app = std::make_unique<App>(window.get()); // destroyed before the window
        LVXObjectWidget* stackWidget = nullptr;
    };

    std::unique_ptr<QTemporaryDir> dir;
};

LUMIVOX_REGISTER_TEST(TestAnnotationOverlays)
#include "TestAnnotationOverlays.moc"
