#include "ScriptedPrompter.h"
#include "TestRegistry.h"

#include "app/App.h"
#include "app/Attachment.h"
#include "app/Relation.h"
#include "model/Settings.h"
#include "stacks/ImageStack.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "views/BaseOverlay.h"
#include "views/Control.h"
#include "views/ImageViewOverlaysControl.h"
#include "views/OverlayFactory.h"
#include "views/PaintWidget.h"
#include "views/PaintWidgetTool.h"
#include "views/SliceView.h"
#include "views/SliderZoomWidget.h"
#include "views/ToolTipSlider.h"
#include "views/ViewMapping.h"
#include "views/VirtualView.h"

#include <QLabel>
#include <QPointer>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// A 16-bit stack of `count` slices of width x height with pixel (x, y) of slice z = value(x, y, z).
std::unique_ptr<ImageStack> MakeStack(
    int width, int height, int count, const std::function<float(int, int, int)>& value)
{
    auto stack = std::make_unique<ImageStack>(
        uint32_t(width), uint32_t(height), Image::USHORT, RATIONAL(1, 1), RATIONAL(1, 1), RATIONAL(1, 1), "px");
    for (int z = 0; z < count; ++z) {
        auto image = Image::FromType(width, height, Image::USHORT, RATIONAL(1, 1), RATIONAL(1, 1), "px");
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image->Set(x, y, value(x, y, z));
        stack->AppendImage(std::move(image));
    }
    return stack;
}

// Each slice differs from every other: a bright column at x = z over a ramp along y.
float Distinct(int x, int y, int z)
{
    return x == z ? 60000.0f : float(100 * y + 10 * z);
}

class TestAttachment : public Attachment {
public:
    TestAttachment(const QString& name, LVX::ObjectType type) : Attachment(name) { SetType(type); }
};

class NamedOverlay : public BaseOverlay {
public:
    NamedOverlay(PaintWidget* widget, Attachment* attachment) : BaseOverlay(widget, attachment, attachment->GetName())
    {
    }
    void Update() override { ++updates; }
    int updates = 0;
};

// A mouse event with the left button, sent straight to the widget.
void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& position)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QWheelEvent Wheel(int delta)
{
    return QWheelEvent(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
}

} // namespace

