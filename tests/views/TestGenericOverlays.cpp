#include "TestRegistry.h"

#include "Point3D.h"
#include "model/Settings.h"
#include "views/AuxWindow.h"
#include "views/AxesOverlay.h"
#include "views/DragOverlay.h"
#include "views/ImageView.h"
#include "views/PaintWidget.h"
#include "views/ValueOverlay.h"
#include "views/VirtualView.h"

#include <QCursor>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// A mouse move as the window system sends it (QTest's moves only move the cursor).
void MoveMouse(QWidget* widget, const QPoint& position, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent event(
        QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// An image view that answers a fixed slice index and a value text made from the position.
class FakeView : public ImageView {
public:
    FakeView() : ImageView("fake") { }
    int GetIndex(LVX::Orientation) const override { return index; }
    QString GetValueText(const QPoint& position) const override
    {
        return QString("v%1/%2").arg(position.x()).arg(position.y());
    }
    int index = 7;
};

int CountColor(const QImage& image, const QColor& color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += QColor(image.pixel(x, y)) == color ? 1 : 0;
    return n;
}

} // namespace

class TestGenericOverlays : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        Settings::Load(dir.filePath("lumivox.ini"));
    }
    void init()
    {
        view = std::make_unique<FakeView>();
        widget = std::make_unique<PaintWidget>(view.get(), LVX::XY);
        widget->resize(300, 200);
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
        connect(widget.get(), &PaintWidget::centerChanged, this, [this](QPointF*) { ++centreChanges; });
    }
    void cleanup()
    {
        widget.reset();
        view.reset();
    }

    void panFramesOnlyForLargeImages_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QRect>("imageFrame");
        QTest::addColumn<QRect>("viewFrame");
        // Widget 300 x 200, image centred.
        QTest::newRow("smaller") << QSize(100, 50) << QRect() << QRect();
        QTest::newRow("same size") << QSize(300, 200) << QRect() << QRect();
        // Offset (-50, -50); scale 100 / 400; the whole image 100 x 75 ends 6 pixels left of the
        // right edge (x 299) and starts 6 below the top; the view (50, 50, 300, 200) scaled.
        QTest::newRow("larger") << QSize(400, 300) << QRect(193, 6, 100, 75) << QRect(206, 19, 75, 50);
        // Only wider: offset (-50, 75); the visible part is (0, 75) .. (299, 124).
        QTest::newRow("wider") << QSize(400, 50) << QRect(193, 81, 100, 13) << QRect(206, 81, 75, 13);
    }
    void panFramesOnlyForLargeImages()
    {
        QFETCH(QSize, image);
        QFETCH(QRect, imageFrame);
        QFETCH(QRect, viewFrame);
        Show(image);
        display.fill(Qt::black);
        auto* overlay = new DragOverlay(widget.get());
        widget->PushBackOverlay(overlay, false);
        QCOMPARE(overlay->ImageFrame(), imageFrame);
        QCOMPARE(overlay->ViewFrame(), viewFrame);
        const QImage drawn = widget->grab().toImage();
        if (imageFrame.isEmpty()) {
            QCOMPARE(CountColor(drawn, DragOverlay::FrameColor), 0);
        } else {
            QCOMPARE(QColor(drawn.pixel(imageFrame.topLeft())), DragOverlay::FrameColor);
            QCOMPARE(QColor(drawn.pixel(viewFrame.topLeft())), DragOverlay::FrameColor);
        }
    }

    void dragPansWithinTheImage_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QPoint>("move");
        QTest::addColumn<QPoint>("offset");
        // Widget 300 x 200, image 400 x 300 centred at offset (-50, -50).
        QTest::newRow("right a little") << QSize(400, 300) << QPoint(30, 0) << QPoint(-20, -50);
        QTest::newRow("left edge stops") << QSize(400, 300) << QPoint(100, 0) << QPoint(0, -50);
        QTest::newRow("right edge stops") << QSize(400, 300) << QPoint(-200, 0) << QPoint(-100, -50);
        QTest::newRow("down a little") << QSize(400, 300) << QPoint(0, 20) << QPoint(-50, -30);
        QTest::newRow("top edge stops") << QSize(400, 300) << QPoint(0, 80) << QPoint(-50, 0);
        QTest::newRow("bottom edge stops") << QSize(400, 300) << QPoint(10, -500) << QPoint(-40, -100);
        // A smaller image, centred at (100, 75), stays.
        QTest::newRow("small image") << QSize(100, 50) << QPoint(50, 50) << QPoint(100, 75);
    }
    void dragPansWithinTheImage()
    {
        QFETCH(QSize, image);
        QFETCH(QPoint, move);
        QFETCH(QPoint, offset);
        Show(image);
        const QPoint before = widget->GetOffset();
        auto* overlay = new DragOverlay(widget.get());
        widget->PushBackOverlay(overlay, false);
        const QPoint press(150, 100);
        QTest::mousePress(widget.get(), Qt::LeftButton, {}, press);
        QCOMPARE(widget->GetDraggedOverlay(), overlay); // it always answers a press
        MoveMouse(widget.get(), press + move);
        QTest::mouseRelease(widget.get(), Qt::LeftButton, {}, press + move);
        QCOMPARE(widget->GetOffset(), offset);
        QCOMPARE(centreChanges > 0, offset != before);
        if (offset == before)
            QCOMPARE(widget->GetCenter(), QPointF(0.5, 0.5));
        QVERIFY(!overlay->IsDragging());
    }

    void valueText_data()
    {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QString>("text");
        // A 100 x 50 display image at offset (100, 75); the value comes from the view.
        QTest::newRow("top-left") << 1.0f << QPoint(100, 75) << "0, 0, 7: v100/75";
        QTest::newRow("rows from the top") << 1.0f << QPoint(103, 124) << "3, 49, 7: v103/124";
        QTest::newRow("zoom 2") << 2.0f << QPoint(121, 90) << "10, 7, 7: v121/90";
        QTest::newRow("outside") << 1.0f << QPoint(99, 80) << "";
    }
    void valueText()
    {
        QFETCH(float, zoom);
        QFETCH(QPoint, position);
        QFETCH(QString, text);
        Show(QSize(100, 50), zoom);
        auto* overlay = new ValueOverlay(widget.get());
        widget->PushBackOverlay(overlay, false);
        overlay->Hover(position);
        QCOMPARE(overlay->GetPosition(), position);
        QCOMPARE(overlay->Text(), text);
        QVERIFY(overlay->HideTimer()->isActive());
        QCOMPARE(overlay->HideTimer()->interval(), 3000);
        QVERIFY(overlay->HideTimer()->isSingleShot());

        // The text is drawn in the hover colour beside the cursor.
        const QImage drawn = widget->grab().toImage();
        const QRect textArea(position + QPoint(10, 5), QSize(150, 20));
        const int hoverPixels = CountColor(drawn.copy(textArea), Settings::Values().colors.overlayHoverColor);
        QCOMPARE(hoverPixels > 0, !text.isEmpty());

        overlay->Leave();
        QCOMPARE(overlay->GetPosition(), ValueOverlay::NoPosition);
        QCOMPARE(overlay->Text(), QString());
    }

    void valueHidesAfterTheMouseLeftTheImage()
    {
        Show(QSize(100, 50)); // offset (100, 75)
        auto* overlay = new ValueOverlay(widget.get());
        widget->PushBackOverlay(overlay, false);

        // The cursor rests over the image: the value stays when the timer runs out.
        QCursor::setPos(widget->mapToGlobal(QPoint(120, 90)));
        if (widget->mapFromGlobal(QCursor::pos()) != QPoint(120, 90))
            QSKIP("The platform does not move the cursor");
        overlay->Hover(QPoint(120, 90));
        overlay->onHideTimerFired();
        QCOMPARE(overlay->GetPosition(), QPoint(120, 90));

        // Off the image (still over the widget) it goes once the 3 s are up.
        QCursor::setPos(widget->mapToGlobal(QPoint(20, 20)));
        overlay->Hover(QPoint(120, 90));
        QCOMPARE(overlay->GetPosition(), QPoint(120, 90));
        QTRY_COMPARE_WITH_TIMEOUT(overlay->GetPosition(), ValueOverlay::NoPosition, 6000);
    }

    void axesPositionsStayInside_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("move");
        QTest::addColumn<double>("vertical");
        QTest::addColumn<double>("horizontal");
        QTest::addColumn<bool>("vDrag");
        QTest::addColumn<bool>("hDrag");
        // A 100 x 100 image at offset (100, 50); both lines through its middle: the vertical at
        // x 150, the horizontal at y 100.
        QTest::newRow("vertical right") << QPoint(152, 20 + 50) << QPoint(25, 0) << 0.75 << 0.5 << true << false;
        QTest::newRow("vertical past the edge") << QPoint(150, 70) << QPoint(500, 0) << 1.0 << 0.5 << true << false;
        QTest::newRow("vertical before the edge") << QPoint(148, 70) << QPoint(-500, 0) << 0.0 << 0.5 << true << false;
        QTest::newRow("horizontal down") << QPoint(120, 100) << QPoint(0, 10) << 0.5 << 0.6 << false << true;
        QTest::newRow("horizontal past the edge") << QPoint(120, 101) << QPoint(0, 400) << 0.5 << 1.0 << false << true;
        QTest::newRow("both") << QPoint(150, 100) << QPoint(-500, -500) << 0.0 << 0.0 << true << true;
    }
    void axesPositionsStayInside()
    {
        QFETCH(QPoint, press);
        QFETCH(QPoint, move);
        QFETCH(double, vertical);
        QFETCH(double, horizontal);
        QFETCH(bool, vDrag);
        QFETCH(bool, hDrag);
        AxesOverlay* axes = ShowAxes();
        QList<QVariantList> changes;
        connect(axes, &AxesOverlay::planeChanged, this,
            [&changes](double v, double h, bool vd, bool hd, LVX::Orientation o) {
                changes << QVariantList{v, h, vd, hd, int(o)};
            });

        QTest::mousePress(widget.get(), Qt::LeftButton, {}, press);
        QCOMPARE(widget->GetDraggedOverlay(), axes);
        MoveMouse(widget.get(), press + move);
        QTest::mouseRelease(widget.get(), Qt::LeftButton, {}, press + move);
        QCOMPARE(axes->GetVerticalPosition(), vertical);
        QCOMPARE(axes->GetHorizontalPosition(), horizontal);
        QCOMPARE(changes, (QList<QVariantList>{{vertical, horizontal, vDrag, hDrag, int(LVX::XY)}}));
        QVERIFY(!axes->IsDraggingVertical() && !axes->IsDraggingHorizontal());
    }

    void axesMissAwayFromTheLines()
    {
        AxesOverlay* axes = ShowAxes();
        QCOMPARE(axes->HitTest(QPoint(110, 60)), nullptr);
        QCOMPARE(axes->HitTest(QPoint(161, 60)), nullptr); // 11 columns away
        QCOMPARE(axes->HitTest(QPoint(160, 60)), axes);    // 10 columns away
    }

    void axesCursor_data()
    {
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<int>("shape");
        QTest::newRow("both lines") << QPoint(150, 100) << int(Qt::SizeAllCursor);
        QTest::newRow("vertical line") << QPoint(152, 60) << int(Qt::SizeHorCursor);
        QTest::newRow("horizontal line") << QPoint(110, 101) << int(Qt::SizeVerCursor);
        QTest::newRow("neither") << QPoint(110, 60) << int(Qt::ArrowCursor);
    }
    void axesCursor()
    {
        QFETCH(QPoint, position);
        QFETCH(int, shape);
        AxesOverlay* axes = ShowAxes();
        axes->Hover(QPoint(150, 100)); // a cursor of the overlay is set first
        axes->Hover(position);
        QCOMPARE(int(widget->cursor().shape()), shape);
    }

    void axesPaint()
    {
        AxesOverlay* axes = ShowAxes();
        axes->SetPositions(0.25, 0.75);
        const QImage drawn = widget->grab().toImage();
        // The vertical line at x 100 + 25, the horizontal one at y 50 + 75.
        QCOMPARE(QColor(drawn.pixel(125, 60)), QColor(Qt::red));
        QCOMPARE(QColor(drawn.pixel(110, 125)), QColor(Qt::blue));
        QCOMPARE(QColor(drawn.pixel(126, 60)), QColor(Qt::white));
    }

    void axesFollowOtherPlanes_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("source");
        QTest::addColumn<double>("vertical");
        QTest::addColumn<double>("horizontal");
        // Plane (0.1, 0.2, 0.3).
        QTest::newRow("XY from XZ") << int(LVX::XY) << int(LVX::XZ) << 0.1 << 0.2;
        QTest::newRow("XZ from XY") << int(LVX::XZ) << int(LVX::XY) << 0.1 << 0.3;
        QTest::newRow("ZY from XY") << int(LVX::ZY) << int(LVX::XY) << 0.3 << 0.2;
        QTest::newRow("own plane ignored") << int(LVX::XY) << int(LVX::XY) << 0.5 << 0.5;
    }
    void axesFollowOtherPlanes()
    {
        QFETCH(int, orientation);
        QFETCH(int, source);
        QFETCH(double, vertical);
        QFETCH(double, horizontal);
        PaintWidget plane(view.get(), LVX::Orientation(orientation));
        AxesOverlay axes(&plane, Qt::red, Qt::blue);
        Point3D point(0.1f, 0.2f, 0.3f);
        axes.onPlaneChanged(&point, LVX::Orientation(source));
        QCOMPARE(float(axes.GetVerticalPosition()), float(vertical));
        QCOMPARE(float(axes.GetHorizontalPosition()), float(horizontal));
    }

    void auxWindowAnnouncesClosing()
    {
        AuxWindow window;
        QSignalSpy closed(&window, &AuxWindow::closed);
        window.show();
        QVERIFY(window.close());
        QCOMPARE(closed.count(), 1);
    }

    void virtualViewLeavesTheSizeToTheLayout()
    {
        VirtualView placeholder;
        QCOMPARE(placeholder.sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
        QCOMPARE(placeholder.sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
    }

private:
    // Shows a white display image of the given size, centred, and counts centre changes from then on.
    void Show(const QSize& size, float zoom = 1.0f)
    {
        display = QImage(size, QImage::Format_RGB32);
        display.fill(Qt::white);
        widget->SetDisplayImage(&display);
        widget->SetZoom(zoom);
        widget->ResetCenter(true);
        centreChanges = 0;
    }
    // Axes over a 100 x 100 image at offset (100, 50), both lines through its middle.
    AxesOverlay* ShowAxes()
    {
        Show(QSize(100, 100));
        auto* axes = new AxesOverlay(widget.get(), Qt::red, Qt::blue);
        widget->PushBackOverlay(axes, false);
        return axes;
    }

    QTemporaryDir dir;
    QImage display;
    int centreChanges = 0;
    std::unique_ptr<FakeView> view;
    std::unique_ptr<PaintWidget> widget;
};

LUMIVOX_REGISTER_TEST(TestGenericOverlays)
#include "TestGenericOverlays.moc"
