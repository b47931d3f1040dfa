#include "ScriptedPrompter.h"
#include "TestRegistry.h"

#include "model/Settings.h"
#include "ui/LumivoxWnd.h"
#include "views/BaseOverlay.h"
#include "views/ImageView.h"
#include "views/PaintWidget.h"
#include "views/PaintWidgetTool.h"

#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <memory>
#include <utility>

namespace {

// A mouse move as the window system sends it (QTest's moves only move the cursor).
void MoveMouse(QWidget* widget, const QPoint& position, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent event(
        QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// An overlay that is hit inside a rectangle and records what the paint widget tells it.
class ProbeOverlay : public BaseOverlay {
public:
    ProbeOverlay(PaintWidget* widget, const QRect& area, QStringList* paintLog = nullptr, const QString& name = {})
        : BaseOverlay(widget, nullptr, name), area(area), paintLog(paintLog)
    {
    }
    BaseOverlay* HitTest(const QPoint& position) override
    {
        ++hitTests;
        return area.contains(position) ? this : nullptr;
    }
    void Drag(const QPoint& position) override { drags << position; }
    void Hover(const QPoint& position) override { hovers << position; }
    void Drop(const QPoint& position) override { drops << position; }
    void Leave() override { ++leaves; }
    void Paint(QPainter*) override
    {
        if (paintLog)
            *paintLog << GetName();
    }

    QRect area;
    QStringList* paintLog;
    int hitTests = 0;
    int leaves = 0;
    QList<QPoint> drags;
    QList<QPoint> hovers;
    QList<QPoint> drops;
};

// Draws one red pixel on image pixel (5, 10), wherever the image is on the widget.
class MarkerOverlay : public BaseOverlay {
public:
    explicit MarkerOverlay(PaintWidget* widget) : BaseOverlay(widget, nullptr, "marker") { }
    void Paint(QPainter* painter) override
    {
        painter->setPen(Qt::red);
        painter->drawPoint(paintWidget->ImageToWidget(QPoint(5, 10)));
    }
};

class PressTool : public PaintWidgetTool::Base {
public:
    explicit PressTool(bool consume) : consume(consume) { }
    bool MousePress(const QPoint&) override
    {
        ++presses;
        return consume;
    }
    bool consume;
    int presses = 0;
};

QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 2 % 256, y * 3 % 256, (x + y) % 256));
    return image;
}

ViewMapping MakeMapping(float zoom, int ox, int oy, int width, int height)
{
    ViewMapping m;
    m.zoom = zoom;
    m.offsetX = ox;
    m.offsetY = oy;
    m.imageWidth = width;
    m.imageHeight = height;
    return m;
}

} // namespace

