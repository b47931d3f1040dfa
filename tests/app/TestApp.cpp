#include "TestRegistry.h"

#include "Image.h"
#include "Matrix.h"
#include "ScriptedPrompter.h"
#include "app/App.h"
#include "app/Application.h"
#include "app/LVXThread.h"
#include "app/Relation.h"
#include "model/Log.h"
#include "model/ObjectNaming.h"
#include "model/Settings.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LogWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/NetworkWidget.h"
#include "ui/ProgressBarWidget.h"
#include "views/View.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// A project object of a chosen type that saves as ".acr" and notes its save calls and deletion.
class Item : public LVXObject {
public:
    Item(const QString& name, LVX::ObjectType type, QStringList* journal) : LVXObject(name), journal(journal)
    {
        SetType(type);
    }
    Item(const Item& other) = default;
    ~Item() override { journal->append("deleted " + GetName()); }

    LVXObject* Clone() const override { return new Item(*this); }
    FileTypes GetFileTypes() const override { return {{".acr"}, "Lumivox Active contours (*.acr)"}; }
    bool Save() override
    {
        journal->append("saved " + GetFile().filePath());
        if (!saveSucceeds)
            SetError("Disk full");
        return saveSucceeds;
    }

    bool saveSucceeds = true;

private:
    QStringList* journal;
};

class TypedView : public View {
public:
    TypedView(const QString& name, LVX::ObjectType type) : View(name) { SetType(type); }
};

} // namespace

Q_DECLARE_METATYPE(std::vector<ObjectKey>)

