#include "ScriptedPrompter.h"
#include "TestRegistry.h"

#include "app/Attachment.h"
#include "app/Relation.h"
#include "model/LVXObject.h"
#include "model/Settings.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/NetworkWidget.h"
#include "views/View.h"

#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <QtTest>
#include <memory>

namespace {

class NetObject : public LVXObject {
public:
    NetObject(const QString& name, LVX::ObjectType type, QColor color = QColor(119, 136, 153))
        : LVXObject(name), color(color)
    {
        SetType(type);
    }
    QColor GetColor() const override { return color; }
    void SetFlag(bool on) override { flag = on; }
    QColor color;
    bool flag = false;
};

class NetAttachment : public Attachment {
public:
    explicit NetAttachment(const QString& name) : Attachment(name) { SetType(LVX::LineType); }
};

class NetView : public View {
public:
    explicit NetView(const QString& name) : View(name) { SetType(LVX::SliceViewType); }
};

// A mouse move with the left button held (or none), delivered to a widget at a point of the
// network pane.
void Move(QWidget* receiver, NetworkWidget* network, const QPoint& networkPoint, bool leftHeld)
{
    const QPoint local = receiver == network ? networkPoint : receiver->mapFrom(network, networkPoint);
    QMouseEvent event(QEvent::MouseMove, local, receiver->mapToGlobal(local), Qt::NoButton,
        leftHeld ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &event);
}

} // namespace

