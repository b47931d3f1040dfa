#include "TestRegistry.h"

#include "ScriptedPrompter.h"
#include "app/Attachment.h"
#include "model/LVXObject.h"
#include "model/Settings.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "views/View.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// An object of a chosen type that saves in two formats and records what it was asked to do.
class SavingObject : public LVXObject {
public:
    SavingObject(const QString& name, LVX::ObjectType type) : LVXObject(name) { SetType(type); }
    SavingObject(const SavingObject& other) = default;

    LVXObject* Clone() const override { return new SavingObject(*this); }
    FileTypes GetFileTypes() const override
    {
        return {{".acr", ".stl"}, "Lumivox snake sequence (*.acr);;STL ascii (*.stl);;"};
    }
    bool SaveTo(const QString& path, const QString& extension) override
    {
        formats << extension;
        return LVXObject::SaveTo(path, extension);
    }
    bool Save() override
    {
        savedPaths << GetFile().filePath();
        return true;
    }

    QStringList formats;
    QStringList savedPaths;
};

class TypedAttachment : public Attachment {
public:
    TypedAttachment(const QString& name, LVX::ObjectType type) : Attachment(name) { SetType(type); }
};

} // namespace

class TestObjectModel : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        Settings::Load(dir.filePath("lumivox.ini"));
    }

    void cloneKeepsAllButIdentifier_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("beingRemoved");
        QTest::newRow("changed") << true << false;
        QTest::newRow("saved") << false << false;
        QTest::newRow("being removed") << false << true;
    }

    void cloneKeepsAllButIdentifier()
    {
        QFETCH(bool, changed);
        QFETCH(bool, beingRemoved);
        SavingObject original("Stack1", LVX::ImageStackType);
        original.SetFile(QFileInfo("/data/stack.tif"));
        original.SetId(7);
        original.SetChanged(changed);
        if (beingRemoved)
            original.SetBeingRemoved();

        std::unique_ptr<LVXObject> copy(original.Clone());
        QVERIFY(dynamic_cast<SavingObject*>(copy.get()));
        QCOMPARE(copy->GetName(), QString("Stack1"));
        QCOMPARE(copy->GetFile().filePath(), QString("/data/stack.tif"));
        QCOMPARE(copy->GetType(), LVX::ImageStackType);
        QCOMPARE(copy->IsChanged(), changed);
        QCOMPARE(copy->IsBeingRemoved(), beingRemoved);
        QCOMPARE(copy->GetId(), NoId);
        QCOMPARE(original.GetId(), IDNUM(7));
    }

    void setChangedReportsNewAndOld()
    {
        LVXObject object("Line1");
        QStringList reports; // "owner is the object, new state, old state"
        QObject::connect(
            object.Events(), &ObjectEventInterface::changedStateChanged, [&](LVXObject* owner, bool curr, bool prev) {
                reports << QString("%1 %2 %3").arg(owner == &object).arg(curr).arg(prev);
            });
        object.SetChanged(false);
        object.SetChanged(false);
        object.SetChanged(true);
        QCOMPARE(reports, (QStringList{"1 0 1", "1 0 0", "1 1 0"}));
        QVERIFY(object.IsChanged());
    }

    void saveAsPicksFormatByExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("format");
        QTest::newRow("first format") << "/out/cell.acr" << true << ".acr";
        QTest::newRow("second format") << "/out/cell.stl" << true << ".stl";
        QTest::newRow("unknown extension") << "/out/cell.txt" << false << "";
        QTest::newRow("extension in other case") << "/out/cell.ACR" << false << "";
        QTest::newRow("no extension") << "/out/cellacr" << false << "";
        QTest::newRow("shorter than an extension") << "acr" << false << "";
    }

    void saveAsPicksFormatByExtension()
    {
        QFETCH(QString, path);
        QFETCH(bool, saved);
        QFETCH(QString, format);
        SavingObject object("Snake1", LVX::SnakeSequenceType);
        object.SetFile(QFileInfo("/old/snake.acr"));

        QCOMPARE(object.SaveAs(path), saved);
        if (saved) {
            QCOMPARE(object.formats, QStringList{format});
            // The new path is the object's file before Save runs.
            QCOMPARE(object.savedPaths, QStringList{path});
            QCOMPARE(object.GetFile().filePath(), path);
        } else {
            QVERIFY(object.formats.isEmpty());
            QVERIFY(object.savedPaths.isEmpty());
            QCOMPARE(object.GetFile().filePath(), QString("/old/snake.acr"));
        }
    }

    void kindsOfObjects_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("attachment");
        QTest::addColumn<bool>("view");
        QTest::addColumn<QColor>("color");
        QTest::newRow("object") << 0 << int(LVX::NoType) << false << false << QColor(119, 136, 153);
        QTest::newRow("attachment") << 1 << int(LVX::AttachmentType) << true << false << QColor(95, 158, 160);
        QTest::newRow("view") << 2 << int(LVX::ViewType) << false << true << QColor(205, 133, 63);
    }

    void kindsOfObjects()
    {
        QFETCH(int, kind);
        QFETCH(int, type);
        QFETCH(bool, attachment);
        QFETCH(bool, view);
        QFETCH(QColor, color);
        std::unique_ptr<LVXObject> object;
        if (kind == 0)
            object = std::make_unique<LVXObject>("A");
        else if (kind == 1)
            object = std::make_unique<Attachment>("A");
        else
            object = std::make_unique<View>("A");
        QCOMPARE(int(object->GetType()), type);
        QCOMPARE(object->IsAttachment(), attachment);
        QCOMPARE(object->IsView(), view);
        QCOMPARE(object->GetColor(), color);
        QVERIFY(object->GetParent() == nullptr);
        // A clone is the same kind of object.
        std::unique_ptr<LVXObject> copy(object->Clone());
        QCOMPARE(int(copy->GetType()), type);
        QCOMPARE(copy->IsAttachment(), attachment);
        QCOMPARE(copy->IsView(), view);
    }

    void acceptedStackTypes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("docksToStacks");
        QTest::newRow("attachment base") << int(LVX::AttachmentType) << false;
        QTest::newRow("contour sequence") << int(LVX::SnakeSequenceType) << true;
        QTest::newRow("transform sequence") << int(LVX::TransformSequenceType) << true;
        QTest::newRow("selection") << int(LVX::SelectionType) << true;
        QTest::newRow("rectangle") << int(LVX::RectangleType) << true;
        QTest::newRow("spline") << int(LVX::SplineType) << true;
        QTest::newRow("line") << int(LVX::LineType) << true;
        QTest::newRow("matrix") << int(LVX::MatrixWrapType) << false;
        QTest::newRow("view") << int(LVX::ViewType) << false;
    }

    void acceptedStackTypes()
    {
        QFETCH(int, type);
        QFETCH(bool, docksToStacks);
        TypedAttachment attachment("Att1", LVX::ObjectType(type));
        const std::vector<int32_t> expected = docksToStacks ? std::vector<int32_t>{1, 2} : std::vector<int32_t>{};
        QCOMPARE(attachment.GetAcceptedStackTypes(), expected);
        std::unique_ptr<LVXObject> copy(attachment.Clone());
        QCOMPARE(static_cast<Attachment*>(copy.get())->GetAcceptedStackTypes(), expected);
    }

    void attachmentChangeTellsItsStack()
    {
        LumivoxWnd window;
        LVXObject stack("Stack1");
        TypedAttachment line("Line1", LVX::LineType);
        LVXObjectWidget* stackWidget = window.CreateObjectWidget(&stack);
        QSignalSpy spy(stackWidget, &LVXObjectWidget::attachmentsChanged);

        line.SetChanged(true); // not docked yet: nobody to tell
        QCOMPARE(spy.count(), 0);

        line.SetParentWidget(stackWidget);
        QCOMPARE(line.GetParent(), stackWidget);
        line.SetChanged(true);
        QCOMPARE(spy.count(), 1);
        line.SetChanged(false);
        QCOMPARE(spy.count(), 1);

        // A copy is not docked anywhere.
        std::unique_ptr<LVXObject> copy(line.Clone());
        QVERIFY(copy->GetParent() == nullptr);
        QVERIFY(copy->IsAttachment());
        copy->SetChanged(true);
        QCOMPARE(spy.count(), 1);
        window.RemoveObject(&stack);
    }

    void chooseFileRenamesAfterFile_data()
    {
        QTest::addColumn<bool>("withWindow");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        const auto row
            = [](const char* tag, bool withWindow, const char* answer, bool chosen, const char* name,
                  const char* file) { QTest::newRow(tag) << withWindow << answer << chosen << name << file; };
        row("new name", false, "/out/cells.acr", true, "cells.acr", "/out/cells.acr");
        row("typed without extension", false, "/out/Snake1", true, "Snake1.acr", "/out/Snake1.acr");
        row("cancelled", false, "", false, "Snake1", "/old/a.acr");
        row("new name, window", true, "/out/cells.stl", true, "cells.stl", "/out/cells.stl");
        row("cancelled, window", true, "", false, "Snake1", "/old/a.acr");
    }

    void chooseFileRenamesAfterFile()
    {
        QFETCH(bool, withWindow);
        QFETCH(QString, answer);
        QFETCH(bool, chosen);
        QFETCH(QString, name);
        QFETCH(QString, file);
        ScopedPrompter prompter;
        std::unique_ptr<LumivoxWnd> window(withWindow ? new LumivoxWnd : nullptr);
        QCOMPARE(LumivoxWnd::Instance(), window.get());
        Settings::Values().main.currentDir = "/work";
        if (!answer.isEmpty())
            prompter->AddFileName(answer);
        SavingObject object("Snake1", LVX::SnakeSequenceType);
        object.SetFile(QFileInfo("/old/a.acr"));

        QCOMPARE(object.ChooseFile(), chosen);
        QCOMPARE(object.GetName(), name);
        QCOMPARE(object.GetFile().filePath(), file);
        QCOMPARE(prompter->Count(ScriptedPrompter::Kind::SaveFile), 1);
        QCOMPARE(prompter->Last().title, QString("Save"));
        QCOMPARE(prompter->Last().filter, object.GetFileTypes().filter);
        QCOMPARE(prompter->Last().initial, QString("/work/Snake1"));
        QVERIFY(object.savedPaths.isEmpty()); // choosing does not save
    }

private:
    QTemporaryDir dir;
};

LUMIVOX_REGISTER_TEST(TestObjectModel)
#include "TestObjectModel.moc"
