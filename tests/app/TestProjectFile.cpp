#include "TestRegistry.h"

#include "Image.h"
#include "ScriptedPrompter.h"
#include "Tiff.h"
#include "app/App.h"
#include "app/ProjectCommands.h"
#include "app/ProjectFile.h"
#include "app/Relation.h"
#include "attachments/Line.h"
#include "attachments/Rectangle.h"
#include "contours/SharedSnakeParams.h"
#include "contours/SnakeSequence.h"
#include "model/Settings.h"
#include "stacks/ImageStack.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LogWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/NetworkWidget.h"
#include "views/PaintWidget.h"
#include "views/SliceView.h"
#include "views/ToolTipSlider.h"

#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

// Saving the whole project as XML and reading it back through the controller.
class TestProjectFile : public QObject {
    Q_OBJECT

private:
    // A stack file of `slices` pages; with `variable` every page is one column wider.
    QString WriteStack(const QString& name, int slices, bool variable = false)
    {
        std::vector<std::unique_ptr<Image>> images;
        std::vector<const Image*> pages;
        for (int z = 0; z < slices; ++z) {
            images.push_back(
                Image::FromType(8 + (variable ? z : 0), 6, Image::BYTE, RATIONAL(1, 1), RATIONAL(1, 1), "px"));
            images.back()->Set(1, 2, float(10 * z));
            pages.push_back(images.back().get());
        }
        const QString path = dir->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || Tiff::WriteStack(file, pages, 1.0f, "px") < 0)
            return QString();
        return path;
    }

    LVXObjectWidget* OpenStack(const QString& name, int slices, bool variable = false)
    {
        emit window->openTiffRequested(WriteStack(name, slices, variable));
        return window->FindObjectWidget(app->Registry().Back());
    }

    LVXObjectWidget* WidgetOf(IDNUM id) const
    {
        LVXObject* object = app->Registry().Find(id);
        return object ? window->FindObjectWidget(object) : nullptr;
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    static bool WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    QString LogText() const { return window->GetLog()->toPlainText(); }

    // Every registered object has a button; every docked button's object is registered.
    void VerifyConsistent() const
    {
        for (LVXObject* object : app->Objects()) {
            LVXObjectWidget* widget = window->FindObjectWidget(object);
            QVERIFY(widget);
            for (LVXObjectWidget* attachment : widget->GetAttachments())
                QVERIFY(app->Registry().Contains(attachment->GetObject()));
            for (const auto& relation : widget->GetRelations())
                QVERIFY(!relation->GetOther() || app->Registry().Contains(relation->GetOther()->GetObject()));
        }
    }

    // A project of two stacks (the second variable), a slice view, a line, a rectangle and a
    // contour sequence docked to the first stack, a second view, an open and three closed relations.
    void BuildProject()
    {
        LVXObjectWidget* fixed = OpenStack("fixed.tif", 9);
        LVXObjectWidget* variable = OpenStack("variable.tif", 3, true);
        window->GetNetwork()->MoveObjectWidget(variable, QPoint(300, 40));
        auto* view = app->addView(std::make_unique<SliceView>(), fixed);
        view->SetZoom(1.5f, true);
        view->RescaleImage();
        view->GetSlider()->setValue(6);

        auto* line = app->registerObject(std::make_unique<Att::Line>(Point3D(1, 2, 3), Point3D(4.5f, 5.25f, 7)));
        line->SetName("Line1");
        LVXObjectWidget* lineWidget = window->CreateObjectWidget(line);
        auto* rectangle = app->registerObject(std::make_unique<Att::Rectangle>(1, 5, 2, 4, LVX::XZ));
        rectangle->SetName("Rectangle1");
        LVXObjectWidget* rectangleWidget = window->CreateObjectWidget(rectangle);
        fixed->Attach(lineWidget);
        fixed->Attach(rectangleWidget);
        rectangleWidget->setChecked(true);

        auto sequence = std::make_unique<SnakeSequence>("Snake1", 2u, LVX::XY);
        const Point nodes[4] = {Point(1, 1), Point(5, 1), Point(5, 4), Point(1, 4)};
        sequence->PushBack(std::make_unique<Snake>(nodes, 4, &SharedSnakeParams::Get()));
        sequence->PushBack(std::make_unique<Snake>(nodes, 3, &SharedSnakeParams::Get()));
        sequence->SetFile(QFileInfo(dir->filePath("c.acr")));
        sequence->SetName("c.acr"); // a sequence read back is named after its file
        SnakeSequence* rawSequence = app->registerObject(std::move(sequence));
        fixed->Attach(window->CreateObjectWidget(rawSequence));

        // A second view, shown in the first one's fourth pane; the first view's tab is current.
        auto* second = app->addView(std::make_unique<SliceView>(), variable);
        window->FindObjectWidget(view)->AddRelation(Relation::Create(
            LVX::RelationFourthPanel, window->FindObjectWidget(view), window->FindObjectWidget(second)));
        window->SetCurrentView(view);

        variable->AddRelation(Relation::Create(LVX::Relation3DView, variable, nullptr));    // open
        variable->AddRelation(Relation::Create(LVX::RelationSearchStack, variable, fixed)); // type 4
    }

    struct Snapshot {
        struct Button {
            IDNUM id;
            QString name;
            QPoint position;
            bool checked;
            QList<IDNUM> attachments;
            QList<QPair<uint32_t, int>> relations; // type and other end (-1 open)
            bool operator==(const Button& o) const
            {
                return id == o.id && name == o.name && position == o.position && checked == o.checked
                    && attachments == o.attachments && relations == o.relations;
            }
        };
        QList<Button> buttons;
        QString currentTab;
    };

    Snapshot Take() const
    {
        Snapshot snapshot;
        for (LVXObject* object : app->Objects()) {
            LVXObjectWidget* widget = window->FindObjectWidget(object);
            Snapshot::Button button{object->GetId(), object->GetName(), widget->pos(), widget->isChecked(), {}, {}};
            for (LVXObjectWidget* attachment : widget->GetAttachments())
                button.attachments.append(attachment->GetObject()->GetId());
            for (const auto& relation : widget->GetRelations())
                button.relations.append(
                    {relation->GetType(), relation->GetOther() ? int(relation->GetOther()->GetObject()->GetId()) : -1});
            snapshot.buttons.append(button);
        }
        QTabWidget* tabs = window->GetViewTabs();
        snapshot.currentTab = tabs->tabText(tabs->currentIndex());
        return snapshot;
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScopedPrompter> prompter;
    std::unique_ptr<LumivoxWnd> window;
    std::unique_ptr<App> app;

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        Settings::Load(dir->filePath("lumivox.ini"));
        prompter = std::make_unique<ScopedPrompter>();
        window = std::make_unique<LumivoxWnd>();
        window->resize(1000, 700);
        app = std::make_unique<App>(window.get());
        ProjectCommands::RegisterProjectActions(*app);
        ProjectCommands::RegisterProjectActions(*app); // a second call connects nothing more
    }

    void cleanup()
    {
        app.reset();
        window.reset();
        prompter.reset();
        dir.reset();
    }

    void savedProjectComesBackTheSame()
    {
        BuildProject();
        auto* view = dynamic_cast<SliceView*>(app->Registry().Find(2));
        QVERIFY(view);
        const Snapshot before = Take();
        const QString path = dir->filePath("project.lvx");
        emit window->saveProjectRequested(path);
        QVERIFY(LogText().endsWith("> Project saved to " + path + "\n"));

        emit window->clearProjectRequested();
        QVERIFY(app->Objects().empty());
        emit window->openProjectRequested(path);
        VerifyConsistent();
        const Snapshot after = Take();
        QCOMPARE(after.buttons, before.buttons);
        QCOMPARE(before.currentTab, QString("SliceView1"));
        QCOMPARE(after.currentTab, before.currentTab);
        // The open relation stays open; the restored type 4 is there.
        QCOMPARE(WidgetOf(1)->GetRelations().front()->GetOther(), nullptr);
        QCOMPARE(WidgetOf(1)->GetRelations().back()->GetType(), uint32_t(LVX::RelationSearchStack));
        QCOMPARE(WidgetOf(1)->GetRelations().back()->GetOther(), WidgetOf(0));
        QVERIFY(dynamic_cast<ImageStack*>(app->Registry().Find(0)));
        QVERIFY(!dynamic_cast<ImageStack*>(app->Registry().Find(1)));

        view = dynamic_cast<SliceView*>(app->Registry().Find(2));
        QVERIFY(view);
        QCOMPARE(view->GetStack(), app->Registry().Find(0));
        QCOMPARE(view->GetSlider()->value(), 6);
        QCOMPARE(view->GetZoom(), 1.5f);
        QCOMPARE(view->GetPaintWidget()->GetCenter(), QPointF(0.5, 0.5));
        QCOMPARE(view->GetZoomedImage().width(), 12);
        auto* line = dynamic_cast<Att::Line*>(app->Registry().Find(3));
        QVERIFY(line);
        QCOMPARE(line->GetStart(), Point3D(1, 2, 3));
        QCOMPARE(line->GetEnd(), Point3D(4.5f, 5.25f, 7));
        auto* rectangle = dynamic_cast<Att::Rectangle*>(app->Registry().Find(4));
        QVERIFY(rectangle);
        QCOMPARE(QList<int>({rectangle->GetH0(), rectangle->GetH1(), rectangle->GetV0(), rectangle->GetV1()}),
            QList<int>({1, 5, 2, 4}));
        QCOMPARE(rectangle->GetOrientation(), LVX::XZ);
        auto* sequence = dynamic_cast<SnakeSequence*>(app->Registry().Find(5));
        QVERIFY(sequence);
        QCOMPARE(sequence->GetFirstSlice(), 2u);
        QCOMPARE(sequence->GetCount(), 2u);
        QCOMPARE(sequence->GetSnake(3)->GetPoints().size(), size_t(3));
        QCOMPARE(sequence->GetStack(), app->Registry().Find(0));
        for (LVXObject* object : app->Objects())
            QVERIFY2(!object->IsChanged(), qPrintable(object->GetName())); // loaded equals stored
    }

    void smallProjectDocument()
    {
        LVXObjectWidget* stack = OpenStack("one.tif", 2);
        window->GetNetwork()->MoveObjectWidget(stack, QPoint(10, 20));
        auto* rectangle = app->registerObject(std::make_unique<Att::Rectangle>(-3, 7, 0, 2, LVX::ZY));
        LVXObjectWidget* rectangleWidget = window->CreateObjectWidget(rectangle);
        stack->Attach(rectangleWidget);
        rectangleWidget->move(10, 60);
        auto* line = app->registerObject(std::make_unique<Att::Line>(Point3D(0.1f, 2, 0), Point3D(1e7f, 3.25f, 1)));
        line->SetName("L");
        window->CreateObjectWidget(line, QPoint(200, 5))->setChecked(true);
        stack->AddRelation(Relation::Create(LVX::Relation3DView, stack, nullptr));

        const QString path = dir->filePath("small.lvx");
        QVERIFY(ProjectFile::Save(*app, path));
        const QString expected = QString(R"(<?xml version="1.0" encoding="UTF-8"?>
<project version="0.1">
    <objects>
        <image_stack id="0" src="%1" checked="0" xpos="10" ypos="20"/>
        <rectangle h0="-3" h1="7" v0="0" v1="2" orient="2" id="1" src="" checked="0" xpos="10" ypos="60"/>
        <line name="L" x0="0.1" y0="2" x1="1e+07" y1="3.25" z0="0" z1="1" id="2" src="" checked="1" xpos="200" ypos="5"/>
    </objects>
    <relations>
        <relation_group size="1" owner="0">
            <relation other="-1" type="1" dir="0" priority="10"/>
        </relation_group>
        <relation_group size="0" owner="1"/>
        <relation_group size="0" owner="2"/>
    </relations>
    <attachments>
        <object id="0">
            <att id="1"/>
        </object>
        <object id="1"/>
        <object id="2"/>
    </attachments>
    <prefs/>
</project>
)")
                                     .arg(QFileInfo(dir->filePath("one.tif")).absoluteFilePath());
        QCOMPARE(QString::fromUtf8(ReadFile(path)), expected);
    }

    // A stack opened from its TIFF is what the file holds: no project save rewrites the user's file.
    void unchangedObjectIsNotRewritten()
    {
        const QString stackPath = WriteStack("kept.tif", 3);
        // Marks the data file so that any rewrite would show.
        QFile stackFile(stackPath);
        QVERIFY(stackFile.open(QIODevice::Append));
        stackFile.write("marker");
        QVERIFY(stackFile.flush()); // before the time is set, so that it stays
        const QDateTime old = QDateTime::currentDateTime().addDays(-3);
        QVERIFY(stackFile.setFileTime(old, QFileDevice::FileModificationTime));
        stackFile.close();
        const QByteArray bytes = ReadFile(stackPath);
        emit window->openTiffRequested(stackPath);
        QVERIFY(!app->Objects().front()->IsChanged());

        const QString path = dir->filePath("p.lvx");
        for (int save = 0; save < 2; ++save) {
            window->GetLog()->clear();
            QVERIFY(ProjectFile::Save(*app, path));
            QCOMPARE(LogText(),
                QString("> Saving project...\n> Skipped unchanged object kept.tif\n> Project saved to " + path + "\n"));
            QCOMPARE(ReadFile(stackPath), bytes);
            QCOMPARE(QFileInfo(stackPath).lastModified(), old);
        }
    }

    // Replacing or closing a project with changes asks first; each answer does what it says.
    void changesAreOfferedBeforeTheProjectGoes_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("goesOn");
        for (const char* trigger : {"open", "clear", "close"}) {
            QTest::addRow("%s, save", trigger) << trigger << int(QMessageBox::Save) << true;
            QTest::addRow("%s, discard", trigger) << trigger << int(QMessageBox::Discard) << true;
            QTest::addRow("%s, cancel", trigger) << trigger << int(QMessageBox::Cancel) << false;
        }
    }

    void changesAreOfferedBeforeTheProjectGoes()
    {
        QFETCH(QString, trigger);
        QFETCH(int, answer);
        QFETCH(bool, goesOn);
        OpenStack("a.tif", 2);
        const QString other = dir->filePath("other.lvx");
        QVERIFY(ProjectFile::Save(*app, other)); // an empty-ish project to open
        auto* line = app->registerObject(std::make_unique<Att::Line>(Point3D(1, 2, 0), Point3D(3, 4, 0)));
        line->SetName("Line1");
        window->CreateObjectWidget(line);
        window->show();
        (*prompter)->AddButton(QMessageBox::StandardButton(answer));
        const QString saved = dir->filePath("kept"); // typed without extension
        (*prompter)->AddFileName(saved);

        bool closed = false;
        if (trigger == "open")
            emit window->openProjectRequested(other);
        else if (trigger == "clear")
            emit window->clearProjectRequested();
        else
            closed = window->close();

        QCOMPARE((*prompter)->Count(ScriptedPrompter::Kind::Question), 1);
        QCOMPARE((*prompter)->Calls().front().title, QString("Save changes?"));
        QVERIFY((*prompter)->Calls().front().text.contains("Line1"));
        QCOMPARE(QFileInfo::exists(saved + ".lvx"), answer == QMessageBox::Save);
        const bool lineStays = app->Registry().Contains(line);
        if (trigger == "close")
            QCOMPARE(closed, goesOn);
        else
            QCOMPARE(lineStays, !goesOn);
        // With nothing changed any more, nothing is asked.
        (*prompter)->ClearCalls();
        for (LVXObject* object : app->Objects())
            object->SetChanged(false);
        emit window->clearProjectRequested();
        QVERIFY(app->Objects().empty());
        QCOMPARE((*prompter)->Calls().size(), 0);
    }

    // A contour that was only exported (no record file yet) and so counts as unchanged still
    // gets its record, otherwise the project could not bring its contours back.
    void contourWithoutRecordIsSavedWithTheProject()
    {
        LVXObjectWidget* stack = OpenStack("s.tif", 4);
        auto sequence = std::make_unique<SnakeSequence>("Active contour", 1u, LVX::XY);
        const Point nodes[4] = {Point(1, 1), Point(5, 1), Point(5, 4), Point(1, 4)};
        sequence->PushBack(std::make_unique<Snake>(nodes, 4, &SharedSnakeParams::Get()));
        SnakeSequence* raw = app->registerObject(std::move(sequence));
        stack->Attach(window->CreateObjectWidget(raw));
        raw->SetChanged(false);
        const QString record = dir->filePath("kept.acr");
        (*prompter)->AddFileName(record);

        const QString path = dir->filePath("p.lvx");
        QVERIFY(ProjectFile::Save(*app, path));
        QVERIFY(QFileInfo(record).size() > 32);
        QVERIFY(ReadFile(path).contains(("src=\"" + record + "\"").toUtf8()));
    }

    void missingVersion_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("no attribute") << QByteArray("<project><objects/></project>");
        QTest::newRow("empty") << QByteArray("<project version=\"\"><objects/></project>");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("not xml") << QByteArray("\x00\x01garbage", 9);
    }

    void missingVersion()
    {
        QFETCH(QByteArray, document);
        OpenStack("before.tif", 1);
        const QString path = dir->filePath("old.lvx");
        QVERIFY(WriteFile(path, document));
        QVERIFY(!ProjectFile::Load(*app, path));
        QVERIFY(app->Objects().empty());
        QVERIFY(LogText().contains(" : ERROR: Could not open project file " + path + ": Incompatible version.\n"));
        QCOMPARE((*prompter)->Count(ScriptedPrompter::Kind::Warning), 1);
        QCOMPARE((*prompter)->Last().title, QString("Open project"));
        QCOMPARE((*prompter)->Last().text, QString("Incompatible project version"));
    }

    void missingStackFileLeavesItOut()
    {
        BuildProject();
        const QString path = dir->filePath("project.lvx");
        QVERIFY(ProjectFile::Save(*app, path));
        QVERIFY(QFile::remove(dir->filePath("fixed.tif")));
        QVERIFY(ProjectFile::Load(*app, path)); // the document itself is well-formed
        VerifyConsistent();
        QCOMPARE(app->Registry().Find(0), nullptr);
        QVERIFY(app->Registry().Find(1));
        // The view and the annotations load; what named the stack is left out.
        auto* view = dynamic_cast<SliceView*>(app->Registry().Find(2));
        QVERIFY(view);
        QCOMPARE(view->GetStack(), nullptr);
        QCOMPARE(int(WidgetOf(2)->GetRelations().size()), 1); // the fourth pane; the source is gone
        QCOMPARE(WidgetOf(2)->GetRelations().front()->GetType(), uint32_t(LVX::RelationFourthPanel));
        QCOMPARE(int(WidgetOf(1)->GetRelations().size()), 1); // the open one
        QCOMPARE(WidgetOf(3)->GetDockedTo(), nullptr);
        QCOMPARE(WidgetOf(4)->GetDockedTo(), nullptr);
        QVERIFY(LogText().contains("ERROR: Could not open file: " + dir->filePath("fixed.tif") + "\n"));
    }

    void damagedDocuments_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("ids");    // registered identifiers after loading
        QTest::addColumn<QString>("docked"); // "stack:attachments" of stack 0
        QTest::addColumn<bool>("wellFormed");
        const QString stack = R"(<image_stack id="0" src="s.tif" xpos="1" ypos="2"/>)";
        const auto row = [](const char* name, const QString& body, const char* ids, const char* docked,
                             bool wellFormed) { QTest::newRow(name) << body << ids << docked << wellFormed; };
        row("repeated id", stack + R"(<rectangle h0="1" h1="2" v0="1" v1="2" orient="0" id="0"/>)", "0", "", true);
        row("unknown element and plane",
            stack + R"(<teapot id="5"/><rectangle orient="9" id="3"/><line id="4" x0="z"/>)", "0 4", "", true);
        // "x" reads as 0, which is in use.
        row("id out of range", stack + R"(<line id="70000"/><line id="65535"/><line id="x"/>)", "0", "", true);
        row("relations to nowhere",
            stack + R"(<line id="1"/></objects><relations><relation_group owner="9"><relation other="0" type="2"/>
               </relation_group><relation_group owner="0"><relation other="7" type="1"/><relation other="0" type="2"/>
               <relation other="1" type="2"/><relation other="-1" type="12"/></relation_group></relations>
               <attachments><object id="0"><att id="1"/><att id="1"/><att id="0"/><att id="8"/></object>
               <object id="3"><att id="1"/></object></attachments><objects>)",
            "0 1", "1", true);
        row("missing src", R"(<image_stack id="0"/><variable_image_stack id="1" src="nothing.tif"/>)", "", "", true);
        row("malformed", stack + R"(<line id="1"/><line id="2" <<)", "0 1", "", false);
        row("extreme positions", R"(<image_stack id="0" src="s.tif" xpos="2147483647" ypos="-2147483648"/>)", "0", "",
            true);
    }

    void damagedDocuments()
    {
        QFETCH(QString, body);
        QFETCH(QString, ids);
        QFETCH(QString, docked);
        QFETCH(bool, wellFormed);
        QVERIFY(!WriteStack("s.tif", 2).isEmpty());
        const QString path = dir->filePath("damaged.lvx");
        QVERIFY(WriteFile(path,
            ("<project version=\"0.1\"><objects>" + body + "</objects><prefs current_view=\"0\"/></project>")
                .toUtf8()));
        window->GetLog()->clear();
        QCOMPARE(ProjectFile::Load(*app, path), wellFormed);
        VerifyConsistent();
        QStringList loaded;
        for (LVXObject* object : app->Objects())
            loaded << QString::number(object->GetId());
        QCOMPARE(loaded.join(' '), ids);
        QStringList attached;
        if (LVXObjectWidget* stackWidget = WidgetOf(0))
            for (LVXObjectWidget* attachment : stackWidget->GetAttachments())
                attached << QString::number(attachment->GetObject()->GetId());
        QCOMPARE(attached.join(' '), docked);
        if (LVXObjectWidget* stackWidget = WidgetOf(0)) {
            QVERIFY(stackWidget->GetRelations().empty());
            const QPoint stored = QTest::currentDataTag() == QString("extreme positions")
                ? QPoint(NetworkWidget::MaxCoordinate, 0)
                : QPoint(1, 2);
            QCOMPARE(stackWidget->pos(), stored);
        }
        QCOMPARE(LogText().count("ERROR: Could not read project file " + path), wellFormed ? 0 : 1);
    }

    void truncatedFilesNeverCrash()
    {
        BuildProject();
        const QString path = dir->filePath("full.lvx");
        QVERIFY(ProjectFile::Save(*app, path));
        const QByteArray bytes = ReadFile(path);
        const QString cutPath = dir->filePath("cut.lvx");
        for (int length = 0; length < bytes.size() - 1; length += 23) { // the last cut misses the final line end only
            QVERIFY(WriteFile(cutPath, bytes.left(length)));
            window->GetLog()->clear();
            QVERIFY(!ProjectFile::Load(*app, cutPath));
            VerifyConsistent();
            QVERIFY(app->Objects().size() <= 7u);
        }
        QVERIFY(ProjectFile::Load(*app, path));
        QCOMPARE(app->Objects().size(), size_t(7));
    }

    void failedSaveKeepsTheOldFile()
    {
        OpenStack("a.tif", 2);
        const QString path = dir->filePath("keep.lvx");
        QVERIFY(ProjectFile::Save(*app, path));
        const QByteArray old = ReadFile(path);
        for (int i = 0; i < 20; ++i) // a longer document than the one on disk
            window->CreateObjectWidget(app->registerObject(std::make_unique<Att::Line>(Point3D(), Point3D())));

        // No file may grow beyond 100 bytes: the write fails half-way.
        rlimit previous{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = previous;
        limited.rlim_cur = 100;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const bool saved = ProjectFile::Save(*app, path);
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(!saved);
        QVERIFY(LogText().contains("Could not save project to " + path));

        QVERIFY(!ProjectFile::Save(*app, dir->filePath("no/such/folder/p.lvx")));
        QCOMPARE(ReadFile(path), old);
    }
};

LUMIVOX_REGISTER_TEST(TestProjectFile)
#include "TestProjectFile.moc"
#include <QMessageBox>
