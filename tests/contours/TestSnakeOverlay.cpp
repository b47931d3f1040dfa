#include "TestRegistry.h"

#include "Snake.h"
#include "contours/ContourViews.h"
#include "contours/SharedSnakeParams.h"
#include "contours/SnakeOverlay.h"
#include "contours/SnakeSequence.h"
#include "model/Settings.h"
#include "views/ImageView.h"
#include "views/OverlayFactory.h"
#include "views/PaintWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <vector>

Q_DECLARE_METATYPE(LVX::Orientation)
Q_DECLARE_METATYPE(std::vector<Point>)

namespace {

using Nodes = std::vector<Point>;

// A view whose planes all stand at one chosen index.
class PlaneView : public ImageView {
public:
    PlaneView() : ImageView("PlaneView") { }
    int GetIndex(LVX::Orientation) const override { return index; }
    int index = 0;
};

// A paint widget of its own view over a white 64 x 64 picture at a zoom, the picture's top-left
// corner at the widget's.
struct Canvas {
    explicit Canvas(LVX::Orientation orientation, int index = 0, float zoom = 1.0f)
        : picture(int(64 * zoom), int(64 * zoom), QImage::Format_RGB32), widget(&view, orientation)
    {
        view.index = index;
        picture.fill(Qt::white);
        widget.SetZoom(zoom);
        widget.SetDisplayImage(&picture);
        widget.resize(picture.size());
        widget.UpdateOffsets();
    }
    QPoint At(int x, int y) const { return widget.ImageToWidget(QPoint(x, y)); }

    PlaneView view;
    QImage picture;
    PaintWidget widget;
};

// A sequence in `plane` whose contour i lies on slice firstSlice + i with the given nodes.
std::unique_ptr<SnakeSequence> MakeSequence(
    LVX::Orientation plane, uint32_t firstSlice, const std::vector<Nodes>& contours)
{
    auto sequence = std::make_unique<SnakeSequence>("Contours", firstSlice, plane);
    for (const Nodes& nodes : contours)
        sequence->PushBack(std::make_unique<Snake>(nodes.data(), nodes.size(), &SharedSnakeParams::Get()));
    return sequence;
}

// The overlay of the sequence on the canvas, updated; the canvas owns it.
SnakeOverlay& AddOverlay(Canvas& canvas, SnakeSequence& sequence)
{
    auto* overlay = new SnakeOverlay(&canvas.widget, &sequence);
    canvas.widget.PushBackOverlay(overlay, true);
    overlay->Update();
    return *overlay;
}

// The overlay's node list as "contour;node@x,y" with the image position it is shown at, sorted.
QStringList Shown(const SnakeOverlay& overlay, LVX::Orientation viewPlane)
{
    QStringList shown;
    for (const NodePointer& node : overlay.GetNodes()) {
        const QPoint p = SnakeOverlay::NodePosition(node, viewPlane);
        shown << QString("%1;%2@%3,%4").arg(node.contour).arg(node.index).arg(p.x()).arg(p.y());
    }
    shown.sort();
    return shown;
}

// Two contours on slices 5 and 6 whose nodes lie at chosen columns and rows.
const std::vector<Nodes> TwoContours = {
    {{10.0f, 20.0f}, {12.0f, 7.0f}, {30.0f, 7.4f}},
    {{11.0f, 21.0f}, {7.0f, 5.0f}, {40.0f, 6.6f}},
};

} // namespace

