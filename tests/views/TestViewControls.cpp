#include "ScriptedPrompter.h"
#include "TestRegistry.h"

#include "app/Resources.h"
#include "attachments/Line.h"
#include "model/Settings.h"
#include "views/ColorPreviewWidget.h"
#include "views/ImageViewOverlaysControl.h"
#include "views/ImageViewParametersControl.h"
#include "views/LineOverlay.h"
#include "views/LineTool.h"
#include "views/LinearViewOptionsControl.h"
#include "views/LinearViewParametersControl.h"
#include "views/OverlaysControlWidget.h"
#include "views/PaintWidget.h"
#include "views/RectangleTool.h"
#include "views/SliceView.h"
#include "views/ToolTipSlider.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// Texts of the widgets of a type under a parent, in creation order.
template <class T> QStringList Texts(const QWidget* parent)
{
    QStringList texts;
    for (const T* widget : parent->findChildren<T*>())
        texts << widget->text();
    return texts;
}

QStringList Titles(const QWidget* parent)
{
    QStringList titles;
    for (const QGroupBox* group : parent->findChildren<QGroupBox*>())
        titles << group->title();
    return titles;
}

// The overlay colour lines of a settings file, as "key=value"; none while there is no file.
QStringList ColorLines(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {"<unreadable>"};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
        if (line.startsWith("overlay"))
            lines << line.trimmed();
    return lines;
}

// A tool that says which one it is.
class MarkedTool : public PaintWidgetTool::Base {
public:
    Base* Clone() const override { return new MarkedTool(*this); }
};

} // namespace