class TestSliceView : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        Settings::Load(dir->filePath("lumivox.ini"));
        prompter = std::make_unique<ScopedPrompter>();
        window = std::make_unique<LumivoxWnd>();
        window->resize(900, 700);
        app = std::make_unique<App>(window.get());
    }
    void cleanup()
    {
        app.reset();
        window.reset();
        prompter.reset();
        dir.reset();
    }

    void bindingToStacks_data()
    {
        QTest::addColumn<int>("slices");
        QTest::addColumn<int>("slider");
        QTest::newRow("one slice") << 1 << 0;
        QTest::newRow("two slices") << 2 << 0;
        QTest::newRow("three slices") << 3 << 1;
        QTest::newRow("ten slices") << 10 << 4;
    }
    void bindingToStacks()
    {
        QFETCH(int, slices);
        QFETCH(int, slider);
        ImageStack* stack = nullptr;
        SliceView* view = OpenView(MakeStack(16, 12, slices, Distinct), &stack);
        QVERIFY(view);
        QCOMPARE(view->GetType(), LVX::SliceViewType);
        QVERIFY(view->GetName().startsWith("SliceView"));
        QCOMPARE(view->GetStack(), static_cast<VariableImageStack*>(stack));
        QCOMPARE(view->GetSlider()->minimum(), 0);
        QCOMPARE(view->GetSlider()->maximum(), slices - 1);
        QCOMPARE(view->GetSlider()->value(), slider);
        QCOMPARE(view->GetCurrentIndex(), slider);
        QCOMPARE(view->GetLastIndex(), slices - 1);
        QCOMPARE(view->GetSliderZoomWidget()->GetValueLabel()->text(), QString::number(slider));
        QCOMPARE(view->GetSliderZoomWidget()->GetMaximumLabel()->text(), QString::number(slices - 1));
        // The slice is on show at once.
        const QImage* shown = view->GetPaintWidget()->GetDisplayImage();
        QVERIFY(shown);
        QCOMPARE(*shown, stack->GetImage(uint32_t(slider))->ToQImage(0, 45.0));

        // Binding alone (without the relation's refresh) shows the slice too.
        SliceView direct;
        direct.Attach(view->GetBoundWidget());
        QCOMPARE(direct.GetSlider()->value(), slider);
        QVERIFY(direct.GetPaintWidget()->GetDisplayImage());
        QCOMPARE(*direct.GetPaintWidget()->GetDisplayImage(), *shown);
    }

    void sliderShowsTheSlice()
    {
        ImageStack* stack = nullptr;
        SliceView* view = OpenView(MakeStack(16, 12, 6, Distinct), &stack);
        view->GetSlider()->setValue(5);
        QCOMPARE(view->GetCurrentIndex(), 5);
        QCOMPARE(*view->GetPaintWidget()->GetDisplayImage(), stack->GetImage(5)->ToQImage(0, 45.0));
        view->SetIndex(1, LVX::XY);
        QCOMPARE(view->GetSlider()->value(), 1);
        view->SetIndex(3, LVX::XZ); // only the slice axis moves the slider
        QCOMPARE(view->GetSlider()->value(), 1);
        // The buffer for the 3-D display follows the slice.
        QCOMPARE(view->GetRgbBuffer(), stack->GetImage(1)->ToOpenGlRGB());
        view->GetSlider()->setValue(2);
        QCOMPARE(view->GetRgbBuffer(), stack->GetImage(2)->ToOpenGlRGB());
    }

    void rowsAreTheRightWayUp()
    {
        // Row y holds 100 y: the last row is the brightest and belongs at the top of the picture.
        SliceView* view = OpenView(MakeStack(5, 8, 1, [](int, int y, int) { return float(100 * y); }));
        const QImage* shown = view->GetPaintWidget()->GetDisplayImage();
        QVERIFY(shown);
        QCOMPARE(shown->size(), QSize(5, 8));
        QCOMPARE(qGray(shown->pixel(2, 0)), 255);
        QCOMPARE(qGray(shown->pixel(2, 7)), 0);
        for (int row = 1; row < 8; ++row)
            QVERIFY(qGray(shown->pixel(2, row)) < qGray(shown->pixel(2, row - 1)));
    }

    void zoomNotches_data()
    {
        QTest::addColumn<float>("start");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("events");
        QTest::addColumn<float>("zoom");
        QTest::addColumn<int>("spin");
        QTest::newRow("three notches up") << 1.0f << 120 << 3 << 1.75f << 175;
        QTest::newRow("at the top") << 6.0f << 120 << 1 << 6.0f << 600;
        QTest::newRow("at the bottom") << 0.25f << -120 << 1 << 0.25f << 25;
        QTest::newRow("two notches down") << 1.0f << -120 << 2 << 0.5f << 50;
        QTest::newRow("half a notch") << 1.0f << 60 << 1 << 1.125f << 112;
    }
    void zoomNotches()
    {
        QFETCH(float, start);
        QFETCH(int, delta);
        QFETCH(int, events);
        QFETCH(float, zoom);
        QFETCH(int, spin);
        SliceView* view = OpenView(MakeStack(40, 20, 3, Distinct));
        view->SetZoom(start, true);
        view->RescaleImage();
        view->SetWheelAction(new LinearView::ZoomWheelAction);
        const int slice = view->GetCurrentIndex();
        for (int i = 0; i < events; ++i) {
            QWheelEvent event = Wheel(delta);
            QApplication::sendEvent(view->GetPaintWidget(), &event);
        }
        QCOMPARE(view->GetZoom(), zoom);
        QCOMPARE(view->GetPaintWidget()->GetZoom(), zoom);
        QCOMPARE(view->GetSliderZoomWidget()->GetZoomSpinBox()->value(), spin);
        QCOMPARE(view->GetPaintWidget()->GetDisplayImage()->size(), QSize(int(40 * zoom), int(20 * zoom)));
        QCOMPARE(view->GetPaintWidget()->GetCenter(), QPointF(0.5, 0.5));
        QCOMPARE(view->GetCurrentIndex(), slice); // zooming leaves the slice
    }

    void setZoomClamps_data()
    {
        QTest::addColumn<float>("requested");
        QTest::addColumn<float>("zoom");
        QTest::addColumn<int>("spin");
        QTest::newRow("too small") << 0.1f << 0.25f << 25;
        QTest::newRow("too large") << 10.0f << 6.0f << 600;
        QTest::newRow("inside") << 2.5f << 2.5f << 250;
    }
    void setZoomClamps()
    {
        QFETCH(float, requested);
        QFETCH(float, zoom);
        QFETCH(int, spin);
        SliceView view;
        view.SetZoom(requested, true);
        QCOMPARE(view.GetZoom(), zoom);
        QCOMPARE(view.GetSliderZoomWidget()->GetZoomSpinBox()->value(), spin);
        // Without the request the spin box stays.
        view.SetZoom(1.0f, false);
        QCOMPARE(view.GetZoom(), 1.0f);
        QCOMPARE(view.GetSliderZoomWidget()->GetZoomSpinBox()->value(), spin);
    }

    void spinBoxSetsZoom()
    {
        SliceView* view = OpenView(MakeStack(30, 10, 1, Distinct));
        QSpinBox* spin = view->GetSliderZoomWidget()->GetZoomSpinBox();
        QCOMPARE(spin->value(), 100);
        spin->setValue(250);
        QCOMPARE(view->GetZoom(), 2.5f);
        QCOMPARE(view->GetPaintWidget()->GetZoom(), 2.5f);
        QCOMPARE(view->GetPaintWidget()->GetDisplayImage()->size(), QSize(75, 25));
        QCOMPARE(view->GetUnscaledImage().size(), QSize(30, 10));
        // The picture is the slice scaled as the views pick pixels (held to the widget elsewhere).
        QCOMPARE(*view->GetPaintWidget()->GetDisplayImage(), ScaleForDisplay(view->GetUnscaledImage(), 2.5f));
    }

    // A pan made with the drag overlay stays while zoom and slice size stay, and starts again
    // from the middle when either changes.
    void panLastsForOneZoomAndSliceSize_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("kept");
        QTest::newRow("repaint") << "repaint" << true;
        QTest::newRow("slice of the same size") << "slice" << true;
        QTest::newRow("wheel past the largest zoom") << "limit" << true;
        QTest::newRow("zoom") << "zoom" << false;
        QTest::newRow("slice of another size") << "size" << false;
        QTest::newRow("widget grown past the picture") << "grow" << false;
    }
    void panLastsForOneZoomAndSliceSize()
    {
        QFETCH(QString, change);
        QFETCH(bool, kept);
        // Slices 0 to 2 are 100 x 80, slice 3 is 120 x 80; the view opens at slice 1.
        std::unique_ptr<ImageStack> stack = MakeStack(100, 80, 3, Distinct);
        stack->AppendImage(Image::FromType(120, 80, Image::USHORT, RATIONAL(1, 1), RATIONAL(1, 1), "px"));
        SliceView* view = OpenView(std::move(stack));
        PaintWidget* paint = view->GetPaintWidget();
        paint->resize(200, 150);
        view->SetZoom(6.0f, true);
        view->RescaleImage();
        QCOMPARE(paint->GetCenter(), QPointF(0.5, 0.5));
        QCOMPARE(paint->GetDisplayImage()->size(), QSize(600, 480));

        // Drag the picture 40 pixels left and 30 up: the widget shows more of its right and top.
        SendMouse(paint, QEvent::MouseButtonPress, QPoint(100, 75));
        SendMouse(paint, QEvent::MouseMove, QPoint(60, 45));
        SendMouse(paint, QEvent::MouseButtonRelease, QPoint(60, 45));
        const QPointF panned(0.5 + 40.0 / 600.0, 0.5 + 30.0 / 480.0);
        QCOMPARE(paint->GetCenter(), panned);
        const QPoint offset = paint->GetOffset();
        QCOMPARE(offset, QPoint(100 - 300 - 40, 75 - 240 - 30));

        if (change == "repaint") {
            view->Refresh();
            view->UpdateOffsets();
            paint->repaint();
        } else if (change == "slice") {
            view->GetSlider()->setValue(2);
            QCOMPARE(*paint->GetDisplayImage(), ScaleForDisplay(view->GetUnscaledImage(), 6.0f));
        } else if (change == "limit") {
            view->SetWheelAction(new LinearView::ZoomWheelAction);
            QWheelEvent event = Wheel(120);
            QApplication::sendEvent(paint, &event);
            QCOMPARE(view->GetZoom(), 6.0f);
        } else if (change == "zoom") {
            view->GetSliderZoomWidget()->GetZoomSpinBox()->setValue(500);
        } else if (change == "grow") {
            QResizeEvent grown(QSize(800, 600), paint->size());
            paint->resize(800, 600);
            QApplication::sendEvent(paint, &grown); // a hidden widget gets it only when shown
        } else {
            view->GetSlider()->setValue(3);
            QCOMPARE(paint->GetDisplayImage()->size(), QSize(720, 480));
        }
        if (kept) {
            QCOMPARE(paint->GetCenter(), panned);
            QCOMPARE(paint->GetOffset(), offset);
        } else {
            QCOMPARE(paint->GetCenter(), QPointF(0.5, 0.5));
        }
    }

    void sliderWheel_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("expected");
        QTest::newRow("up") << 4 << 120 << 5;
        QTest::newRow("down") << 4 << -120 << 3;
        QTest::newRow("one step for a big delta") << 4 << 480 << 5;
        QTest::newRow("last slice stays") << 9 << 120 << 9;
        QTest::newRow("first slice stays") << 0 << -120 << 0;
        QTest::newRow("horizontal only") << 4 << 0 << 4;
    }
    void sliderWheel()
    {
        QFETCH(int, start);
        QFETCH(int, delta);
        QFETCH(int, expected);
        ImageStack* stack = nullptr;
        SliceView* view = OpenView(MakeStack(8, 8, 10, Distinct), &stack);
        QVERIFY(dynamic_cast<LinearView::SliderWheelAction*>(view->GetWheelAction()));
        view->GetSlider()->setValue(start);
        QWheelEvent event = Wheel(delta);
        QApplication::sendEvent(view->GetPaintWidget(), &event);
        QCOMPARE(view->GetSlider()->value(), expected);
        QCOMPARE(*view->GetPaintWidget()->GetDisplayImage(), stack->GetImage(uint32_t(expected))->ToQImage(0, 45.0));

        // "Do nothing" does nothing.
        view->SetWheelAction(new LinearView::WheelAction);
        QApplication::sendEvent(view->GetPaintWidget(), &event);
        QCOMPARE(view->GetSlider()->value(), expected);
        QCOMPARE(view->GetZoom(), 1.0f);
    }

    void removingTheRelationRemovesTheView()
    {
        SliceView* view = OpenView(MakeStack(8, 8, 3, Distinct));
        LVXObjectWidget* viewWidget = window->FindObjectWidget(view);
        QVERIFY(viewWidget);
        Relation* relation = viewWidget->FindRelation(LVX::RelationSource);
        QVERIFY(relation);
        QCOMPARE(relation->GetOther(), view->GetBoundWidget());

        // The controller removes the view as soon as it asks; it asks once the relation is gone.
        QPointer<SliceView> alive(view);
        viewWidget->RemoveRelation(relation);
        QVERIFY(alive);
        QCOMPARE(view->GetBoundWidget(), nullptr);
        const auto registered = [this](LVXObject* object) {
            const std::vector<LVXObject*> objects = app->Objects();
            return std::find(objects.begin(), objects.end(), object) != objects.end();
        };
        QTRY_VERIFY(alive.isNull());
        QTRY_VERIFY(!registered(view));
        QCOMPARE(app->Objects().size(), size_t(1)); // the stack stays
    }

    void removingTheStackRemovesTheView()
    {
        ImageStack* stack = nullptr;
        QPointer<SliceView> view = OpenView(MakeStack(8, 8, 3, Distinct), &stack);
        QVERIFY(view);
        app->removeObject(stack);
        QVERIFY(view);
        QCOMPARE(view->GetStack(), nullptr); // nothing leads to the deleted stack any more
        view->Refresh();
        view->RefreshOverlays();
        QTRY_VERIFY(view.isNull());
        QVERIFY(app->Objects().empty());
    }

    void writeXml()
    {
        SliceView* view = OpenView(MakeStack(8, 8, 10, Distinct));
        view->SetZoom(1.75f, true);
        view->GetSlider()->setValue(7);
        QString text;
        QXmlStreamWriter xml(&text);
        QVERIFY(view->WriteXml(xml));
        xml.writeEndElement();
        QCOMPARE(text,
            QString("<slice_view slider_value=\"7\" zoom=\"1.75\" image_center_x=\"0.5\" "
                    "image_center_y=\"0.5\" name=\"%1\"/>")
                .arg(view->GetName()));
    }

    void valueUnderTheCursor()
    {
        // Pixel (x, y) of slice z holds 1000 z + 10 y + x.
        SliceView* view
            = OpenView(MakeStack(20, 10, 5, [](int x, int y, int z) { return float(1000 * z + 10 * y + x); }));
        PaintWidget* paint = view->GetPaintWidget();
        const QPoint origin = paint->GetOffset(); // the top-left display pixel
        QCOMPARE(view->GetCurrentIndex(), 2);
        // Display row 0 is image row 9.
        QCOMPARE(view->GetValueText(origin), QString("2090"));
        QCOMPARE(view->GetValueText(origin + QPoint(3, 9)), QString("2003"));
        QCOMPARE(view->GetValueText(origin + QPoint(-1, 0)), QString());
        QCOMPARE(view->GetValueText(origin + QPoint(20, 0)), QString());
    }

    void sliceData()
    {
        ImageStack* stack = nullptr;
        SliceView* view = OpenView(MakeStack(8, 6, 10, Distinct), &stack);
        SliceImages data = view->GetSliceData(LVX::XY);
        QVERIFY(data.IsValid());
        QCOMPARE(data.slice, 4u);
        QCOMPARE(data.image, static_cast<const Image*>(stack->GetImage(4)));
        QCOMPARE(data.ddx, static_cast<const Image*>(stack->GetDdx(4)));
        QCOMPARE(data.ddy, static_cast<const Image*>(stack->GetDdy(4)));
        QVERIFY(!view->GetSliceData(LVX::XZ).IsValid());

        QVERIFY(view->IsValidIndex(0, LVX::XY));
        QVERIFY(view->IsValidIndex(9, LVX::XY));
        QVERIFY(!view->IsValidIndex(10, LVX::XY));
        QVERIFY(!view->IsValidIndex(-1, LVX::XY));
        QVERIFY(!view->IsValidIndex(0, LVX::ZY));
        QCOMPARE(view->GetIndex(LVX::XY), 4);
        QCOMPARE(view->GetIndex(LVX::XZ), 0);
    }

    void unboundViewShowsNothing()
    {
        SliceView view;
        view.Refresh();
        view.RescaleImage();
        QCOMPARE(view.GetPaintWidget()->GetDisplayImage(), nullptr);
        QVERIFY(!view.GetSliceData(LVX::XY).IsValid());
        QCOMPARE(view.GetValueText(QPoint(0, 0)), QString());
        QVERIFY(view.GetRgbBuffer().empty());
        // The drag and value overlays are there from the start.
        QCOMPARE(view.GetPaintWidget()->GetOverlays().size(), size_t(2));
    }

    void virtualCopy()
    {
        ImageStack* stack = nullptr;
        SliceView* view = OpenView(MakeStack(10, 8, 10, Distinct), &stack);
        view->SetZoom(2.0f, true);
        view->RescaleImage();
        view->GetSlider()->setValue(6);
        std::unique_ptr<VirtualView> virtualView(view->CreateVirtualView());
        auto* copy = dynamic_cast<VirtualSliceView*>(virtualView.get());
        QVERIFY(copy);
        QCOMPARE(copy->sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
        QCOMPARE(copy->sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
        QPointer<SliceView> inner = copy->GetView();
        QVERIFY(inner);
        QVERIFY(inner.data() != view);
        QCOMPARE(inner->GetZoom(), 2.0f);
        QCOMPARE(inner->GetSliderZoomWidget()->GetZoomSpinBox()->value(), 200);
        QCOMPARE(inner->GetCurrentIndex(), 6);
        QCOMPARE(*inner->GetPaintWidget()->GetDisplayImage(), *view->GetPaintWidget()->GetDisplayImage());
        virtualView.reset();
        QVERIFY(inner.isNull());
    }

    void overlaysFollowTheAttachments()
    {
        OverlayFactory::RegisterMaker(LVX::SplineType,
            [](PaintWidget* widget, Attachment* attachment) { return new NamedOverlay(widget, attachment); });
        ImageStack* stack = nullptr;
        SliceView* view = OpenView(MakeStack(8, 8, 3, Distinct), &stack);
        LVXObjectWidget* stackWidget = view->GetBoundWidget();
        PaintWidget* paint = view->GetPaintWidget();

        auto* shown = app->registerObject(std::make_unique<TestAttachment>("spline", LVX::SplineType));
        auto* plain = app->registerObject(std::make_unique<TestAttachment>("plain", LVX::AttachmentType));
        LVXObjectWidget* shownWidget = window->CreateObjectWidget(shown);
        LVXObjectWidget* plainWidget = window->CreateObjectWidget(plain);
        stackWidget->Attach(shownWidget);
        stackWidget->Attach(plainWidget);
        view->UpdateOverlays();

        // The generic overlays first, then one overlay for the one attachment type with a maker.
        QCOMPARE(paint->GetOverlays().size(), size_t(3));
        auto* overlay = dynamic_cast<NamedOverlay*>(paint->GetOverlays().back().get());
        QVERIFY(overlay);
        QCOMPARE(overlay->GetAttachment(), static_cast<Attachment*>(shown));
        QCOMPARE(overlay->GetName(), QString("spline"));
        QVERIFY(overlay->updates >= 1);

        // Rebuilding reuses it; refreshing reaches it.
        const int updates = overlay->updates;
        view->UpdateOverlays();
        QCOMPARE(paint->GetOverlays().size(), size_t(3));
        QCOMPARE(paint->GetOverlays().back().get(), static_cast<BaseOverlay*>(overlay));
        QCOMPARE(overlay->updates, updates + 1);
        view->RefreshOverlay(shown);
        QCOMPARE(overlay->updates, updates + 2);
        view->GetSlider()->setValue(0);
        QCOMPARE(overlay->updates, updates + 3);

        // A detached attachment loses its overlay; the generic ones stay.
        stackWidget->Detach(shownWidget);
        view->UpdateOverlays();
        QCOMPARE(paint->GetOverlays().size(), size_t(2));
        for (const auto& remaining : paint->GetOverlays())
            QCOMPARE(remaining->GetAttachment(), nullptr);
        OverlayFactory::RegisterMaker(LVX::SplineType, {});
        QVERIFY(!OverlayFactory::HasMaker(LVX::SplineType));
    }

    void controlPanels()
    {
        SliceView* view = OpenView(MakeStack(8, 8, 3, Distinct));
        const std::vector<Control*> panels = view->GetControls();
        QStringList names;
        for (Control* panel : panels)
            names << panel->GetName();
        QCOMPARE(names, QStringList({"Parameters", "Options", "Overlays"}));
        QVERIFY(view->GetControls() == panels); // made once, kept by the view
        auto* overlays = dynamic_cast<ImageViewOverlaysControl*>(panels[2]);
        QVERIFY(overlays);
        QCOMPARE(overlays->GetGroups().size(), size_t(1));
        // The view's button offers the same panels.
        QStringList titles;
        for (const LVXObjectWidget::ControlPanel& panel : window->FindObjectWidget(view)->GetControls()) {
            QVERIFY(std::find(panels.begin(), panels.end(), panel.control) != panels.end());
            titles << panel.title;
        }
        QCOMPARE(titles, names);
    }

    void sliderToolTip()
    {
        SliceView view;
        ToolTipSlider* slider = view.GetSliderZoomWidget()->GetSlider();
        slider->setValue(1);
        QCOMPARE(slider->ToolTipText(), QString("1"));
        slider->SetMapping([](int v) { return v / 3.0; });
        QCOMPARE(slider->ToolTipText(), QString("0.333333"));
    }

private:
    // Registers the stack, creates its button and asks for a slice view as its menu would.
    SliceView* OpenView(std::unique_ptr<ImageStack> stack, ImageStack** registered = nullptr)
    {
        ImageStack* raw = app->registerObject(std::move(stack));
        if (registered)
            *registered = raw;
        LVXObjectWidget* stackWidget = window->CreateObjectWidget(raw);
        app->onContextMenuAction(stackWidget, LVX::NewSliceView);
        for (LVXObject* object : app->Objects())
            if (auto* view = dynamic_cast<SliceView*>(object))
                return view;
        return nullptr;
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScopedPrompter> prompter;
    std::unique_ptr<LumivoxWnd> window;
    std::unique_ptr<App> app;
};

LUMIVOX_REGISTER_TEST(TestSliceView)
#include "TestSliceView.moc"