class TestNetworkWidget : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(settingsDir.isValid());
        Settings::Load(settingsDir.filePath("lumivox.ini"));
        prompter = std::make_unique<ScopedPrompter>();
        window = std::make_unique<LumivoxWnd>();
        window->resize(1000, 800);
        window->show();
        network = window->GetNetwork();
    }
    void cleanup()
    {
        window.reset();
        objects.clear();
        prompter.reset();
    }

    void placement()
    {
        NetObject& b = Make<NetObject>("Stack2", LVX::ImageStackType);
        NetObject& c = Make<NetObject>("SliceView1", LVX::SliceViewType);
        LVXObjectWidget* first = Button<NetObject>(QPoint(), "Stack1", LVX::ImageStackType);
        QCOMPARE(first->pos(), QPoint(10, 10));
        LVXObjectWidget* second = window->CreateObjectWidget(&b);
        QCOMPARE(second->pos(), QPoint(10, 10 + first->height() + 10));
        LVXObjectWidget* next = window->CreateObjectWidgetNextTo(&c, first);
        QCOMPARE(next->pos(), QPoint(10 + first->width() + 50, 10));
        QCOMPARE(window->CreateObjectWidget(&c, QPoint(333, 44))->pos(), QPoint(333, 44));
        QCOMPARE(window->FindObjectWidget(&b), second);
        QCOMPARE(window->GetObjectWidgets(LVX::ImageStackType), QList<LVXObjectWidget*>({first, second}));
    }

    void dockingZone_data()
    {
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<bool>("inside");
        // A stack button at (100, 100), 80 x 30: the zone runs from (90, 120) to (189, 169).
        QTest::newRow("10 left") << QPoint(90, 140) << true;
        QTest::newRow("11 left") << QPoint(89, 140) << false;
        QTest::newRow("top edge") << QPoint(120, 120) << true;
        QTest::newRow("above top") << QPoint(120, 119) << false;
        QTest::newRow("right edge") << QPoint(189, 169) << true;
        QTest::newRow("past right") << QPoint(190, 140) << false;
        QTest::newRow("past bottom") << QPoint(120, 170) << false;
    }
    void dockingZone()
    {
        QFETCH(QPoint, cursor);
        QFETCH(bool, inside);
        QCOMPARE(NetworkWidget::InDockingZone(QRect(100, 100, 80, 30), cursor), inside);
    }

    void draggedAttachmentDocks_data()
    {
        QTest::addColumn<int>("leftOfStack");
        QTest::addColumn<bool>("docks");
        QTest::newRow("10 pixels left") << 10 << true;
        QTest::newRow("11 pixels left") << 11 << false;
    }
    void draggedAttachmentDocks()
    {
        QFETCH(int, leftOfStack);
        QFETCH(bool, docks);
        LVXObjectWidget* stackWidget = Button<NetObject>(QPoint(100, 100), "Stack1", LVX::ImageStackType);
        LVXObjectWidget* lineWidget = Button<NetAttachment>(QPoint(300, 300), "Line1");

        QTest::mousePress(lineWidget, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        const QPoint cursor(100 - leftOfStack, 100 + stackWidget->height() + 5);
        Move(lineWidget, network, cursor, true);
        QCOMPARE(lineWidget->GetDockedTo() == stackWidget, docks);
        QCOMPARE(lineWidget->GetObject()->GetParent() == stackWidget, docks);
        if (docks)
            QCOMPARE(lineWidget->pos(), QPoint(100, 100 + stackWidget->height()));
        else
            QCOMPARE(lineWidget->pos(), cursor - QPoint(5, 5));
        QTest::mouseRelease(lineWidget, Qt::LeftButton, Qt::NoModifier, lineWidget->mapFrom(network, cursor));
        // A moved button stays checked.
        QVERIFY(lineWidget->isChecked());
    }

    void draggingOutDetachesAndStackMovesAttachments()
    {
        NetObject& stack = Make<NetObject>("Stack1", LVX::ImageStackType);
        LVXObjectWidget* stackWidget = window->CreateObjectWidget(&stack, QPoint(100, 100));
        LVXObjectWidget* lineWidget = Button<NetAttachment>(QPoint(300, 300), "Line1");
        stackWidget->Attach(lineWidget);

        // The stack takes its attachment along.
        QTest::mousePress(stackWidget, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        Move(stackWidget, network, QPoint(144, 124), true);
        QTest::mouseRelease(stackWidget, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        QCOMPARE(stackWidget->pos(), QPoint(140, 120));
        QCOMPARE(lineWidget->pos(), QPoint(140, 120 + stackWidget->height()));

        // Within the zone it stays; out of it, it comes loose.
        const QPoint grip = lineWidget->pos() + QPoint(4, 4);
        QTest::mousePress(lineWidget, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        Move(lineWidget, network, grip + QPoint(5, 5), true);
        QCOMPARE(lineWidget->GetDockedTo(), stackWidget);
        Move(lineWidget, network, QPoint(600, 500), true);
        QCOMPARE(lineWidget->GetDockedTo(), nullptr);
        QCOMPARE(lineWidget->GetObject()->GetParent(), nullptr);
        QVERIFY(stackWidget->GetAttachments().empty());
        QTest::mouseRelease(lineWidget, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    }

    void relationDrag_data()
    {
        QTest::addColumn<bool>("ontoStack");
        QTest::newRow("onto a stack") << true;
        QTest::newRow("onto a matrix") << false;
    }
    void relationDrag()
    {
        QFETCH(bool, ontoStack);
        LVXObjectWidget* stackWidget = Button<NetObject>(QPoint(20, 20), "Stack1", LVX::ImageStackType);
        LVXObjectWidget* matrixWidget = Button<NetObject>(QPoint(20, 200), "Matrix1", LVX::MatrixWrapType);
        LVXObjectWidget* viewWidget = Button<NetObject>(QPoint(300, 100), "SliceView1", LVX::SliceViewType);
        Relation* relation = Relation::Create(LVX::RelationSource, viewWidget, nullptr);
        viewWidget->AddRelation(relation);
        network->SetDraggedRelation(relation);

        Move(network, network, matrixWidget->geometry().center(), false);
        QCOMPARE(network->GetHoverTarget(), nullptr);
        QCOMPARE(network->GetDragPoint(), matrixWidget->geometry().center());
        Move(network, network, stackWidget->geometry().center(), false);
        QCOMPARE(network->GetHoverTarget(), stackWidget);
        network->grab(); // draws the dragged relation to the drag point

        LVXObjectWidget* target = ontoStack ? stackWidget : matrixWidget;
        if (!ontoStack)
            Move(network, network, matrixWidget->geometry().center(), false);
        QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        QCOMPARE(network->GetDraggedRelation(), nullptr);
        QCOMPARE(relation->GetOther(), ontoStack ? stackWidget : nullptr);
        QCOMPARE(viewWidget->GetRelations().size(), size_t(1));
        network->grab(); // an open relation that is not dragged is not drawn
    }

    void endingADragDeletesAnOpenRelation()
    {
        LVXObjectWidget* stackWidget = Button<NetObject>(QPoint(20, 20), "Stack1", LVX::ImageStackType);
        LVXObjectWidget* viewWidget = Button<NetObject>(QPoint(300, 20), "SliceView1", LVX::SliceViewType);
        Relation* relation = Relation::Create(LVX::RelationSource, viewWidget, stackWidget);
        viewWidget->AddRelation(relation);
        // Dragging a connected relation frees its end first.
        network->SetDraggedRelation(relation);
        QVERIFY(relation->IsOpen());
        QVERIFY(stackWidget->GetIncomingRelations().empty());
        network->SetDraggedRelation(nullptr);
        QVERIFY(viewWidget->GetRelations().empty());
    }

    void releaseOnEmptySpaceUnchecksAll()
    {
        NetObject& a = Make<NetObject>("Stack1", LVX::ImageStackType);
        LVXObjectWidget* first = window->CreateObjectWidget(&a);
        LVXObjectWidget* second = Button<NetObject>(QPoint(), "Stack2", LVX::ImageStackType);
        network->SetMultiSelection(true);
        first->setChecked(true);
        second->setChecked(true);
        QCOMPARE(network->GetSelectedWidgets().size(), 2);
        QTest::mouseClick(network, Qt::LeftButton, Qt::NoModifier, QPoint(400, 400));
        QVERIFY(!first->isChecked());
        QVERIFY(!second->isChecked());
        QVERIFY(network->GetSelectedWidgets().isEmpty());
        QVERIFY(!a.flag);
    }

    void selection_data()
    {
        QTest::addColumn<bool>("multi");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("with Shift") << true << QStringList({"B", "C", "A"});
        QTest::newRow("without Shift") << false << QStringList({"A"});
    }
    void selection()
    {
        QFETCH(bool, multi);
        QFETCH(QStringList, expected);
        NetObject& a = Make<NetObject>("A", LVX::ImageStackType);
        NetObject& b = Make<NetObject>("B", LVX::ImageStackType);
        LVXObjectWidget* wa = window->CreateObjectWidget(&a);
        LVXObjectWidget* wb = window->CreateObjectWidget(&b);
        LVXObjectWidget* wc = Button<NetObject>(QPoint(), "C", LVX::ImageStackType);
        network->SetMultiSelection(multi);
        QTest::mouseClick(wb, Qt::LeftButton);
        QTest::mouseClick(wc, Qt::LeftButton);
        QTest::mouseClick(wa, Qt::LeftButton);
        QStringList names;
        for (LVXObject* object : network->GetSelectedObjects())
            names << object->GetName();
        QCOMPARE(names, expected);
        // The objects are told their checked state.
        QVERIFY(a.flag);
        QCOMPARE(b.flag, multi);
    }

    void checkingAViewMakesItCurrent()
    {
        NetView& first = Make<NetView>("SliceView1");
        NetView& second = Make<NetView>("SliceView2");
        LVXObjectWidget* firstWidget = window->AddView(&first);
        window->AddView(&second);
        QCOMPARE(window->GetViewTabs()->currentWidget(), &second);
        firstWidget->setChecked(true);
        QCOMPARE(window->GetViewTabs()->currentWidget(), &first);
        window->RemoveObject(&first);
        window->RemoveObject(&second);
    }

    void contextMenu()
    {
        QMenu* menu = network->GetContextMenu();
        QStringList top;
        for (QAction* action : menu->actions())
            top << action->text();
        QCOMPARE(top, QStringList({"New", "Open"}));
        QMenu* newMenu = menu->actions()[0]->menu();
        QCOMPARE(newMenu->actions().size(), 1);
        QCOMPARE(newMenu->actions()[0]->text(), QString("View"));
        QMenu* viewMenu = newMenu->actions()[0]->menu();
        QCOMPARE(viewMenu->actions().size(), 1);
        QCOMPARE(viewMenu->actions()[0]->text(), QString("3D view"));
        QStringList open;
        for (QAction* action : menu->actions()[1]->menu()->actions())
            open << action->text();
        QCOMPARE(open,
            QStringList({"TIFF", "Surface", "Active contour sequence", "TransformSequence", "Statistical shape model",
                "Matrix"}));

        QSignalSpy newView(window.get(), &LumivoxWnd::newOGLViewRequested);
        viewMenu->actions()[0]->trigger();
        QCOMPARE(newView.count(), 1);
        menu->actions()[1]->menu()->actions()[4]->trigger();
        QCOMPARE((*prompter)->Last().title, QString("Open statistical shape model"));
    }

    void contextMenuActionsReachTheWindow()
    {
        LVXObjectWidget* widget = Button<NetObject>(QPoint(), "Stack1", LVX::ImageStackType);
        QList<QPair<LVXObjectWidget*, int>> received;
        connect(window.get(), &LumivoxWnd::contextMenuActionTriggered,
            [&received](LVXObjectWidget* sender, LVX::MenuAction action) {
                received.append({sender, action});
            });
        QMenu* menu = widget->BuildContextMenu();
        menu->actions().last()->trigger();
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0].first, widget);
        QCOMPARE(received[0].second, int(LVX::Remove));
    }

    void relationDrawing_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<bool>("startsAtLeft");
        // A source relation is drawn from the stack (the other end) to the view; a 3-D view
        // relation from the shown object (the owner) to the 3-D view.
        QTest::newRow("source, dir 1") << uint(LVX::RelationSource) << true;
        QTest::newRow("3-D view, dir 0") << uint(LVX::Relation3DView) << false;
    }
    void relationDrawing()
    {
        QFETCH(uint, type);
        QFETCH(bool, startsAtLeft);
        // The left button is the other end, the right one the owner.
        NetObject& left = Make<NetObject>(type == LVX::RelationSource ? "Stack1" : "3DView1",
            type == LVX::RelationSource ? LVX::ImageStackType : LVX::OGLViewType, QColor(200, 0, 0));
        NetObject& right = Make<NetObject>("SliceView1", LVX::SliceViewType, QColor(0, 0, 200));
        LVXObjectWidget* leftWidget = window->CreateObjectWidget(&left, QPoint(20, 40));
        LVXObjectWidget* rightWidget = window->CreateObjectWidget(&right, QPoint(400, 40));
        rightWidget->AddRelation(Relation::Create(type, rightWidget, leftWidget));

        const QImage image = network->grab().toImage();
        const QColor startColor = (startsAtLeft ? left.color : right.color).darker(150);
        // The start square straddles the start button's facing edge.
        const QRect start = startsAtLeft ? leftWidget->geometry() : rightWidget->geometry();
        const int y = start.y() + start.height() / 2;
        const int x = startsAtLeft ? start.x() + start.width() + 1 : start.x() - 2;
        QCOMPARE(image.pixelColor(x, y).rgb(), startColor.rgb());
        // Half way the curve has the same colour.
        const int middle = (leftWidget->geometry().right() + rightWidget->x()) / 2;
        bool found = false;
        for (int row = 0; row < image.height() && !found; ++row)
            found = image.pixelColor(middle, row).rgb() == startColor.rgb();
        QVERIFY(found);
    }

    void writeRelations()
    {
        NetObject& stack = Make<NetObject>("Stack1", LVX::ImageStackType);
        NetObject& view = Make<NetObject>("TomogramView1", LVX::TomogramViewType);
        NetObject& matrix = Make<NetObject>("Matrix1", LVX::MatrixWrapType);
        stack.SetId(0);
        view.SetId(4);
        matrix.SetId(2);
        LVXObjectWidget* stackWidget = window->CreateObjectWidget(&stack);
        LVXObjectWidget* viewWidget = window->CreateObjectWidget(&view);
        window->CreateObjectWidget(&matrix);
        viewWidget->AddRelation(Relation::Create(LVX::RelationSource, viewWidget, stackWidget));
        viewWidget->AddRelation(Relation::Create(LVX::RelationFourthPanel, viewWidget, nullptr));
        QString text;
        QXmlStreamWriter xml(&text);
        network->WriteRelations(xml);
        QCOMPARE(text,
            QString("<relations>"
                    "<relation_group size=\"0\" owner=\"0\"/>"
                    "<relation_group size=\"2\" owner=\"4\">"
                    "<relation other=\"0\" type=\"2\" dir=\"1\" priority=\"20\"/>"
                    "<relation other=\"-1\" type=\"5\" dir=\"1\" priority=\"0\"/>"
                    "</relation_group>"
                    "<relation_group size=\"0\" owner=\"2\"/>"
                    "</relations>"));
    }

    void removingAStackDetachesItsAttachments()
    {
        NetObject& stack = Make<NetObject>("Stack1", LVX::ImageStackType);
        LVXObjectWidget* stackWidget = window->CreateObjectWidget(&stack);
        LVXObjectWidget* lineWidget = Button<NetAttachment>(QPoint(), "Line1");
        stackWidget->Attach(lineWidget);
        network->RemoveObjectWidget(&stack);
        QCOMPARE(lineWidget->GetObject()->GetParent(), nullptr);
        QCOMPARE(lineWidget->GetDockedTo(), nullptr);
        QCOMPARE(network->GetObjectWidgets(), QList<LVXObjectWidget*>({lineWidget}));
    }

private:
    // A button for a new object, at `position` unless that is null.
    template <class T, class... Args> LVXObjectWidget* Button(const QPoint& position, Args&&... args)
    {
        T& object = Make<T>(std::forward<Args>(args)...);
        return position.isNull() ? window->CreateObjectWidget(&object) : window->CreateObjectWidget(&object, position);
    }

    // Objects outlive the window and its buttons, as the controller's objects do.
    template <class T, class... Args> T& Make(Args&&... args)
    {
        objects.push_back(std::make_unique<T>(std::forward<Args>(args)...));
        return static_cast<T&>(*objects.back());
    }

    QTemporaryDir settingsDir;
    std::vector<std::unique_ptr<LVXObject>> objects;
    std::unique_ptr<ScopedPrompter> prompter;
    std::unique_ptr<LumivoxWnd> window;
    NetworkWidget* network = nullptr;
};

LUMIVOX_REGISTER_TEST(TestNetworkWidget)
#include "TestNetworkWidget.moc"