class TestPaintWidget : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<BaseOverlay*>(); }
    void init()
    {
        owner = std::make_unique<ImageView>("owner");
        widget = std::make_unique<PaintWidget>(owner.get(), LVX::XY);
        widget->resize(200, 100);
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    }
    void cleanup()
    {
        widget.reset();
        owner.reset();
    }

    void mouseTrackingIsOn() { QVERIFY(widget->hasMouseTracking()); }

    void widgetToImage_data()
    {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QPoint>("widgetPoint");
        QTest::addColumn<QPoint>("image");
        QTest::addColumn<QPoint>("fromTop");
        // Display pixel (20, 40) of a 100-row image at zoom 2: display row 159 from the bottom.
        QTest::newRow("zoom 2") << 2.0f << QPoint(10, 20) << QSize(150, 100) << QPoint(30, 60) << QPoint(10, 79)
                                << QPoint(10, 20);
        QTest::newRow("top-left is the last row")
            << 1.0f << QPoint(0, 0) << QSize(300, 50) << QPoint(0, 0) << QPoint(0, 49) << QPoint(0, 0);
        QTest::newRow("left of and below the image")
            << 2.0f << QPoint(10, 20) << QSize(150, 100) << QPoint(9, 220) << QPoint(-1, -1) << QPoint(-1, 100);
        // 3 display pixels for 2 image pixels: columns 0 and 1 show 0, column 2 shows 1.
        QTest::newRow("zoom 1.5") << 1.5f << QPoint(0, 0) << QSize(4, 4) << QPoint(2, 3) << QPoint(1, 1)
                                  << QPoint(1, 2);
        // Every fourth pixel is shown, counted from the bottom-left corner.
        QTest::newRow("zoom 0.25") << 0.25f << QPoint(-100, -50) << QSize(1000, 400) << QPoint(1, 0) << QPoint(404, 196)
                                   << QPoint(404, 203);
    }
    void widgetToImage()
    {
        QFETCH(float, zoom);
        QFETCH(QPoint, offset);
        QFETCH(QSize, source);
        QFETCH(QPoint, widgetPoint);
        QFETCH(QPoint, image);
        QFETCH(QPoint, fromTop);
        ViewMapping m = MakeMapping(zoom, offset.x(), offset.y(), ViewMapping::DisplaySize(source.width(), zoom),
            ViewMapping::DisplaySize(source.height(), zoom));
        QCOMPARE(m.WidgetToImage(widgetPoint), image);
        QCOMPARE(m.WidgetToImageFromTop(widgetPoint), fromTop); // the size worked out from the display
        m.sourceWidth = source.width();
        m.sourceHeight = source.height();
        QCOMPARE(m.WidgetToImageFromTop(widgetPoint), fromTop);
    }

    // The widget picture decides: every displayed pixel converts to the image pixel painted there,
    // every image pixel's widget rectangle is where it is painted, and image positions between
    // pixels land on a widget pixel that shows their pixel.
    void drawnPixelIsPickedPixel_data()
    {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QPointF>("center");
        // A 40 x 30 image on the 200 x 100 widget.
        QTest::newRow("0.25") << 0.25f << QPointF(0.5, 0.5);
        QTest::newRow("0.5 off-centre") << 0.5f << QPointF(0.2, 0.7);
        QTest::newRow("0.75") << 0.75f << QPointF(0.5, 0.5);
        QTest::newRow("1") << 1.0f << QPointF(0.5, 0.5);
        QTest::newRow("1.25") << 1.25f << QPointF(0.5, 0.5);
        QTest::newRow("1.75 panned") << 1.75f << QPointF(0.3, 0.4);
        QTest::newRow("2.5 panned") << 2.5f << QPointF(0.7, 0.2);
        QTest::newRow("3.3 bottom-left") << 3.3f << QPointF(0.1, 0.9);
        QTest::newRow("6 top-right") << 6.0f << QPointF(0.9, 0.1);
    }
    void drawnPixelIsPickedPixel()
    {
        QFETCH(float, zoom);
        QFETCH(QPointF, center);
        const int width = 40, height = 30;
        // Pixel (x, y), rows counting up, is coloured (x, y, 255); the file order is top row first.
        QImage source(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                source.setPixel(x, height - 1 - y, qRgb(x, y, 255));
        widget->setPalette(QPalette(Qt::black));
        Show(ScaleForDisplay(source, zoom), false);
        widget->SetDisplayImage(&display, source.size());
        widget->SetZoom(zoom);
        widget->SetCenter(center);
        const ViewMapping m = widget->Mapping();
        QCOMPARE(display.size(), QSize(int(width * zoom), int(height * zoom)));

        const QImage drawn = widget->grab().toImage();
        QCOMPARE(drawn.size(), widget->size());
        // Image pixel -> bounding box and number of the widget pixels that show it.
        std::map<std::pair<int, int>, QRect> painted;
        std::map<std::pair<int, int>, int> paintedCount;
        for (int py = 0; py < drawn.height(); ++py) {
            for (int px = 0; px < drawn.width(); ++px) {
                const QPoint at(px, py);
                const QRgb colour = drawn.pixel(at);
                // Only image pixels are blue 255 (the background is not), and exactly those are
                // inside the image.
                QCOMPARE(m.IsInsideImage(at), qBlue(colour) == 255);
                if (!m.IsInsideImage(at))
                    continue;
                const QPoint pixel(qRed(colour), qGreen(colour));
                QCOMPARE(m.WidgetToImage(at), pixel);
                QCOMPARE(m.WidgetToImageFromTop(at), QPoint(pixel.x(), height - 1 - pixel.y()));
                QRect& box = painted[{pixel.x(), pixel.y()}];
                box = box.united(QRect(at, QSize(1, 1)));
                ++paintedCount[{pixel.x(), pixel.y()}];
            }
        }
        QVERIFY(!painted.empty());

        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QPoint pixel(x, y);
                const QRect rect = m.PixelRect(pixel);
                // Beyond the display's edges the rule runs on, but nothing is painted there.
                const QRect displayed(m.offsetX, m.offsetY, m.imageWidth, m.imageHeight);
                const QRect visible = rect.intersected(widget->rect()).intersected(displayed);
                const std::pair<int, int> key(x, y);
                QVERIFY2(painted[key] == visible, qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
                QCOMPARE(paintedCount[key], visible.width() * visible.height());
                if (rect.isEmpty())
                    continue; // left out at this zoom
                QCOMPARE(m.WidgetToImage(rect.center()), pixel);
                QCOMPARE(m.PixelCenter(pixel), rect.center());
                QCOMPARE(m.ImageToWidget(pixel), rect.bottomLeft());
                for (const QPointF fraction :
                    {QPointF(0, 0.99), QPointF(0.3, 0.6), QPointF(0.5, 0.5), QPointF(0.99, 0)}) {
                    const QPointF position = QPointF(x, y) + fraction;
                    const QPoint at = m.ImageToWidget(position);
                    QVERIFY2(rect.contains(at), qPrintable(QString("%1,%2").arg(position.x()).arg(position.y())));
                }
            }
        }

        // Positions whose pixel the zoom leaves out land on the widget pixel whose area covers
        // them, which shows a pixel less than one display pixel away.
        for (const QPointF position : {QPointF(1.5, 2.5), QPointF(17.2, 9.9), QPointF(38.7, 28.1)}) {
            const QPoint picked = m.WidgetToImage(m.ImageToWidget(position));
            const QPointF gap = position - QPointF(picked);
            QVERIFY(gap.x() >= 0.0 && gap.x() < std::max(1.0, 1.0 / zoom));
            QVERIFY(gap.y() >= 0.0 && gap.y() < std::max(1.0, 1.0 / zoom));
        }
        // A box of pixels is drawn as the union of its pixels, whichever corners name it.
        QRect box;
        for (int y = 2; y <= 20; ++y)
            for (int x = 3; x <= 30; ++x)
                box = box.united(m.PixelRect(QPoint(x, y)));
        QCOMPARE(m.PixelsRect(QPoint(3, 2), QPoint(30, 20)), box);
        QCOMPARE(m.PixelsRect(QPoint(30, 2), QPoint(3, 20)), box);
    }

    void scaleKeepsEveryFormat_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("grey") << int(QImage::Format_Grayscale8);
        QTest::newRow("RGB888") << int(QImage::Format_RGB888);
        QTest::newRow("indexed") << int(QImage::Format_Indexed8);
        QTest::newRow("mono") << int(QImage::Format_Mono);
    }
    void scaleKeepsEveryFormat()
    {
        QFETCH(int, format);
        const QImage source = Gradient(37, 23).convertToFormat(QImage::Format(format));
        QCOMPARE(ScaleForDisplay(source, 1.0f), source);
        for (const float zoom : {0.25f, 0.75f, 2.5f}) {
            // The same pixels as the 32-bit path, which the test above holds to the widget.
            const QImage scaled = ScaleForDisplay(source, zoom);
            QCOMPARE(scaled.size(), QSize(int(37 * zoom), int(23 * zoom)));
            QCOMPARE(scaled.convertToFormat(QImage::Format_RGB32),
                ScaleForDisplay(source.convertToFormat(QImage::Format_RGB32), zoom));
        }
        QVERIFY(ScaleForDisplay(QImage(), 2.0f).isNull());
    }

    void planes_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QPointF>("plane");
        QTest::addColumn<bool>("onPlane3");
        // The stack point (1.5, 2.5, 3.5) seen in each plane.
        QTest::newRow("XY") << int(LVX::XY) << QPointF(1.5, 2.5) << true;
        QTest::newRow("XZ") << int(LVX::XZ) << QPointF(1.5, 3.5) << false;
        QTest::newRow("ZY") << int(LVX::ZY) << QPointF(3.5, 2.5) << false;
    }
    void planes()
    {
        QFETCH(int, orientation);
        QFETCH(QPointF, plane);
        QFETCH(bool, onPlane3);
        const auto o = LVX::Orientation(orientation);
        const Point3D p(1.5f, 2.5f, 3.5f);
        QCOMPARE(ViewMapping::StackToPlane(p, o), plane);
        const Point3D back = ViewMapping::PlaneToStack(plane, o, 7.0f);
        QCOMPARE(ViewMapping::StackToPlane(back, o), plane);
        const float normal = o == LVX::XY ? back.z : (o == LVX::XZ ? back.y : back.x);
        QCOMPARE(normal, 7.0f);
        QCOMPARE(ViewMapping::IsOnPlane(p, o, 3), onPlane3);
        // Along the normal the coordinate is truncated: 1.5, 2.5 and 3.5 lie on 1, 2 and 3.
        const int index = o == LVX::XY ? 3 : (o == LVX::XZ ? 2 : 1);
        QVERIFY(ViewMapping::IsOnPlane(p, o, index));
        QVERIFY(!ViewMapping::IsOnPlane(p, o, index + 1));
    }

    void offsets_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QPointF>("center");
        QTest::addColumn<QPoint>("offset");
        // Widget 200 x 100.
        QTest::newRow("centred small") << QSize(100, 50) << QPointF(0.5, 0.5) << QPoint(50, 25);
        QTest::newRow("panned large") << QSize(400, 300) << QPointF(0.25, 0.8) << QPoint(0, -190);
        QTest::newRow("truncated") << QSize(101, 51) << QPointF(0.5, 0.5) << QPoint(49, 24);
    }
    void offsets()
    {
        QFETCH(QSize, image);
        QFETCH(QPointF, center);
        QFETCH(QPoint, offset);
        Show(QImage(image, QImage::Format_RGB32), false);
        int spyCount = 0;
        connect(widget.get(), &PaintWidget::centerChanged, this, [&spyCount](QPointF*) { ++spyCount; });
        widget->SetCenter(center);
        QCOMPARE(spyCount, 1);
        QCOMPARE(widget->GetCenter(), center);
        QCOMPARE(widget->GetOffset(), offset);
        QCOMPARE(ViewMapping::OffsetsFor(center, 200, 100, image.width(), image.height()), offset);
    }

    void resetCenter_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<bool>("force");
        QTest::addColumn<QPointF>("center");
        // Widget 200 x 100, centre (0.2, 0.3) before the reset.
        QTest::newRow("smaller both ways") << QSize(100, 50) << false << QPointF(0.5, 0.5);
        QTest::newRow("wider keeps x") << QSize(400, 50) << false << QPointF(0.2, 0.5);
        QTest::newRow("higher keeps y") << QSize(100, 300) << false << QPointF(0.5, 0.3);
        QTest::newRow("same size") << QSize(200, 100) << false << QPointF(0.5, 0.5);
        QTest::newRow("larger keeps both") << QSize(400, 300) << false << QPointF(0.2, 0.3);
        QTest::newRow("forced") << QSize(400, 300) << true << QPointF(0.5, 0.5);
        QTest::newRow("no image") << QSize() << false << QPointF(0.5, 0.5);
    }
    void resetCenter()
    {
        QFETCH(QSize, image);
        QFETCH(bool, force);
        QFETCH(QPointF, center);
        if (image.isValid())
            Show(QImage(image, QImage::Format_RGB32), false);
        widget->SetCenter(QPointF(0.2, 0.3));
        widget->ResetCenter(force);
        QCOMPARE(widget->GetCenter(), center);
        if (image.isValid())
            QCOMPARE(widget->GetOffset(), ViewMapping::OffsetsFor(center, 200, 100, image.width(), image.height()));
    }

    void topMostVisibleOverlayWins()
    {
        Show(QImage(200, 100, QImage::Format_RGB32));
        auto* lower = new ProbeOverlay(widget.get(), QRect(0, 0, 100, 100));
        auto* upper = new ProbeOverlay(widget.get(), QRect(50, 0, 100, 100));
        widget->PushBackOverlay(lower, false);
        widget->PushBackOverlay(upper, true);
        QCOMPARE(widget->GetLastOverlay(), upper);

        QTest::mousePress(widget.get(), Qt::LeftButton, {}, QPoint(70, 50));
        QCOMPARE(widget->GetDraggedOverlay(), upper);
        QCOMPARE(lower->hitTests, 0); // the search stops at the first hit
        MoveMouse(widget.get(), QPoint(80, 55));
        QCOMPARE(upper->drags, QList<QPoint>{QPoint(80, 55)});
        QVERIFY(upper->hovers.isEmpty()); // a drag is not a hover
        QTest::mouseRelease(widget.get(), Qt::LeftButton, {}, QPoint(80, 55));
        QCOMPARE(upper->drops, QList<QPoint>{QPoint(80, 55)});
        QCOMPARE(widget->GetDraggedOverlay(), nullptr);

        // Outside the upper one's area the lower one is hit.
        QTest::mousePress(widget.get(), Qt::LeftButton, {}, QPoint(20, 50));
        QCOMPARE(widget->GetDraggedOverlay(), lower);
        QTest::mouseRelease(widget.get(), Qt::LeftButton, {}, QPoint(20, 50));

        // A hidden overlay is never hit, not even asked.
        upper->SetVisible(false);
        const int upperTests = upper->hitTests;
        QTest::mousePress(widget.get(), Qt::LeftButton, {}, QPoint(70, 50));
        QCOMPARE(widget->GetDraggedOverlay(), lower);
        QCOMPARE(upper->hitTests, upperTests);
        QTest::mouseRelease(widget.get(), Qt::LeftButton, {}, QPoint(70, 50));

        // A press outside both drags nothing.
        QTest::mousePress(widget.get(), Qt::LeftButton, {}, QPoint(180, 50));
        QCOMPARE(widget->GetDraggedOverlay(), nullptr);
        QTest::mouseRelease(widget.get(), Qt::LeftButton, {}, QPoint(180, 50));
    }

    void toolComesFirst_data()
    {
        QTest::addColumn<bool>("consume");
        QTest::newRow("consumed") << true;
        QTest::newRow("passed on") << false;
    }
    void toolComesFirst()
    {
        QFETCH(bool, consume);
        auto* overlay = new ProbeOverlay(widget.get(), QRect(0, 0, 200, 100));
        widget->PushBackOverlay(overlay, false);
        auto* tool = new PressTool(consume);
        widget->SetTool(tool);
        QCOMPARE(tool->GetPaintWidget(), widget.get());
        QTest::mousePress(widget.get(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(tool->presses, 1);
        QCOMPARE(overlay->hitTests, consume ? 0 : 1);
        QCOMPARE(widget->GetDraggedOverlay(), consume ? nullptr : overlay);
        QTest::mouseRelease(widget.get(), Qt::LeftButton, {}, QPoint(10, 10));
        widget->SetTool(nullptr);
        QCOMPARE(widget->GetTool(), nullptr);
    }

    void hoverOnlyOverTheImage()
    {
        Show(QImage(100, 50, QImage::Format_RGB32)); // offset (50, 25)
        auto* overlay = new ProbeOverlay(widget.get(), QRect());
        widget->PushBackOverlay(overlay, false);
        QSignalSpy left(widget.get(), &PaintWidget::imageLeft);

        MoveMouse(widget.get(), QPoint(60, 30), Qt::NoButton);
        MoveMouse(widget.get(), QPoint(10, 10), Qt::NoButton);
        MoveMouse(widget.get(), QPoint(20, 10), Qt::NoButton);
        QCOMPARE(overlay->hovers, QList<QPoint>{QPoint(60, 30)});
        QCOMPARE(left.count(), 1);
        MoveMouse(widget.get(), QPoint(149, 74), Qt::NoButton);
        QCOMPARE(overlay->hovers.size(), 2);
        QCOMPARE(left.count(), 1);
    }

    void leavingTellsEveryOverlay()
    {
        auto* a = new ProbeOverlay(widget.get(), QRect());
        auto* b = new ProbeOverlay(widget.get(), QRect());
        widget->PushBackOverlay(a, false);
        widget->PushBackOverlay(b, false);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget.get(), &leave);
        QCOMPARE(a->leaves, 1);
        QCOMPARE(b->leaves, 1);
    }

    void wheelIsForwarded()
    {
        int wheels = 0;
        QPoint delta;
        connect(widget.get(), &PaintWidget::wheelRotated, this, [&](QWheelEvent* event) {
            ++wheels;
            delta = event->angleDelta();
        });
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget.get(), &event);
        QCOMPARE(wheels, 1);
        QCOMPARE(delta, QPoint(0, -240));
    }

    void overlaysPaintInOrderWhenVisible()
    {
        QStringList log;
        QSignalSpy pushed(widget.get(), &PaintWidget::overlayPushedBack);
        auto* first = new ProbeOverlay(widget.get(), QRect(), &log, "first");
        widget->PushBackOverlay(first, false);
        QCOMPARE(pushed.count(), 1);
        QCOMPARE(pushed.at(0).at(0).value<BaseOverlay*>(), static_cast<BaseOverlay*>(first));
        QCOMPARE(widget->GetLastOverlay(), nullptr);
        auto* hidden = new ProbeOverlay(widget.get(), QRect(), &log, "hidden");
        widget->PushBackOverlay(hidden, false);
        widget->PushBackOverlay(new ProbeOverlay(widget.get(), QRect(), &log, "last"), false);
        hidden->SetVisible(false);
        log.clear();
        widget->repaint();
        QCOMPARE(log, QStringList({"first", "last"}));

        QSignalSpy removed(widget.get(), &PaintWidget::overlayRemoved);
        widget->RemoveOverlay(hidden);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(widget->GetOverlays().size(), size_t(2));
    }

    void contextMenuEntries()
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), widget->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(widget.get(), &event);
        QMenu* menu = widget->findChild<QMenu*>();
        QVERIFY(menu);
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << (action->menu() ? action->text() + ">" : action->text());
        QCOMPARE(texts, QStringList({"New>", "Screenshot..."}));
        QMenu* newMenu = menu->actions().at(0)->menu();
        QCOMPARE(newMenu->actions().size(), 1);
        QCOMPARE(newMenu->actions().at(0)->text(), QString("Active contour"));
        menu->hide();
    }

    void activeContourAtTheClickedPixel()
    {
        QTemporaryDir dir;
        Settings::Load(dir.filePath("lumivox.ini"));
        LumivoxWnd window;
        Show(QImage(100, 50, QImage::Format_RGB32)); // offset (50, 25), zoom 1
        int requests = 0;
        QPoint point;
        LVX::Orientation orientation = LVX::ZY;
        ImageView* sender = nullptr;
        connect(&window, &LumivoxWnd::newSnakeRequested, this, [&](QPoint p, LVX::Orientation o, ImageView* view) {
            ++requests;
            point = p;
            orientation = o;
            sender = view;
        });

        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(60, 35), widget->mapToGlobal(QPoint(60, 35)));
        QApplication::sendEvent(widget.get(), &event);
        QMenu* menu = widget->findChild<QMenu*>();
        QVERIFY(menu);
        menu->actions().at(0)->menu()->actions().at(0)->trigger();
        menu->hide();

        QCOMPARE(requests, 1);
        // Column 60 - 50 = 10; display row 35 - 25 = 10 from the top is row 50 - 1 - 10 = 39.
        QCOMPARE(point, QPoint(10, 39));
        QCOMPARE(orientation, LVX::XY);
        QCOMPARE(sender, owner.get());
    }

    void screenshotOfScrolledView()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("shot.png");
        widget->resize(50, 40);
        Show(Gradient(120, 80), false);
        widget->PushBackOverlay(new MarkerOverlay(widget.get()), false);
        widget->SetCenter(QPointF(0.9, 0.5)); // scrolled to the right
        const QPoint scrolled = widget->GetOffset();
        QVERIFY(scrolled.x() < 0);

        ScopedPrompter prompter;
        int offeredWidth = 0, offeredHeight = 0;
        prompter->AddDialogHandler([&](QDialog* dialog) {
            offeredWidth = dialog->findChild<QSpinBox*>("spinWidth")->value();
            offeredHeight = dialog->findChild<QSpinBox*>("spinHeight")->value();
            dialog->findChild<QLineEdit*>("lineEditPath")->setText(path);
            return int(QDialog::Accepted);
        });
        widget->onScreenshot();
        QCOMPARE(prompter->Count(ScriptedPrompter::Kind::Exec), 1);
        QCOMPARE(prompter->Last().title, QString("Screenshot of owner"));
        QCOMPARE(offeredWidth, 120);
        QCOMPARE(offeredHeight, 80);
        QCOMPARE(widget->GetOffset(), scrolled);

        QImage saved(path);
        QCOMPARE(saved.size(), QSize(120, 80));
        saved = saved.convertToFormat(QImage::Format_RGB32);
        // The overlay is drawn where image pixel (5, 10) is with the image at (0, 0): row 79 - 10.
        QCOMPARE(QColor(saved.pixel(5, 69)), QColor(Qt::red));
        QImage expected = display;
        expected.setPixel(5, 69, qRgb(255, 0, 0));
        QCOMPARE(saved, expected);
    }

    void screenshotCancelled()
    {
        QTemporaryDir dir;
        Show(Gradient(30, 20), false);
        ScopedPrompter prompter;
        prompter->AddDialogResult(QDialog::Rejected);
        widget->onScreenshot();
        QCOMPARE(prompter->Count(ScriptedPrompter::Kind::Exec), 1);
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

        // Without a display image there is nothing to save and nothing is asked.
        widget->SetDisplayImage(nullptr);
        widget->onScreenshot();
        QCOMPARE(prompter->Count(ScriptedPrompter::Kind::Exec), 1);
        QVERIFY(widget->RenderDisplay().isNull());
    }

private:
    // Shows the image (kept here), centred unless told otherwise.
    void Show(const QImage& image, bool centre = true)
    {
        display = image;
        widget->SetDisplayImage(&display);
        if (centre)
            widget->ResetCenter(true);
    }

    QImage display;
    std::unique_ptr<ImageView> owner;
    std::unique_ptr<PaintWidget> widget;
};

LUMIVOX_REGISTER_TEST(TestPaintWidget)
#include "TestPaintWidget.moc"
