#include "TestRegistry.h"

#include "app/Relation.h"
#include "model/LVXObject.h"
#include "model/Settings.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// An object of a chosen type that writes every relation notification into a shared journal, as
// "<name>.<operation>" followed by "-><name of the relation's other end>".
class Probe : public LVXObject {
public:
    Probe(const QString& name, LVX::ObjectType type, QStringList* journal) : LVXObject(name), journal(journal)
    {
        SetType(type);
    }

    void OnConnect(Relation* relation) override { Note("OnConnect", relation); }
    void OnDisconnect(Relation* relation) override
    {
        Note("OnDisconnect", relation);
        if (onDisconnect)
            onDisconnect(relation);
    }
    void OnConnected(Relation* relation) override { Note("OnConnected", relation); }
    void OnDisconnected(Relation* relation) override { Note("OnDisconnected", relation); }
    void OnAttachmentsChanged() override { journal->append(GetName() + ".OnAttachmentsChanged"); }

    std::function<void(Relation*)> onDisconnect;

private:
    void Note(const char* operation, Relation* relation)
    {
        const QString other = relation->GetOther() ? relation->GetOther()->GetObject()->GetName() : "none";
        journal->append(GetName() + "." + operation + "->" + other);
    }

    QStringList* journal;
};

} // namespace

