#include "TestRegistry.h"

#include "app/Attachment.h"
#include "model/LVXObject.h"
#include "model/Log.h"
#include "ui/LVXObjectWidget.h"
#include "ui/NetworkWidget.h"
#include "views/Control.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QXmlStreamWriter>
#include <QtTest>
#include <memory>

namespace {

// Records what the buttons tell the objects, in order, as "name:Operation".
QStringList* callLog = nullptr;

void Record(const LVXObject* object, const char* operation)
{
    if (callLog)
        callLog->append(object->GetName() + ":" + operation);
}

class TestControl : public Control {
public:
    explicit TestControl(const QString& name) { SetName(name); }
    void onAttach(LVXObjectWidget* stackWidget) override { attachedTo = stackWidget; }
    void onDetach() override { detached = true; }
    LVXObjectWidget* attachedTo = nullptr;
    bool detached = false;
};

class TestObject : public LVXObject {
public:
    TestObject(const QString& name, LVX::ObjectType type, QColor color = QColor(119, 136, 153))
        : LVXObject(name), color(color)
    {
        SetType(type);
    }
    QColor GetColor() const override { return color; }
    void OnAttachmentsChanged() override { Record(this, "OnAttachmentsChanged"); }
    QColor color;
};

class TestAttachment : public Attachment {
public:
    TestAttachment(const QString& name, LVX::ObjectType type) : Attachment(name) { SetType(type); }
    std::vector<Control*> GetControls() override { return {&control}; }
    void OnAttached(LVXObjectWidget* stack) override
    {
        attachedTo = stack;
        Record(this, "OnAttached");
    }
    void OnDetached(LVXObjectWidget*) override { Record(this, "OnDetached"); }
    TestControl control{"Line panel"};
    LVXObjectWidget* attachedTo = nullptr;
};

class RecordingSink : public Log::Sink {
public:
    RecordingSink() : previous(Log::CurrentSink()) { Log::SetSink(this); }
    ~RecordingSink() override { Log::SetSink(previous); }
    void Output(const QString& text, bool) override { lines << text; }
    void Error(const QString& text) override { lines << "ERROR: " + text; }
    void Warning(const QString& text) override { lines << "WARNING: " + text; }
    void ShowProgress() override { }
    void HideProgress() override { }
    void SetProgressText(const QString&) override { }
    void SetProgressBusy() override { }
    void SetProgressMaximum(int) override { }
    void SetProgressValue(int) override { }
    QStringList lines;
    Log::Sink* previous;
};

// The menu as "text=value" per action, "-" per separator and "text>(...)" per submenu; the value
// is what the button reports when the action is triggered.
QString Describe(const QMenu* menu, LVXObjectWidget* widget)
{
    QStringList parts;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            parts << "-";
        } else if (action->menu()) {
            parts << action->text() + ">(" + Describe(action->menu(), widget) + ")";
        } else {
            QList<int> reported;
            const auto connection = QObject::connect(
                widget, &LVXObjectWidget::menuActionTriggered, [&reported](LVX::MenuAction a) { reported << int(a); });
            action->trigger();
            QObject::disconnect(connection);
            parts << action->text() + "=" + (reported.size() == 1 ? QString::number(reported[0]) : "?");
        }
    }
    return parts.join(",");
}

} // namespace