class TestSnakeOverlay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ContourViews::Register(); }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        Settings::Load(dir->filePath("lumivox.ini"));
    }
    void cleanup() { dir.reset(); }

    void factoryMakesTheOverlay()
    {
        auto sequence = MakeSequence(LVX::XY, 0, TwoContours);
        Canvas canvas(LVX::XY);
        std::unique_ptr<BaseOverlay> overlay(CreateAttachmentOverlay(&canvas.widget, sequence.get()));
        auto* typed = dynamic_cast<SnakeOverlay*>(overlay.get());
        QVERIFY(typed);
        QCOMPARE(typed->GetSequence(), sequence.get());
        QCOMPARE(typed->GetName(), QString("Contours"));
    }

    void nodesByPlane_data()
    {
        QTest::addColumn<LVX::Orientation>("view");
        QTest::addColumn<LVX::Orientation>("sequencePlane");
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("expected");
        const auto row
            = [](const char* name, LVX::Orientation view, LVX::Orientation plane, int index,
                  const QStringList& expected) { QTest::newRow(name) << view << plane << index << expected; };
        // Own plane: the contour of the slice, at (column, row).
        row("XY view, XY sequence", LVX::XY, LVX::XY, 6, {"1;0@11,21", "1;1@7,5", "1;2@40,6"});
        row("XY view, slice without contour", LVX::XY, LVX::XY, 7, {});
        row("XZ view, XZ sequence", LVX::XZ, LVX::XZ, 5, {"0;0@10,20", "0;1@12,7", "0;2@30,7"});
        row("ZY view, ZY sequence", LVX::ZY, LVX::ZY, 5, {"0;0@10,20", "0;1@12,7", "0;2@30,7"});
        // Other planes: the nodes within 0.5 of the index, where their stack point falls.
        row("XY view, XZ sequence: rows at z, shown at (x, slice)", LVX::XY, LVX::XZ, 7,
            {"0;1@12,5", "0;2@30,5", "1;2@40,6"});
        row("XY view, ZY sequence: columns at z, shown at (slice, y)", LVX::XY, LVX::ZY, 7, {"1;1@6,5"});
        row("XZ view, XY sequence: rows at y, shown at (x, slice)", LVX::XZ, LVX::XY, 7,
            {"0;1@12,5", "0;2@30,5", "1;2@40,6"});
        row("ZY view, XY sequence: columns at x, shown at (slice, y)", LVX::ZY, LVX::XY, 7, {"1;1@6,5"});
        row("XZ view, ZY sequence: rows at y, shown at (slice, column)", LVX::XZ, LVX::ZY, 7,
            {"0;1@5,12", "0;2@5,30", "1;2@6,40"});
        row("ZY view, XZ sequence: columns at x, shown at (row, slice)", LVX::ZY, LVX::XZ, 7, {"1;1@5,6"});
    }
    void nodesByPlane()
    {
        QFETCH(LVX::Orientation, view);
        QFETCH(LVX::Orientation, sequencePlane);
        QFETCH(int, index);
        QFETCH(QStringList, expected);
        auto sequence = MakeSequence(sequencePlane, 5, TwoContours);
        Canvas canvas(view, index);
        SnakeOverlay& overlay = AddOverlay(canvas, *sequence);
        QCOMPARE(Shown(overlay, view), expected);
    }

    void hover_data()
    {
        QTest::addColumn<Nodes>("nodes");
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QPoint>("mouse"); // image position
        QTest::addColumn<int>("expected");
        const Nodes pair{{10.0f, 10.0f}, {12.0f, 10.0f}, {40.0f, 40.0f}};
        QTest::newRow("equally near: first in list") << pair << 2.0f << QPoint(11, 10) << 0;
        QTest::newRow("nearer second") << pair << 2.0f << QPoint(12, 11) << 1;
        QTest::newRow("exactly r away in x and y") << pair << 2.0f << QPoint(8, 8) << 0;
        QTest::newRow("one beyond r in x") << pair << 2.0f << QPoint(15, 12) << -1;
        QTest::newRow("one beyond r in y") << pair << 2.0f << QPoint(10, 13) << -1;
        QTest::newRow("tolerance grows with the zoom") << pair << 3.0f << QPoint(15, 13) << 1;
        QTest::newRow("far from all") << pair << 1.0f << QPoint(25, 25) << -1;
    }
    void hover()
    {
        QFETCH(Nodes, nodes);
        QFETCH(float, zoom);
        QFETCH(QPoint, mouse);
        QFETCH(int, expected);
        auto sequence = MakeSequence(LVX::XY, 0, {nodes});
        Canvas canvas(LVX::XY, 0, zoom);
        SnakeOverlay& overlay = AddOverlay(canvas, *sequence);

        // A node hovered before: a miss must clear it.
        overlay.Hover(canvas.At(40, 40));
        QCOMPARE(overlay.GetHovered(), 2);
        overlay.Hover(canvas.At(mouse.x(), mouse.y()));
        QCOMPARE(overlay.GetHovered(), expected);
        QCOMPARE(overlay.HitTest(canvas.At(mouse.x(), mouse.y())), expected >= 0 ? &overlay : nullptr);
    }

    void drag_data()
    {
        QTest::addColumn<LVX::Orientation>("view");
        QTest::addColumn<LVX::Orientation>("sequencePlane");
        QTest::addColumn<int>("index");
        QTest::addColumn<QPoint>("from"); // image positions
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QPointF>("expected"); // the node's (column, row) afterwards
        // Node 1 of the contour on slice 5 is (12, 7).
        const auto row
            = [](const char* name, LVX::Orientation view, LVX::Orientation plane, int index, QPoint from, QPoint to,
                  QPointF expected) { QTest::newRow(name) << view << plane << index << from << to << expected; };
        row("XY view, XY sequence: both", LVX::XY, LVX::XY, 5, {12, 7}, {20, 30}, {20, 30});
        row("XY view, XZ sequence: x", LVX::XY, LVX::XZ, 7, {12, 5}, {20, 30}, {20, 7});
        row("XY view, ZY sequence: y", LVX::XY, LVX::ZY, 12, {5, 7}, {20, 30}, {12, 30});
        row("XZ view, XY sequence: x", LVX::XZ, LVX::XY, 7, {12, 5}, {20, 30}, {20, 7});
        row("ZY view, XY sequence: y", LVX::ZY, LVX::XY, 12, {5, 7}, {20, 30}, {12, 30});
        row("XZ view, ZY sequence: column from vertical", LVX::XZ, LVX::ZY, 7, {5, 12}, {20, 30}, {30, 7});
        row("ZY view, XZ sequence: row from horizontal", LVX::ZY, LVX::XZ, 12, {7, 5}, {20, 30}, {12, 20});
        row("XZ view, XZ sequence: both", LVX::XZ, LVX::XZ, 5, {12, 7}, {20, 30}, {20, 30});
    }
    void drag()
    {
        QFETCH(LVX::Orientation, view);
        QFETCH(LVX::Orientation, sequencePlane);
        QFETCH(int, index);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QPointF, expected);
        auto sequence = MakeSequence(sequencePlane, 5, {TwoContours[0]});
        Canvas canvas(view, index);
        SnakeOverlay& overlay = AddOverlay(canvas, *sequence);

        overlay.Hover(canvas.At(from.x(), from.y()));
        QVERIFY(overlay.GetHovered() >= 0);
        QCOMPARE(overlay.GetNodes()[size_t(overlay.GetHovered())].index, 1u);
        QCOMPARE(overlay.HitTest(canvas.At(from.x(), from.y())), &overlay);
        overlay.Drag(canvas.At(to.x(), to.y()));

        const Snake* snake = sequence->GetSnake(5);
        QVERIFY(snake);
        QCOMPARE(QPointF((*snake)[1].x, (*snake)[1].y), expected);
        // The other nodes stay, and the dragged node stays in the view and hovered.
        QCOMPARE(QPointF((*snake)[0].x, (*snake)[0].y), QPointF(10, 20));
        QCOMPARE(QPointF((*snake)[2].x, (*snake)[2].y), QPointF(double(30.0f), double(7.4f)));
        overlay.Update();
        QVERIFY(overlay.GetHovered() >= 0);
        QCOMPARE(overlay.GetNodes()[size_t(overlay.GetHovered())].index, 1u);
    }

    void mouseDragsANode()
    {
        auto sequence = MakeSequence(LVX::XY, 3, {TwoContours[0]});
        Canvas canvas(LVX::XY, 3, 2.0f);
        SnakeOverlay& overlay = AddOverlay(canvas, *sequence);
        canvas.widget.show();
        sequence->SetChanged(false);
        const auto move = [&](const QPoint& at, Qt::MouseButtons buttons) {
            QMouseEvent event(QEvent::MouseMove, at, canvas.widget.mapToGlobal(at), Qt::NoButton, buttons, {});
            QApplication::sendEvent(&canvas.widget, &event);
        };
        // Hovering names the node; a press on it starts the drag, and the mouse carries the node.
        move(canvas.At(13, 8), Qt::NoButton);
        QCOMPARE(overlay.GetHovered(), 1);
        QTest::mousePress(&canvas.widget, Qt::LeftButton, {}, canvas.At(13, 8));
        QCOMPARE(canvas.widget.GetDraggedOverlay(), &overlay);
        move(canvas.At(25, 40), Qt::LeftButton);
        QTest::mouseRelease(&canvas.widget, Qt::LeftButton, {}, canvas.At(25, 40));
        QCOMPARE(QPointF((*sequence->GetSnake(3))[1].x, (*sequence->GetSnake(3))[1].y), QPointF(25, 40));
        QVERIFY(sequence->IsChanged());
    }

    void paintsSquares_data()
    {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<bool>("checked");
        QTest::newRow("zoom 2, not selected") << 2.0f << false;
        QTest::newRow("zoom 3, selected") << 3.0f << true;
    }
    void paintsSquares()
    {
        QFETCH(float, zoom);
        QFETCH(bool, checked);
        const Settings::Colors& colors = Settings::Values().colors;
        const QColor color = checked ? colors.overlaySelectedColor : colors.overlayDefaultColor;
        auto sequence = MakeSequence(LVX::XY, 0, {{{10.0f, 10.0f}, {30.0f, 10.0f}, {20.0f, 40.0f}}});
        sequence->SetFlag(checked);
        Canvas canvas(LVX::XY, 0, zoom);
        SnakeOverlay& overlay = AddOverlay(canvas, *sequence);
        overlay.Hover(canvas.At(30, 10));
        QCOMPARE(overlay.GetHovered(), 1);

        const QImage image = canvas.widget.RenderDisplay();
        const int r = int(zoom);
        // Each square is centred on the widget pixels that show its node's image pixel.
        const auto squareOf = [&](int x, int y) {
            const QPoint w = canvas.widget.Mapping().PixelCenter(QPoint(x, y));
            return QRect(w.x() - r, w.y() - r, 2 * r, 2 * r);
        };
        const auto colorAt = [&](int x, int y) { return image.pixelColor(x, y); };
        const struct {
            QPoint node;
            QColor color;
        } expected[] = {{{10, 10}, color}, {{30, 10}, colors.overlayHoverColor}, {{20, 40}, color}};
        for (const auto& e : expected) {
            const QRect square = squareOf(e.node.x(), e.node.y());
            // Every pixel of the square, and none just outside it.
            for (int y = square.top(); y <= square.bottom(); ++y)
                for (int x = square.left(); x <= square.right(); ++x)
                    QCOMPARE(colorAt(x, y), e.color);
            QCOMPARE(colorAt(square.right() + 1, square.center().y()), QColor(Qt::white));
            QCOMPARE(colorAt(square.left() - 1, square.center().y()), QColor(Qt::white));
            QCOMPARE(colorAt(square.center().x(), square.bottom() + 1), QColor(Qt::white));
        }
        // The hovered node carries its label "0;1" above its square, in the hover colour.
        const QRect hovered = squareOf(30, 10);
        const QRect label(hovered.left() + r, hovered.top() - 20, 30, 20);
        int hoverPixels = 0;
        for (int y = label.top(); y <= label.bottom(); ++y)
            for (int x = label.left(); x <= label.right(); ++x)
                hoverPixels += colorAt(x, y) != QColor(Qt::white);
        QVERIFY(hoverPixels > 0);
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
};

LUMIVOX_REGISTER_TEST(TestSnakeOverlay)
#include "TestSnakeOverlay.moc"