class TestRelation : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        Settings::Load(dir.filePath("lumivox.ini"));
        window = std::make_unique<LumivoxWnd>();
        journal.clear();
    }

    void cleanup()
    {
        for (const auto& probe : probes)
            window->RemoveObject(probe.get());
        window.reset();
        probes.clear();
    }

    void relationTable_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<uint>("dir");
        QTest::addColumn<uint>("priority");
        QTest::addColumn<QList<int>>("accepted");
        QTest::newRow("3-D view") << 1u << 0u << 10u << QList<int>{11};
        QTest::newRow("source") << 2u << 1u << 20u << QList<int>{2, 1};
        QTest::newRow("surface") << 3u << 1u << 0u << QList<int>{4, 5};
        QTest::newRow("search stack") << 4u << 0u << 20u << QList<int>{1};
        QTest::newRow("fourth panel") << 5u << 1u << 0u << QList<int>{8, 9, 11};
        QTest::newRow("built model") << 6u << 0u << 20u << QList<int>{5};
        QTest::newRow("matrix") << 7u << 1u << 20u << QList<int>{20};
    }

    void relationTable()
    {
        QFETCH(uint, type);
        QFETCH(uint, dir);
        QFETCH(uint, priority);
        QFETCH(QList<int>, accepted);
        LVXObjectWidget* owner = Widget("Owner1", LVX::StatShapeType);
        std::unique_ptr<Relation> relation(Relation::Create(type, owner, nullptr));
        QVERIFY(relation);
        QCOMPARE(relation->GetType(), type);
        QCOMPARE(relation->GetDir(), dir);
        QCOMPARE(relation->GetPriority(), priority);
        QCOMPARE(relation->GetOwner(), owner);
        QVERIFY(relation->IsOpen());
        const std::vector<int32_t> expected(accepted.begin(), accepted.end());
        QCOMPARE(relation->GetAcceptedTypes(), expected);
        for (int objectType = 0; objectType <= 20; ++objectType)
            QCOMPARE(relation->Accepts(objectType), accepted.contains(objectType));
        QVERIFY(journal.isEmpty()); // an open relation tells nobody
    }

    void unknownRelationType_data()
    {
        QTest::addColumn<uint>("type");
        QTest::newRow("0") << 0u;
        QTest::newRow("8") << 8u;
        QTest::newRow("largest") << 4294967295u;
    }

    void unknownRelationType()
    {
        QFETCH(uint, type);
        LVXObjectWidget* owner = Widget("Owner1", LVX::SliceViewType);
        QVERIFY(Relation::Create(type, owner, Widget("Stack1", LVX::ImageStackType)) == nullptr);
        QVERIFY(journal.isEmpty());
    }

    void sourceAcceptsOnlyStacks_data()
    {
        QTest::addColumn<int>("targetType");
        QTest::addColumn<bool>("connected");
        QTest::newRow("image stack") << int(LVX::ImageStackType) << true;
        QTest::newRow("variable image stack") << int(LVX::VariableImageStackType) << true;
        QTest::newRow("matrix") << int(LVX::MatrixWrapType) << false;
        QTest::newRow("view") << int(LVX::SliceViewType) << false;
    }

    void sourceAcceptsOnlyStacks()
    {
        QFETCH(int, targetType);
        QFETCH(bool, connected);
        LVXObjectWidget* view = Widget("SliceView1", LVX::SliceViewType);
        LVXObjectWidget* target = Widget("Target1", LVX::ObjectType(targetType));
        Relation* relation = Relation::Create(LVX::RelationSource, view, nullptr);
        view->AddRelation(relation);

        QCOMPARE(relation->ConnectTo(target), connected);
        QCOMPARE(relation->IsOpen(), !connected);
        QCOMPARE(relation->GetOther(), connected ? target : nullptr);
        QCOMPARE(target->GetIncomingRelations().size(), size_t(connected ? 1 : 0));
        const QStringList expected
            = connected ? QStringList{"Target1.OnConnected->Target1", "SliceView1.OnConnect->Target1"} : QStringList{};
        QCOMPARE(journal, expected);

        // Created with both ends, an unaccepted end is left open as well.
        journal.clear();
        std::unique_ptr<Relation> direct(Relation::Create(LVX::RelationSource, view, target));
        QCOMPARE(direct->IsOpen(), !connected);
        QCOMPARE(journal, expected);
    }

    void relationLifecycle()
    {
        LVXObjectWidget* view = Widget("SliceView1", LVX::SliceViewType);
        LVXObjectWidget* stack = Widget("Stack1", LVX::ImageStackType);
        Relation* relation = Relation::Create(LVX::RelationSource, view, stack);
        view->AddRelation(relation);
        QCOMPARE(journal, (QStringList{"Stack1.OnConnected->Stack1", "SliceView1.OnConnect->Stack1"}));
        QCOMPARE(stack->GetIncomingRelations(), std::deque<Relation*>({relation}));
        QCOMPARE(view->GetRelations().size(), size_t(1));
        QCOMPARE(view->FindRelation(LVX::RelationSource), relation);
        QCOMPARE(view->FindRelation(LVX::Relation3DView), nullptr);

        // Changes of the other end's attachments reach the owner, once, while connected.
        journal.clear();
        emit stack->attachmentsChanged();
        QCOMPARE(journal, QStringList{"SliceView1.OnAttachmentsChanged"});
        relation->Disconnect();
        journal.clear();
        emit stack->attachmentsChanged();
        QVERIFY(journal.isEmpty());

        // Destroyed, the relation lets go of both ends.
        QVERIFY(relation->ConnectTo(stack));
        journal.clear();
        view->RemoveRelation(relation);
        QCOMPARE(journal, (QStringList{"Stack1.OnDisconnected->Stack1", "SliceView1.OnDisconnect->Stack1"}));
        QVERIFY(stack->GetIncomingRelations().empty());
        QVERIFY(view->GetRelations().empty());
        journal.clear();
        emit stack->attachmentsChanged();
        QVERIFY(journal.isEmpty());
    }

    void reconnectDisconnectsPreviousEndFirst()
    {
        LVXObjectWidget* view = Widget("SliceView1", LVX::SliceViewType);
        LVXObjectWidget* first = Widget("Stack1", LVX::ImageStackType);
        LVXObjectWidget* second = Widget("Stack2", LVX::VariableImageStackType);
        Relation* relation = Link(view, first);

        QVERIFY(relation->ConnectTo(second));
        QCOMPARE(journal,
            (QStringList{"Stack1.OnDisconnected->Stack1", "SliceView1.OnDisconnect->Stack1",
                "Stack2.OnConnected->Stack2", "SliceView1.OnConnect->Stack2"}));
        QVERIFY(first->GetIncomingRelations().empty());
        QCOMPARE(second->GetIncomingRelations().size(), size_t(1));

        // An end of the wrong type: the previous end is still let go, and the relation stays open.
        journal.clear();
        QVERIFY(!relation->ConnectTo(Widget("Matrix1", LVX::MatrixWrapType)));
        QCOMPARE(journal, (QStringList{"Stack2.OnDisconnected->Stack2", "SliceView1.OnDisconnect->Stack2"}));
        QVERIFY(relation->IsOpen());
        QVERIFY(second->GetIncomingRelations().empty());

        journal.clear();
        relation->Disconnect(); // already open: nobody is told
        QVERIFY(journal.isEmpty());
    }

    void ownerMayDeleteRelationWhileDisconnecting()
    {
        // A view whose source goes away removes itself, and with it the relation being disconnected.
        LVXObjectWidget* view = Widget("SliceView1", LVX::SliceViewType);
        LVXObjectWidget* first = Widget("Stack1", LVX::ImageStackType);
        LVXObjectWidget* second = Widget("Stack2", LVX::ImageStackType);
        Relation* relation = Link(view, first);
        static_cast<Probe*>(view->GetObject())->onDisconnect = [view](Relation* r) { view->RemoveRelation(r); };

        QVERIFY(!relation->ConnectTo(second));
        QCOMPARE(journal, (QStringList{"Stack1.OnDisconnected->Stack1", "SliceView1.OnDisconnect->Stack1"}));
        QVERIFY(view->GetRelations().empty());
        QVERIFY(first->GetIncomingRelations().empty());
        QVERIFY(second->GetIncomingRelations().empty());
    }

    void removingOtherEndOpensRelation()
    {
        LVXObjectWidget* view = Widget("SliceView1", LVX::SliceViewType);
        LVXObjectWidget* stack = Widget("Stack1", LVX::ImageStackType);
        Relation* relation = Link(view, stack);
        window->RemoveObject(stack->GetObject());
        QCOMPARE(journal, (QStringList{"Stack1.OnDisconnected->Stack1", "SliceView1.OnDisconnect->Stack1"}));
        QVERIFY(relation->IsOpen());
        QCOMPARE(view->GetRelations().size(), size_t(1));
    }

private:
    // Connects a view to a stack through a source relation; the journal starts empty afterwards.
    Relation* Link(LVXObjectWidget* view, LVXObjectWidget* stack)
    {
        Relation* relation = Relation::Create(LVX::RelationSource, view, stack);
        view->AddRelation(relation);
        journal.clear();
        return relation;
    }

    LVXObjectWidget* Widget(const QString& name, LVX::ObjectType type)
    {
        probes.push_back(std::make_unique<Probe>(name, type, &journal));
        return window->CreateObjectWidget(probes.back().get());
    }

    QTemporaryDir dir;
    QStringList journal;
    std::vector<std::unique_ptr<Probe>> probes;
    std::unique_ptr<LumivoxWnd> window;
};

LUMIVOX_REGISTER_TEST(TestRelation)
#include "TestRelation.moc"