class TestObjectWidget : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        calls.clear();
        callLog = &calls;
    }
    void cleanup() { callLog = nullptr; }

    void contextMenu_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");
        const QString tail = "Duplicate=29,Remove=30";
        QTest::newRow("1 image stack") << 1
                                       << "Views>(SliceView=5,DerivativeView=6,TomogramView=7),"
                                          "Selection>(Select all=11,From attachments=12),"
                                          "Transform>(Scale=21,From spline=22),-,Save=8,Save as...=9,-,"
                + tail;
        QTest::newRow("2 variable stack") << 2
                                          << "Views>(SliceView=5,DerivativeView=6),"
                                             "Selection>(Select all=11,From attachments=12),"
                                             "Transform>(Scale=21),-,Save=8,Save as...=9,-,"
                + tail;
        QTest::newRow("4 simple surface") << 4 << "Flip>(X axis=25,Y axis=26,Z axis=27),Save=8,Save as...=9,-," + tail;
        QTest::newRow("5 shape model") << 5 << "Set ASM search stack=28,Save=8,Save as...=9,-," + tail;
        QTest::newRow("6 builder") << 6 << "Add surface=4," + tail;
        QTest::newRow("8 slice view") << 8 << "3D View=1," + tail;
        QTest::newRow("9 tomogram view") << 9 << "3D View=1,Set fourth panel=2," + tail;
        QTest::newRow("11 3-D view") << 11 << "Screenshot...=24," + tail;
        QTest::newRow("14 contours") << 14 << "3D View=1,To simple surface=10,Save=8,Save as...=9,-," + tail;
        QTest::newRow("15 transforms") << 15
                                       << "3D View=1,Set source=3,Create image stack=23,-,Save=8,Save as...=9,-,"
                + tail;
        QTest::newRow("16 selection") << 16
                                      << "Edit>(Grow=13,Shrink=14,Invert=15,Skeletonize=16,Clear=17),"
                                         "Measure>(Area=18,Volume=19),Histogram=20,"
                + tail;
        QTest::newRow("18 spline") << 18 << "Save=8,Save as...=9,-," + tail;
        for (int type : {0, 3, 7, 10, 12, 13, 17, 19, 20})
            QTest::newRow(qPrintable(QString("%1 nothing else").arg(type))) << type << tail;
    }
    void contextMenu()
    {
        QFETCH(int, type);
        QFETCH(QString, expected);
        TestObject object("Object1", LVX::ObjectType(type));
        LVXObjectWidget widget(&object, nullptr);
        QMenu* menu = widget.BuildContextMenu();
        QCOMPARE(widget.GetContextMenu(), menu);
        QCOMPARE(Describe(menu, &widget), expected);

        // Only "Remove" carries an icon: the shared delete icon.
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.last()->text(), QString("Remove"));
        QVERIFY(!actions.last()->icon().isNull());
        for (int i = 0; i + 1 < actions.size(); ++i)
            QVERIFY2(actions[i]->icon().isNull(), qPrintable(actions[i]->text()));
    }

    void contextMenuIsBuiltFreshEachTime()
    {
        TestObject object("Stack1", LVX::ImageStackType);
        LVXObjectWidget widget(&object, nullptr);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), widget.mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(&widget, &event);
        QPointer<QMenu> first = widget.GetContextMenu();
        QPointer<QAction> firstRemove = first->actions().last();
        first->hide();
        QApplication::sendEvent(&widget, &event);
        QVERIFY(first.isNull());
        QVERIFY(firstRemove.isNull());
        QMenu* second = widget.GetContextMenu();
        QVERIFY(second);
        second->hide();
        // One report per trigger: nothing of the first menu is still connected.
        int reports = 0;
        connect(&widget, &LVXObjectWidget::menuActionTriggered, [&reports] { ++reports; });
        second->actions().last()->trigger();
        QCOMPARE(reports, 1);
    }

    void textShowsChangedState()
    {
        TestObject object("Stack1", LVX::ImageStackType);
        LVXObjectWidget widget(&object, nullptr);
        QCOMPARE(widget.text(), QString("Stack1*"));
        QVERIFY(widget.isCheckable());
        object.SetChanged(false);
        widget.RefreshText();
        QCOMPARE(widget.text(), QString("Stack1"));
        object.SetChanged(true);
        widget.RefreshText();
        QCOMPARE(widget.text(), QString("Stack1*"));
    }

    void styleSheet_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QString>("expected");
        // The darker colours are Qt's darker(150) of the button colours.
        const auto style = [](const char* color, const char* darker) {
            return QString("QPushButton {background-color: %1;border-radius: 5px;border-width: 2px;"
                           "border-style: solid;border-color: %1;padding: 6px;font: bold;color: white;}"
                           "QPushButton:checked{border-color: %2}"
                           "QPushButton:pressed{border-color: %2}")
                .arg(color, darker);
        };
        QTest::newRow("default") << QColor(119, 136, 153) << style("#778899", "#4f5b66");
        QTest::newRow("matrix") << QColor(0, 100, 200) << style("#0064c8", "#004385");
    }
    void styleSheet()
    {
        QFETCH(QColor, color);
        QFETCH(QString, expected);
        TestObject object("Matrix1", LVX::MatrixWrapType, color);
        LVXObjectWidget widget(&object, nullptr);
        QCOMPARE(widget.GetColor(), color);
        QCOMPARE(widget.styleSheet(), expected);
    }

    void attachPlacesBelowAndMovesOthersDown()
    {
        TestObject stack("Stack1", LVX::ImageStackType);
        TestAttachment line1("Line1", LVX::LineType);
        TestAttachment line2("Line2", LVX::LineType);
        NetworkWidget network(nullptr);
        LVXObjectWidget* stackWidget = network.AddObjectWidget(&stack, QPoint(20, 30));
        LVXObjectWidget* first = network.AddObjectWidget(&line1, QPoint(300, 300));
        LVXObjectWidget* second = network.AddObjectWidget(&line2, QPoint(300, 400));
        QSignalSpy changed(stackWidget, &LVXObjectWidget::attachmentsChanged);

        stackWidget->Attach(first);
        QCOMPARE(first->pos(), QPoint(20, 30 + stackWidget->height()));
        QCOMPARE(line1.GetParent(), stackWidget);
        QCOMPARE(line1.attachedTo, stackWidget);
        QCOMPARE(line1.control.attachedTo, stackWidget);
        QCOMPARE(changed.count(), 1);

        stackWidget->Attach(second);
        QCOMPARE(second->pos(), QPoint(20, 30 + stackWidget->height()));
        QCOMPARE(first->pos(), QPoint(20, 30 + stackWidget->height() + second->height()));
        QCOMPARE(stackWidget->GetAttachments(), std::deque<LVXObjectWidget*>({second, first}));
        QCOMPARE(changed.count(), 2);

        // A second attach of the same button changes nothing.
        stackWidget->Attach(second);
        QCOMPARE(stackWidget->GetAttachments().size(), size_t(2));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(calls, QStringList({"Line1:OnAttached", "Line2:OnAttached"}));

        stackWidget->Detach(first);
        QCOMPARE(stackWidget->GetAttachments(), std::deque<LVXObjectWidget*>({second}));
        QCOMPARE(line1.GetParent(), nullptr);
        QVERIFY(line1.control.detached);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(calls.last(), QString("Line1:OnDetached"));
    }

    void attachingANonAttachmentIsRefused()
    {
        RecordingSink sink;
        TestObject stack("Stack1", LVX::ImageStackType);
        TestObject surface("Surface1", LVX::SimpleSurfaceType);
        NetworkWidget network(nullptr);
        LVXObjectWidget* stackWidget = network.AddObjectWidget(&stack, QPoint(20, 30));
        LVXObjectWidget* other = network.AddObjectWidget(&surface, QPoint(200, 200));
        QSignalSpy changed(stackWidget, &LVXObjectWidget::attachmentsChanged);
        stackWidget->Attach(other);
        QVERIFY(stackWidget->GetAttachments().empty());
        QCOMPARE(other->pos(), QPoint(200, 200));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(sink.lines, QStringList({"ERROR: Attempting to attach an object of non-attachment type 4"}));
    }

    void writeXmlAttributes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("expected");
        QTest::newRow("with file") << "/data/stacks/stack.tif" << true
                                   << "<image_stack id=\"7\" src=\"/data/stacks/stack.tif\" checked=\"1\" "
                                      "xpos=\"15\" ypos=\"25\"/><next/>";
        QTest::newRow("without file") << QString() << false
                                      << "<image_stack id=\"7\" src=\"\" checked=\"0\" xpos=\"15\" ypos=\"25\"/>"
                                         "<next/>";
    }
    void writeXmlAttributes()
    {
        QFETCH(QString, file);
        QFETCH(bool, checked);
        QFETCH(QString, expected);
        TestObject object("stack.tif", LVX::ImageStackType);
        object.SetId(7);
        if (!file.isEmpty())
            object.SetFile(QFileInfo(file));
        NetworkWidget network(nullptr);
        LVXObjectWidget* widget = network.AddObjectWidget(&object, QPoint(15, 25));
        widget->setChecked(checked);
        QString text;
        QXmlStreamWriter xml(&text);
        xml.writeStartElement("image_stack");
        widget->WriteXmlAttributes(xml);
        // The element is closed: the next one is a sibling.
        xml.writeEmptyElement("next");
        xml.writeEndDocument();
        QCOMPARE(text.trimmed(), expected);
    }

private:
    QStringList calls;
};

LUMIVOX_REGISTER_TEST(TestObjectWidget)
#include "TestObjectWidget.moc"