class TestApp : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        Settings::Load(dir.filePath("lumivox.ini"));
        Settings::Values().main.currentDir = dir.path();
        prompter = std::make_unique<ScopedPrompter>();
        window = std::make_unique<LumivoxWnd>();
        app = std::make_unique<App>(window.get());
        journal.clear();
    }

    void cleanup()
    {
        app.reset();
        window.reset();
        prompter.reset();
    }

    // --- identifiers and names ---

    void nextFreeId_data()
    {
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<int>("expected");
        QTest::newRow("0 1 2") << QList<int>{0, 1, 2} << 3;
        QTest::newRow("0 2") << QList<int>{0, 2} << 1;
        QTest::newRow("only 3") << QList<int>{3} << 0;
        QTest::newRow("none") << QList<int>{} << 0;
        QTest::newRow("2 0 1 in any order") << QList<int>{2, 0, 1} << 3;
        QTest::newRow("gap below the largest") << QList<int>{0, 1, 42} << 2;
        QTest::newRow("unregistered ignored") << QList<int>{0, 65535} << 2;
    }

    void nextFreeId()
    {
        QFETCH(QList<int>, ids);
        QFETCH(int, expected);
        std::vector<ObjectKey> keys;
        for (int id : ids)
            keys.push_back({LVX::ImageStackType, "Stack1", IDNUM(id)});
        QCOMPARE(int(ObjectNaming::NextFreeId(keys)), expected);
    }

    void identifiersOfRegisteredObjects()
    {
        Item* a = Register("Stack1", LVX::ImageStackType);
        Item* b = Register("Stack2", LVX::ImageStackType);
        Item* fromFile = Register("Stack3", LVX::ImageStackType, 42);
        Item* c = Register("Stack4", LVX::ImageStackType);
        QCOMPARE(a->GetId(), IDNUM(0));
        QCOMPARE(b->GetId(), IDNUM(1));
        QCOMPARE(fromFile->GetId(), IDNUM(42));
        QCOMPARE(c->GetId(), IDNUM(2));
        app->removeObject(b);
        QCOMPARE(Register("Stack5", LVX::ImageStackType)->GetId(), IDNUM(1));
        QCOMPARE(app->Registry().Find(42), fromFile);
    }

    void nextNameNumber_data()
    {
        QTest::addColumn<std::vector<ObjectKey>>("objects");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QStringList>("warnings");
        const auto slice = [](const QString& name) { return ObjectKey{LVX::SliceViewType, name, 0}; };
        const auto row
            = [](const char* tag, const std::vector<ObjectKey>& objects, int expected,
                  const QStringList& warnings = {}) { QTest::newRow(tag) << objects << expected << warnings; };
        row("1 and 3", {slice("SliceView1"), slice("SliceView3")}, 2);
        row("none", {}, 1);
        row("other types only", {{LVX::ImageStackType, "Stack1", 0}, {LVX::TomogramViewType, "TomogramView1", 1}}, 1);
        row("1 and 2", {slice("SliceView2"), slice("SliceView1")}, 3);
        row("only 2", {slice("SliceView2")}, 1);
        row("trailing digits only", {slice("Copy ofSliceView1"), slice("2D3")}, 2);
        row("name without digits",
            {slice("SliceView1"), {LVX::TomogramViewType, "Tomo", 1}, slice("Slice"), slice("SliceView4")}, 2,
            {"Object indentifier missing in name: Slice"});
        row("first name without digits", {slice("Slice 1a"), slice("SliceView1")}, 1,
            {"Object indentifier missing in name: Slice 1a"});
    }

    void nextNameNumber()
    {
        QFETCH(std::vector<ObjectKey>, objects);
        QFETCH(int, expected);
        QFETCH(QStringList, warnings);
        const int before = LogLines().size();
        QCOMPARE(ObjectNaming::NextNameNumber(objects, LVX::SliceViewType), expected);
        const QStringList added = LogLines().mid(before);
        QCOMPARE(added.size(), warnings.size());
        for (int i = 0; i < warnings.size(); ++i)
            QVERIFY2(added[i].endsWith(" : WARNING: " + warnings[i]), qPrintable(added[i]));
    }

    void nameWarningReachesLog()
    {
        Register("Slice", LVX::SliceViewType);
        QCOMPARE(app->nextNameNumber(LVX::SliceViewType), 1);
        QVERIFY(LastLogLine().endsWith(" : WARNING: Object indentifier missing in name: Slice"));
    }

    void addViewNamesRegistersAndLinks()
    {
        Item* stack = Register("Stack1", LVX::ImageStackType);
        LVXObjectWidget* stackWidget = window->CreateObjectWidget(stack);
        TypedView* first = app->addView(std::make_unique<TypedView>("SliceView", LVX::SliceViewType), stackWidget);
        TypedView* second = app->addView(std::make_unique<TypedView>("SliceView", LVX::SliceViewType), stackWidget);
        QCOMPARE(first->GetName(), QString("SliceView1"));
        QCOMPARE(second->GetName(), QString("SliceView2"));
        QCOMPARE(second->GetId(), IDNUM(2));
        QCOMPARE(app->Objects(), (std::vector<LVXObject*>{stack, first, second}));

        QTabWidget* tabs = window->GetViewTabs();
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QString("SliceView1"));
        QCOMPARE(tabs->currentWidget(), second);

        LVXObjectWidget* viewWidget = window->FindObjectWidget(second);
        QVERIFY(viewWidget);
        QCOMPARE(viewWidget->GetRelations().size(), size_t(1));
        const Relation* relation = viewWidget->GetRelations().front().get();
        QCOMPARE(relation->GetType(), uint32_t(LVX::RelationSource));
        QCOMPARE(relation->GetOther(), stackWidget);
        QCOMPARE(stackWidget->GetIncomingRelations().size(), size_t(2));

        app->removeObject(first);
        TypedView* third = app->addView(std::make_unique<TypedView>("SliceView", LVX::SliceViewType), stackWidget);
        QCOMPARE(third->GetName(), QString("SliceView1"));
    }

    // --- removal ---

    void removalsOnePerExpiryInQueueOrder()
    {
        Item* a = Register("Stack1", LVX::ImageStackType);
        Item* b = Register("Stack2", LVX::ImageStackType);
        Item* c = Register("Stack3", LVX::ImageStackType);
        window->CreateObjectWidget(a);
        window->CreateObjectWidget(b);
        // What is left after each expiry of the removal timer.
        QList<QStringList> remaining;
        connect(app->RemovalTimer(), &QTimer::timeout, this, [this, &remaining] { remaining << Names(); });

        app->onContextMenuAction(window->FindObjectWidget(b), LVX::Remove);
        app->scheduleRemoval(a);
        QVERIFY(app->RemovalTimer()->isActive());
        QVERIFY(app->RemovalTimer()->isSingleShot());
        QCOMPARE(app->RemovalTimer()->interval(), 50);
        QCOMPARE(app->Objects().size(), size_t(3)); // nothing before the timer expires

        QTRY_COMPARE(remaining.size(), 2);
        QCOMPARE(remaining.at(0), (QStringList{"Stack1", "Stack3"}));
        QCOMPARE(remaining.at(1), (QStringList{"Stack3"}));
        QCOMPARE(journal, (QStringList{"deleted Stack2", "deleted Stack1"}));
        QVERIFY(window->FindObjectWidget(a) == nullptr);
        QVERIFY(!app->RemovalTimer()->isActive());
        QCOMPARE(app->Objects(), std::vector<LVXObject*>{c});
    }

    void removedObjectLeavesRemovalQueue()
    {
        Item* a = Register("Stack1", LVX::ImageStackType);
        app->scheduleRemoval(a);
        app->removeObject(a);
        QVERIFY(app->RemovalQueue().empty());
        QCOMPARE(journal, QStringList{"deleted Stack1"});
        QTRY_VERIFY(!app->RemovalTimer()->isActive());
        QCOMPARE(journal, QStringList{"deleted Stack1"});
    }

    void removalRequestIgnoredWhileBeingRemoved()
    {
        Item* a = Register("Stack1", LVX::ImageStackType);
        Item* b = Register("Stack2", LVX::ImageStackType);
        window->CreateObjectWidget(b);
        a->SetBeingRemoved();
        app->onRemoveObjectRequested(a);
        QCOMPARE(app->Objects().size(), size_t(2));
        QVERIFY(journal.isEmpty());

        // The window's request (Delete key) and the object's own request remove at once.
        emit window->removeObjectRequested(b);
        QCOMPARE(journal, QStringList{"deleted Stack2"});
        QVERIFY(window->GetNetwork()->GetObjectWidgets().isEmpty());
        Item* c = Register("Stack3", LVX::ImageStackType);
        emit c->Events()->removeObjectRequested(c);
        QCOMPARE(journal, (QStringList{"deleted Stack2", "deleted Stack3"}));
        QCOMPARE(app->Objects(), std::vector<LVXObject*>{a});
    }

    void clearProjectRemovesHeadFirst()
    {
        for (const char* name : {"Stack1", "Line1", "SliceView1"})
            window->CreateObjectWidget(Register(name, LVX::ImageStackType));
        (*prompter)->AddButton(QMessageBox::Discard);
        window->onClearProject();
        QCOMPARE(journal, (QStringList{"deleted Stack1", "deleted Line1", "deleted SliceView1"}));
        QVERIFY(app->Objects().empty());
        QVERIFY(window->GetNetwork()->GetObjectWidgets().isEmpty());
    }

    void changedStateShowsOnButton()
    {
        Item* stack = Register("Stack1", LVX::ImageStackType);
        LVXObjectWidget* widget = window->CreateObjectWidget(stack);
        QCOMPARE(widget->text(), QString("Stack1*"));
        stack->SetChanged(false);
        QCOMPARE(widget->text(), QString("Stack1"));
        stack->SetChanged(true);
        QCOMPARE(widget->text(), QString("Stack1*"));
    }

    // --- duplicate and save ---

    void duplicateMakesNamedCopy()
    {
        Item* stack = Register("Stack1", LVX::ImageStackType);
        stack->SetFile(QFileInfo("/data/cells.tif"));
        stack->SetChanged(false);
        window->CreateObjectWidget(stack);
        app->onContextMenuAction(window->FindObjectWidget(stack), LVX::Duplicate);

        QCOMPARE(app->Objects().size(), size_t(2));
        auto* copy = dynamic_cast<Item*>(app->Objects().back());
        QVERIFY(copy);
        QCOMPARE(copy->GetName(), QString("Copy ofStack1"));
        QCOMPARE(copy->GetId(), IDNUM(1));
        QCOMPARE(copy->GetType(), LVX::ImageStackType);
        // The copy has no file: saving it asks for one instead of overwriting the original's.
        QCOMPARE(copy->GetFile().filePath(), QString());
        QVERIFY(copy->IsChanged());
        LVXObjectWidget* copyWidget = window->FindObjectWidget(copy);
        QVERIFY(copyWidget);
        QCOMPARE(copyWidget->text(), QString("Copy ofStack1*"));
        QCOMPARE(stack->GetName(), QString("Stack1"));
        app->onContextMenuAction(copyWidget, LVX::Save);
        QCOMPARE((*prompter)->Count(ScriptedPrompter::Kind::SaveFile), 1);
        QVERIFY(!journal.contains("saved /data/cells.tif"));
    }

    void saveActions_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");   // the object's own file, relative to the test folder
        QTest::addColumn<QString>("answer"); // of the save dialog; empty: cancelled or not asked
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("saved");   // the path Save was called with, or empty
        QTest::addColumn<QString>("logLine"); // the new last line of the log, with "<dir>" for the folder
        QTest::addColumn<bool>("changed");
        const auto row = [](const char* name, LVX::MenuAction action, const char* file, const char* answer,
                             bool succeeds, bool asked, const char* saved, const char* logLine, bool changed) {
            QTest::newRow(name) << int(action) << file << answer << succeeds << asked << saved << logLine << changed;
        };
        row("save", LVX::Save, "a.acr", "", true, false, "a.acr", "> Saved to <dir>/a.acr", false);
        row("save fails", LVX::Save, "a.acr", "", false, false, "a.acr", "ERROR: Disk full", true);
        row("save without file asks", LVX::Save, "", "n.acr", true, true, "n.acr", "> Saved to <dir>/n.acr", false);
        row("save as", LVX::SaveAs, "a.acr", "b.acr", true, true, "b.acr", "> Saved to <dir>/b.acr", false);
        row("save as without extension", LVX::SaveAs, "a.acr", "b", true, true, "b.acr", "> Saved to <dir>/b.acr",
            false);
        row("save as, unknown extension", LVX::SaveAs, "a.acr", "b.txt", true, true, "",
            "ERROR: Could not save Snake1 to <dir>/b.txt: it can be saved as .acr only.", true);
        row("save as, cancelled", LVX::SaveAs, "a.acr", "", true, true, "", "", true);
    }

    void saveActions()
    {
        QFETCH(int, action);
        QFETCH(QString, file);
        QFETCH(QString, answer);
        QFETCH(bool, succeeds);
        QFETCH(bool, asked);
        QFETCH(QString, saved);
        QFETCH(QString, logLine);
        QFETCH(bool, changed);
        Item* snake = Register("Snake1", LVX::SnakeSequenceType);
        snake->saveSucceeds = succeeds;
        if (!file.isEmpty())
            snake->SetFile(QFileInfo(dir.filePath(file)));
        LVXObjectWidget* widget = window->CreateObjectWidget(snake);
        if (!answer.isEmpty())
            (*prompter)->AddFileName(dir.filePath(answer));
        const QString lastLine = LastLogLine();

        app->onContextMenuAction(widget, LVX::MenuAction(action));

        QCOMPARE((*prompter)->Count(ScriptedPrompter::Kind::SaveFile), asked ? 1 : 0);
        if (asked) {
            QCOMPARE((*prompter)->Calls().front().title, QString("Save"));
            QCOMPARE((*prompter)->Calls().front().filter, QString("Lumivox Active contours (*.acr)"));
            QCOMPARE((*prompter)->Calls().front().initial, dir.path() + "/Snake1");
        }
        QCOMPARE(journal, saved.isEmpty() ? QStringList{} : QStringList{"saved " + dir.filePath(saved)});
        if (logLine.isEmpty()) {
            QCOMPARE(LastLogLine(), lastLine);
        } else {
            logLine.replace("<dir>", dir.path());
            if (logLine.startsWith("ERROR"))
                QVERIFY2(LastLogLine().endsWith(" : " + logLine), qPrintable(LastLogLine()));
            else
                QCOMPARE(LastLogLine(), logLine);
        }
        QCOMPARE(snake->IsChanged(), changed);
        QCOMPARE(widget->text(), changed ? QString("Snake1*") : QString("Snake1"));
        QCOMPARE((*prompter)->Count(ScriptedPrompter::Kind::Warning), answer.endsWith(".txt") ? 1 : 0);
    }

    // --- relations opened from the menu ---

    void openRelationOfType_data()
    {
        QTest::addColumn<int>("ownerType");
        QTest::addColumn<int>("action");
        QTest::addColumn<uint>("relationType");
        QTest::addColumn<int>("targetType");
        QTest::newRow("fourth panel") << int(LVX::TomogramViewType) << int(LVX::SetFourthPanel) << 5u
                                      << int(LVX::SliceViewType);
        QTest::newRow("source") << int(LVX::TransformSequenceType) << int(LVX::SetSource) << 2u
                                << int(LVX::ImageStackType);
        QTest::newRow("search stack") << int(LVX::SSMType) << int(LVX::SetASMSearchStack) << 4u
                                      << int(LVX::ImageStackType);
    }

    void openRelationOfType()
    {
        QFETCH(int, ownerType);
        QFETCH(int, action);
        QFETCH(uint, relationType);
        QFETCH(int, targetType);
        LVXObjectWidget* owner = window->CreateObjectWidget(Register("Owner1", LVX::ObjectType(ownerType)));
        LVXObjectWidget* target = window->CreateObjectWidget(Register("Target1", LVX::ObjectType(targetType)));
        NetworkWidget* network = window->GetNetwork();

        app->onContextMenuAction(owner, LVX::MenuAction(action));
        QCOMPARE(owner->GetRelations().size(), size_t(1));
        Relation* relation = owner->GetRelations().front().get();
        QCOMPARE(relation->GetType(), relationType);
        QVERIFY(relation->IsOpen());
        QCOMPARE(network->GetDraggedRelation(), relation);

        QVERIFY(relation->ConnectTo(target));
        network->SetDraggedRelation(nullptr); // dropped: the drag ends, the relation stays
        QCOMPARE(owner->GetRelations().size(), size_t(1));

        // Asked again, the same relation is opened for a new other end.
        app->onContextMenuAction(owner, LVX::MenuAction(action));
        QCOMPARE(owner->GetRelations().size(), size_t(1));
        QCOMPARE(owner->GetRelations().front().get(), relation);
        QVERIFY(relation->IsOpen());
        QVERIFY(target->GetIncomingRelations().empty());
        QCOMPARE(network->GetDraggedRelation(), relation);
    }

    void addSurfaceAlwaysOpensNewRelation()
    {
        LVXObjectWidget* builder = window->CreateObjectWidget(Register("Statistical", LVX::StatShapeType));
        app->onContextMenuAction(builder, LVX::AddSurface);
        app->onContextMenuAction(builder, LVX::AddSurface);
        QCOMPARE(builder->GetRelations().size(), size_t(2));
        for (const auto& relation : builder->GetRelations()) {
            QCOMPARE(relation->GetType(), uint32_t(LVX::RelationSurface));
            QVERIFY(relation->IsOpen());
        }
        QCOMPARE(window->GetNetwork()->GetDraggedRelation(), builder->GetRelations().back().get());
    }

    // --- the 3-D view ---

    void linkTo3DViewWithoutFactory()
    {
        LVXObjectWidget* widget = window->CreateObjectWidget(Register("Snake1", LVX::SnakeSequenceType));
        const QString log = window->GetLog()->toPlainText();
        QVERIFY(app->linkTo3DView(widget) == nullptr);
        QCOMPARE(app->Objects().size(), size_t(1));
        QVERIFY(widget->GetRelations().empty());
        QCOMPARE(window->GetLog()->toPlainText(), log);

        // The menu entry then leaves an open relation for the user to connect.
        app->onContextMenuAction(widget, LVX::Link3DView);
        QCOMPARE(widget->GetRelations().size(), size_t(1));
        QVERIFY(widget->GetRelations().front()->IsOpen());
        QCOMPARE(widget->GetRelations().front()->GetType(), uint32_t(LVX::Relation3DView));
        QCOMPARE(window->GetNetwork()->GetDraggedRelation(), widget->GetRelations().front().get());
        QCOMPARE(window->GetLog()->toPlainText(), log);
    }

    void linkTo3DViewCreatesFirstView()
    {
        int made = 0;
        app->Set3DViewFactory([&made] {
            ++made;
            return new TypedView(QString(), LVX::OGLViewType);
        });
        LVXObjectWidget* widget = window->CreateObjectWidget(Register("Snake1", LVX::SnakeSequenceType));

        app->onContextMenuAction(widget, LVX::Link3DView);
        QCOMPARE(made, 1);
        QCOMPARE(app->Objects().size(), size_t(2));
        LVXObject* view = app->Objects().back();
        QCOMPARE(view->GetName(), QString("3DView1"));
        QCOMPARE(window->GetViewTabs()->tabText(window->GetViewTabs()->currentIndex()), QString("3DView1"));
        LVXObjectWidget* viewWidget = window->FindObjectWidget(view);
        QVERIFY(viewWidget);
        QCOMPARE(widget->GetRelations().size(), size_t(1));
        QCOMPARE(widget->GetRelations().front()->GetType(), uint32_t(LVX::Relation3DView));
        QCOMPARE(widget->GetRelations().front()->GetOther(), viewWidget);

        // Already shown there: no second link, but an open relation to drag elsewhere.
        QVERIFY(app->linkTo3DView(widget) == nullptr);
        QCOMPARE(widget->GetRelations().size(), size_t(1));
        app->onContextMenuAction(widget, LVX::Link3DView);
        QCOMPARE(made, 1);
        QCOMPARE(widget->GetRelations().size(), size_t(2));
        QVERIFY(widget->GetRelations().back()->IsOpen());
    }

    void linkTo3DViewWithExistingViews_data()
    {
        QTest::addColumn<int>("views");
        QTest::addColumn<bool>("linked");
        QTest::newRow("one view") << 1 << true;
        QTest::newRow("two views") << 2 << false;
    }

    void linkTo3DViewWithExistingViews()
    {
        QFETCH(int, views);
        QFETCH(bool, linked);
        int made = 0;
        app->Set3DViewFactory([&made] {
            ++made;
            return new TypedView(QString(), LVX::OGLViewType);
        });
        std::vector<TypedView*> existing;
        for (int i = 0; i < views; ++i)
            existing.push_back(app->addView(std::make_unique<TypedView>("3DView", LVX::OGLViewType), nullptr));
        LVXObjectWidget* widget = window->CreateObjectWidget(Register("Surface1", LVX::SimpleSurfaceType));

        View* result = app->linkTo3DView(widget);
        QCOMPARE(made, 0);
        QCOMPARE(result, linked ? existing.front() : nullptr);
        QCOMPARE(widget->GetRelations().size(), size_t(linked ? 1 : 0));
        if (linked)
            QCOMPARE(widget->GetRelations().front()->GetOther(), window->FindObjectWidget(existing.front()));
    }

    // --- menu dispatch ---

    void familyActionsGoToTheirHandler()
    {
        LVXObjectWidget* widget = window->CreateObjectWidget(Register("Stack1", LVX::ImageStackType));
        QList<LVXObjectWidget*> senders;
        app->SetMenuHandler(LVX::NewSliceView, [&senders](LVXObjectWidget* sender) { senders << sender; });
        const QString log = window->GetLog()->toPlainText();

        emit window->contextMenuActionTriggered(widget, LVX::NewSliceView);
        QCOMPARE(senders, QList<LVXObjectWidget*>{widget});
        app->onContextMenuAction(widget, LVX::NewDerivativeView); // no handler: nothing happens
        app->SetMenuHandler(LVX::NewSliceView, nullptr);
        app->onContextMenuAction(widget, LVX::NewSliceView);
        QCOMPARE(senders.size(), 1);
        QCOMPARE(window->GetLog()->toPlainText(), log);
        QCOMPARE(app->Objects().size(), size_t(1));
    }

    void unknownMenuAction_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("0") << 0;
        QTest::newRow("31") << 31;
        QTest::newRow("negative") << -5;
    }

    void unknownMenuAction()
    {
        QFETCH(int, action);
        LVXObjectWidget* widget = window->CreateObjectWidget(Register("Stack1", LVX::ImageStackType));
        app->onContextMenuAction(widget, LVX::MenuAction(action));
        QVERIFY2(LastLogLine().startsWith("> "), qPrintable(LastLogLine()));
        QVERIFY2(LastLogLine().endsWith(" : ERROR: Unknown menu action type"), qPrintable(LastLogLine()));
        QCOMPARE(app->Objects().size(), size_t(1));
        QVERIFY(widget->GetRelations().empty());
        QVERIFY(app->RemovalQueue().empty());
    }

    // --- tasks ---

    void threadSignalsAreQueuedUntilTerminated()
    {
        LVXThread task;
        QStringList ownLines; // a connection of someone else, which must survive
        connect(&task, &LVXThread::logOutputRequested, this, [&ownLines](const QString& text) { ownLines << text; });
        app->onThreadAdded(&task);
        ProgressBarWidget* progress = window->GetProgressBar();
        QVERIFY(!progress->isHidden());

        emit task.logOutputRequested("Aligning", false);
        emit task.setProgressBarTextRequested("Step 1");
        emit task.setProgressBarMaximumRequested(40);
        emit task.setProgressBarValueRequested(7);
        QVERIFY(LastLogLine() != "> Aligning"); // queued: nothing yet
        QCOMPARE(ownLines, QStringList{"Aligning"});
        QTRY_COMPARE(LastLogLine(), QString("> Aligning"));
        QCOMPARE(progress->Label()->text(), QString("Step 1"));
        QCOMPARE(progress->Bar()->maximum(), 40);
        QCOMPARE(progress->Bar()->value(), 7);
        emit task.setProgressBarBusyRequested();
        QTRY_COMPARE(progress->Bar()->maximum(), 0);

        emit task.terminated(&task);
        QVERIFY(!progress->isHidden());
        QTRY_VERIFY(progress->isHidden());

        // The six connections are gone; others' are not.
        emit task.logOutputRequested("late", true);
        emit task.setProgressBarTextRequested("late");
        emit task.setProgressBarMaximumRequested(9);
        emit task.setProgressBarValueRequested(3);
        emit task.terminated(&task);
        QCoreApplication::processEvents();
        QCOMPARE(LastLogLine(), QString("> Aligning"));
        QCOMPARE(progress->Label()->text(), QString("Step 1"));
        QCOMPARE(progress->Bar()->maximum(), 0);
        QCOMPARE(ownLines, (QStringList{"Aligning", "late"}));

        // Added again, the task is routed again.
        app->onThreadAdded(&task);
        emit task.logOutputRequested("again", false);
        QTRY_COMPARE(LastLogLine(), QString("> again"));
        emit task.terminated(&task);
        QTRY_VERIFY(progress->isHidden());
    }

    void dialogPositionIsWindowCentre_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("even") << QSize(800, 600) << QPoint(400, 300);
        QTest::newRow("odd") << QSize(801, 601) << QPoint(401, 301);
    }

    void dialogPositionIsWindowCentre()
    {
        QFETCH(QSize, size);
        QFETCH(QPoint, position);
        app.reset();
        window->resize(size);
        app = std::make_unique<App>(window.get());
        QCOMPARE(app->DialogPosition(), position);
    }

    // --- start and end of the program ---

    void applicationStartsAndEnds()
    {
        app.reset();
        window.reset();
        const QString settingsPath = dir.filePath("sub/lumivox.ini");
        QVERIFY(QDir().mkpath(dir.filePath("sub")));
        QVERIFY(!QFileInfo::exists(settingsPath));
        {
            Application program(settingsPath);
            QVERIFY(QFileInfo::exists(settingsPath));
            QCOMPARE(Settings::FilePath(), settingsPath);
            QVERIFY(program.GetApp());
            QCOMPARE(LumivoxWnd::Instance(), program.GetWindow());
            QCOMPARE(program.GetApp()->GetWindow(), program.GetWindow());

            // The kernels, row by row, top row first.
            const std::pair<Matrix*, std::vector<double>> kernels[] = {
                {Image::DX, {0, 0, 0, -0.5, 0, 0.5, 0, 0, 0}},
                {Image::DY, {0, 0.5, 0, 0, 0, 0, 0, -0.5, 0}},
                {Image::LAPLACE, {0, 0.5, 0, 0.5, -2, 0.5, 0, 0.5, 0}},
            };
            for (const auto& kernel : kernels) {
                QVERIFY(kernel.first);
                QCOMPARE(kernel.first->Y(), 3u);
                QCOMPARE(kernel.first->X(), 3u);
                QCOMPARE(std::vector<double>(kernel.first->Data(), kernel.first->Data() + 9), kernel.second);
            }

            // Files named on the command line: a missing one is reported, nothing is opened.
            const QString missing = dir.filePath("missing.tif");
            program.OpenFiles({missing});
            const QStringList lines = program.GetWindow()->GetLog()->toPlainText().split('\n', Qt::SkipEmptyParts);
            QVERIFY(lines.last().endsWith(" : ERROR: Could not open file: " + missing));
            QVERIFY(program.GetApp()->Objects().empty());
        }
        QVERIFY(Image::DX == nullptr);
        QVERIFY(Image::DY == nullptr);
        QVERIFY(Image::LAPLACE == nullptr);
        QVERIFY(LumivoxWnd::Instance() == nullptr);
    }

private:
    Item* Register(const QString& name, LVX::ObjectType type, IDNUM id = NoId)
    {
        return app->registerObject(std::make_unique<Item>(name, type, &journal), id);
    }

    QStringList Names() const
    {
        QStringList names;
        for (const LVXObject* object : app->Objects())
            names << object->GetName();
        return names;
    }

    QStringList LogLines() const { return window->GetLog()->toPlainText().split('\n', Qt::SkipEmptyParts); }
    QString LastLogLine() const { return LogLines().isEmpty() ? QString() : LogLines().last(); }

    QTemporaryDir dir;
    QStringList journal;
    std::unique_ptr<ScopedPrompter> prompter;
    std::unique_ptr<LumivoxWnd> window;
    std::unique_ptr<App> app;
};

LUMIVOX_REGISTER_TEST(TestApp)
#include "TestApp.moc"
#include <QMessageBox>
