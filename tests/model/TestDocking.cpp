#include "TestRegistry.h"
#include "model/LVXObject.h"

#include <QtTest>
#include <memory>

namespace {
class Docked : public LVXObject {
public:
    explicit Docked(const QString& name) : LVXObject(name) { }
    bool IsAttachment() const override { return true; }
};

// Records every notification as "host:attachment".
struct Journal {
    QStringList lines;
    void Follow(LVXObject& host)
    {
        QObject::connect(host.Events(), &ObjectEventInterface::attachmentsChanged,
            [this](LVXObject* h, LVXObject* a) { lines << h->GetName() + ":" + a->GetName(); });
    }
};

QStringList Names(const LVXObject& host)
{
    QStringList names;
    for (const LVXObject* attachment : host.GetAttachments())
        names << attachment->GetName();
    return names;
}
} // namespace

// Which attachments belong to which host, and in which order, is held by the objects themselves.
class TestDocking : public QObject {
    Q_OBJECT

private slots:
    void dockUndockRedock()
    {
        LVXObject stackA("A"), stackB("B");
        Docked line("Line1"), contour("Contour1");
        Journal journal;
        journal.Follow(stackA);
        journal.Follow(stackB);

        QVERIFY(stackA.Attach(&line));
        QVERIFY(stackA.Attach(&contour));
        QCOMPARE(Names(stackA), QStringList({"Contour1", "Line1"})); // newest first
        QCOMPARE(line.GetHost(), &stackA);
        QCOMPARE(journal.lines, QStringList({"A:Line1", "A:Contour1"}));

        // Refused: twice, itself, and an object that is no attachment; nothing is told.
        QVERIFY(!stackA.Attach(&line));
        QVERIFY(!stackA.Attach(&stackA));
        QVERIFY(!stackA.Attach(&stackB));
        QCOMPARE(journal.lines.size(), 2);

        // Redocking takes it from its old host: one notification on each side.
        QVERIFY(stackB.Attach(&line));
        QCOMPARE(Names(stackA), QStringList({"Contour1"}));
        QCOMPARE(Names(stackB), QStringList({"Line1"}));
        QCOMPARE(line.GetHost(), &stackB);
        QCOMPARE(journal.lines.mid(2), QStringList({"A:Line1", "B:Line1"}));

        stackB.Detach(&line);
        stackB.Detach(&line); // not docked any more: nothing happens
        QCOMPARE(line.GetHost(), nullptr);
        QCOMPARE(journal.lines.mid(4), QStringList({"B:Line1"}));
    }

    void objectsThatGoLeaveNoPointers()
    {
        Docked line("Line1");
        {
            LVXObject stack("A");
            QVERIFY(stack.Attach(&line));
        }
        QCOMPARE(line.GetHost(), nullptr);
        LVXObject stack("B");
        {
            Docked contour("Contour1");
            QVERIFY(stack.Attach(&contour));
            QVERIFY(stack.Attach(&line));
        }
        QCOMPARE(Names(stack), QStringList({"Line1"}));
        // A copy is docked nowhere and hosts nothing.
        Docked copy(line);
        QCOMPARE(copy.GetHost(), nullptr);
        LVXObject stackCopy(stack);
        QVERIFY(stackCopy.GetAttachments().empty());
    }
};

LUMIVOX_REGISTER_TEST(TestDocking)
#include "TestDocking.moc"