class TestViewControls : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        settingsPath = dir->filePath("lumivox.ini");
        Settings::Load(settingsPath);
        prompter = std::make_unique<ScopedPrompter>();
        view = std::make_unique<SliceView>();
    }
    void cleanup()
    {
        ImageViewParametersControl::SetSplineToolMaker({});
        view.reset();
        prompter.reset();
        dir.reset();
    }

    // --- colour buttons ---

    void colorStyleSheet_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QString>("styleSheet");
        const QString sheet = "QPushButton {background-color: %1;border-width: 1px;border-style: solid;border-color: "
                              "black;padding: 6px;font: bold;color: white;}";
        QTest::newRow("default blue") << QColor(0, 0, 192) << sheet.arg("#0000c0");
        QTest::newRow("hover green") << QColor(0, 192, 0) << sheet.arg("#00c000");
    }
    void colorStyleSheet()
    {
        QFETCH(QColor, color);
        QFETCH(QString, styleSheet);
        ColorPreviewWidget button(color, "Default");
        QCOMPARE(button.styleSheet(), styleSheet);
        QCOMPARE(ColorPreviewWidget::StyleSheet(color), styleSheet);
        QCOMPARE(button.text(), QString("Default"));
        QCOMPARE(button.GetColor(), color);
    }

    void colorDialogAnswerBecomesTheColor_data()
    {
        QTest::addColumn<QColor>("answer"); // invalid: the dialog is cancelled
        QTest::newRow("chosen") << QColor(200, 100, 50);
        QTest::newRow("cancelled") << QColor();
    }
    void colorDialogAnswerBecomesTheColor()
    {
        QFETCH(QColor, answer);
        ColorPreviewWidget button(QColor(10, 20, 30), "Hover");
        QSignalSpy changed(&button, &ColorPreviewWidget::colorChanged);
        if (answer.isValid())
            (*prompter)->AddColor(answer);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE((*prompter)->Count(ScriptedPrompter::Kind::Color), 1);
        QCOMPARE((*prompter)->Last().title, QString("Color picker"));
        QCOMPARE((*prompter)->Last().initial, QString("#0a141e"));
        const QColor color = answer.isValid() ? answer : QColor(10, 20, 30);
        QCOMPARE(button.GetColor(), color);
        QCOMPARE(button.styleSheet(), ColorPreviewWidget::StyleSheet(color));
        QCOMPARE(changed.count(), answer.isValid() ? 1 : 0);
        if (answer.isValid())
            QCOMPARE(changed.at(0).at(0).value<QColor>(), answer);
    }

    // --- parameters panel ---

    void parametersPanelLayout()
    {
        LinearViewParametersControl panel(view.get());
        QCOMPARE(panel.GetName(), QString("Parameters"));
        QCOMPARE(panel.GetToolsGroup()->title(), QString("Tools"));
        QCOMPARE(panel.GetColorsGroup()->title(), QString("Overlay colors"));
        QCOMPARE(Texts<ColorPreviewWidget>(panel.GetColorsGroup()), (QStringList{"Default", "Selected", "Hover"}));
        QCOMPARE(panel.GetSliderLabel()->text(), QString("Image number"));
        QVERIFY(Titles(&panel).contains("Tools"));

        const char* icons[] = {"cursor.png", "line.png", "rectangle.png", "spline.png"};
        QCOMPARE(panel.GetToolButtons()->buttons().size(), 4);
        for (int tool = 0; tool < 4; ++tool) {
            QPushButton* button = panel.GetToolButton(ImageViewParametersControl::Tool(tool));
            QVERIFY(button->isCheckable());
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->icon().cacheKey(), Resources::Icon(icons[tool]).cacheKey());
        }
        QVERIFY(panel.GetToolButtons()->exclusive());
        QVERIFY(panel.GetToolButton(ImageViewParametersControl::PointerTool)->isChecked());
    }

    void colorButtonsShowTheSettings()
    {
        Settings::Values().colors.overlayDefaultColor = QColor(1, 2, 3);
        Settings::Values().colors.overlaySelectedColor = QColor(4, 5, 6);
        Settings::Values().colors.overlayHoverColor = QColor(7, 8, 9);
        ImageViewParametersControl panel(view.get());
        QCOMPARE(panel.GetDefaultColorButton()->GetColor(), QColor(1, 2, 3));
        QCOMPARE(panel.GetSelectedColorButton()->GetColor(), QColor(4, 5, 6));
        QCOMPARE(panel.GetHoverColorButton()->GetColor(), QColor(7, 8, 9));
    }

    void colorChangeWritesTheThreeSettings_data()
    {
        QTest::addColumn<int>("button"); // 0 default, 1 selected, 2 hover
        QTest::newRow("default") << 0;
        QTest::newRow("selected") << 1;
        QTest::newRow("hover") << 2;
    }
    void colorChangeWritesTheThreeSettings()
    {
        QFETCH(int, button);
        ImageViewParametersControl panel(view.get());
        ColorPreviewWidget* buttons[]
            = {panel.GetDefaultColorButton(), panel.GetSelectedColorButton(), panel.GetHoverColorButton()};
        QCOMPARE(ColorLines(settingsPath), QStringList());
        (*prompter)->AddColor(QColor(0x11, 0x22, 0x33));
        QTest::mouseClick(buttons[button], Qt::LeftButton);
        // All three are written, the two others with their defaults.
        QStringList lines{"overlayDefaultColor=#0000c0", "overlaySelectedColor=#c0c000", "overlayHoverColor=#00c000"};
        lines[button] = lines[button].section('=', 0, 0) + "=#112233";
        QCOMPARE(ColorLines(settingsPath), lines);
        const Settings::Colors& colors = Settings::Values().colors;
        const QColor values[] = {colors.overlayDefaultColor, colors.overlaySelectedColor, colors.overlayHoverColor};
        QCOMPARE(values[button], QColor(0x11, 0x22, 0x33));
    }

    void cancelledColorWritesNothing()
    {
        ImageViewParametersControl panel(view.get());
        QTest::mouseClick(panel.GetSelectedColorButton(), Qt::LeftButton);
        QCOMPARE(ColorLines(settingsPath), QStringList());
        QCOMPARE(Settings::Values().colors.overlaySelectedColor, QColor(192, 192, 0));
    }

    void toolButtonsAreExclusiveAndSetTheTool()
    {
        LinearViewParametersControl panel(view.get());
        PaintWidget* widget = view->GetPaintWidget();
        QTest::mouseClick(panel.GetToolButton(ImageViewParametersControl::LineTool), Qt::LeftButton);
        QVERIFY(dynamic_cast<PaintWidgetTool::Line*>(widget->GetTool()));
        QTest::mouseClick(panel.GetToolButton(ImageViewParametersControl::RectangleTool), Qt::LeftButton);
        QStringList checked;
        for (int tool = 0; tool < 4; ++tool)
            checked << (panel.GetToolButton(ImageViewParametersControl::Tool(tool))->isChecked() ? "x" : "-");
        QCOMPARE(checked, (QStringList{"-", "-", "x", "-"}));
        QVERIFY(dynamic_cast<PaintWidgetTool::Rectangle*>(widget->GetTool()));
        QCOMPARE(widget->GetTool()->GetPaintWidget(), widget);

        QTest::mouseClick(panel.GetToolButton(ImageViewParametersControl::PointerTool), Qt::LeftButton);
        QVERIFY(panel.GetToolButton(ImageViewParametersControl::PointerTool)->isChecked());
        QVERIFY(!panel.GetToolButton(ImageViewParametersControl::RectangleTool)->isChecked());
        QCOMPARE(widget->GetTool(), nullptr);
    }

    void splineButtonUsesTheInstalledTool()
    {
        ImageViewParametersControl panel(view.get());
        PaintWidget* widget = view->GetPaintWidget();
        QTest::mouseClick(panel.GetToolButton(ImageViewParametersControl::LineTool), Qt::LeftButton);
        QTest::mouseClick(panel.GetToolButton(ImageViewParametersControl::SplineTool), Qt::LeftButton);
        QCOMPARE(widget->GetTool(), nullptr); // no spline tool yet: the pointer
        ImageViewParametersControl::SetSplineToolMaker([] { return new MarkedTool; });
        QTest::mouseClick(panel.GetToolButton(ImageViewParametersControl::SplineTool), Qt::LeftButton);
        QVERIFY(dynamic_cast<MarkedTool*>(widget->GetTool()));
    }

    void toolRequestsCarryNewTools()
    {
        ImageViewParametersControl panel(nullptr);
        std::vector<std::unique_ptr<PaintWidgetTool::Base>> received;
        connect(&panel, &ImageViewParametersControl::setToolRequested, this,
            [&received](PaintWidgetTool::Base* tool) { received.emplace_back(tool); });
        for (int tool : {1, 2, 0, 1})
            QTest::mouseClick(panel.GetToolButton(ImageViewParametersControl::Tool(tool)), Qt::LeftButton);
        QCOMPARE(received.size(), size_t(4));
        QVERIFY(dynamic_cast<PaintWidgetTool::Line*>(received[0].get()));
        QVERIFY(dynamic_cast<PaintWidgetTool::Rectangle*>(received[1].get()));
        QCOMPARE(received[2].get(), nullptr);
        QVERIFY(dynamic_cast<PaintWidgetTool::Line*>(received[3].get()));
        QVERIFY(received[3].get() != received[0].get()); // a new tool every time
    }

    void imageNumberSliderFollowsTheView()
    {
        ToolTipSlider* own = view->GetSlider();
        own->setRange(0, 9);
        own->setValue(4);
        LinearViewParametersControl panel(view.get());
        ToolTipSlider* slider = panel.GetSlider();
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 9);
        QCOMPARE(slider->value(), 4);

        own->setValue(7);
        QCOMPARE(slider->value(), 7);
        own->setRange(0, 5);
        QCOMPARE(slider->maximum(), 5);
        QCOMPARE(slider->value(), 5);

        slider->setValue(2);
        QCOMPARE(own->value(), 2);
        QCOMPARE(view->GetCurrentIndex(), 2);
    }

    // --- options panel ---

    void optionsPanelLayout()
    {
        LinearViewOptionsControl panel(view.get());
        QCOMPARE(panel.GetName(), QString("Options"));
        QCOMPARE(panel.GetActionsGroup()->title(), QString("Actions"));
        QCOMPARE(panel.GetWheelLabel()->text(), QString("On mouse wheel"));
        QComboBox* box = panel.GetWheelComboBox();
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, (QStringList{"Do nothing", "Move slider", "Zoom"}));
        QCOMPARE(box->currentIndex(), 1);
    }

    void wheelChoiceSetsTheViewsAction_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("action");
        QTest::newRow("do nothing") << 0 << "nothing";
        QTest::newRow("zoom") << 2 << "zoom";
    }
    void wheelChoiceSetsTheViewsAction()
    {
        QFETCH(int, index);
        QFETCH(QString, action);
        LinearViewOptionsControl panel(view.get());
        panel.GetWheelComboBox()->setCurrentIndex(index);
        const auto name = [this] {
            LinearView::WheelAction* current = view->GetWheelAction();
            if (dynamic_cast<LinearView::ZoomWheelAction*>(current))
                return QString("zoom");
            if (dynamic_cast<LinearView::SliderWheelAction*>(current))
                return QString("slider");
            return QString(current ? "nothing" : "null");
        };
        QCOMPARE(name(), action);
        panel.GetWheelComboBox()->setCurrentIndex(1);
        QCOMPARE(name(), QString("slider"));
    }

    // --- overlays panel ---

    void overlaysPanelGroups()
    {
        ImageViewOverlaysControl panel;
        QCOMPARE(panel.GetName(), QString("Overlays"));
        OverlaysControlWidget* untitled = panel.AddPaintWidget(view->GetPaintWidget());
        SliceView other;
        OverlaysControlWidget* titled = panel.AddPaintWidget(other.GetPaintWidget(), "XY plane");
        QCOMPARE(panel.GetGroups().size(), size_t(2));
        QCOMPARE(untitled->title(), QString());
        QCOMPARE(titled->title(), QString("XY plane"));
        QCOMPARE(untitled->GetPaintWidget(), view->GetPaintWidget());
    }

    void overlayRowsFollowTheOverlays()
    {
        PaintWidget* widget = view->GetPaintWidget();
        OverlaysControlWidget rows(widget, QString());
        const int generic = int(widget->GetOverlays().size());
        QCOMPARE(rows.RowCount(), generic);
        for (const auto& overlay : widget->GetOverlays()) {
            QCOMPARE(rows.LabelOf(overlay.get())->text(), overlay->GetName());
            QVERIFY(rows.CheckBoxOf(overlay.get())->isChecked());
        }

        Att::Line line(Point3D(1, 1, 0), Point3D(5, 5, 0));
        line.SetName("Line4");
        auto* overlay = new LineOverlay(widget, &line);
        widget->PushBackOverlay(overlay, true);
        QCOMPARE(rows.RowCount(), generic + 1);
        QCOMPARE(rows.LabelOf(overlay)->text(), QString("Line4"));
        QVERIFY(rows.CheckBoxOf(overlay)->isChecked());

        overlay->SetVisible(false);
        QVERIFY(!rows.CheckBoxOf(overlay)->isChecked());

        widget->RemoveOverlay(overlay);
        QCOMPARE(rows.RowCount(), generic);
        QCOMPARE(rows.CheckBoxOf(overlay), nullptr);
        QCOMPARE(rows.findChildren<QCheckBox*>().size(), generic);
    }

    void hiddenOverlayIsNeitherDrawnNorHit()
    {
        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(Qt::white);
        PaintWidget* widget = view->GetPaintWidget();
        widget->SetDisplayImage(&picture);
        widget->resize(picture.size());
        widget->UpdateOffsets();
        Att::Line line(Point3D(10, 10, 0), Point3D(40, 10, 0));
        auto* overlay = new LineOverlay(widget, &line);
        widget->PushBackOverlay(overlay, true);
        OverlaysControlWidget rows(widget, QString());
        const QPoint end = widget->ImageToWidget(QPoint(40, 10));
        const QColor lineColor = Settings::Values().colors.overlayDefaultColor;
        QCOMPARE(widget->RenderDisplay().pixelColor(end), lineColor);

        rows.CheckBoxOf(overlay)->click();
        QVERIFY(!overlay->IsVisible());
        QCOMPARE(widget->RenderDisplay().pixelColor(end), QColor(Qt::white));
        QTest::mousePress(widget, Qt::LeftButton, {}, end);
        QVERIFY(widget->GetDraggedOverlay() != overlay);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, end);

        rows.CheckBoxOf(overlay)->click();
        QVERIFY(overlay->IsVisible());
        QCOMPARE(widget->RenderDisplay().pixelColor(end), lineColor);
        QTest::mousePress(widget, Qt::LeftButton, {}, end);
        QCOMPARE(widget->GetDraggedOverlay(), overlay);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, end);
        widget->SetDisplayImage(nullptr);
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString settingsPath;
    std::unique_ptr<ScopedPrompter> prompter;
    std::unique_ptr<SliceView> view;
};

LUMIVOX_REGISTER_TEST(TestViewControls)
#include "TestViewControls.moc"
