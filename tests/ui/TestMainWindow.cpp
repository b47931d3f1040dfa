#include "ScriptedPrompter.h"
#include "TestRegistry.h"

#include "app/Relation.h"
#include "app/Version.h"
#include "model/LVXObject.h"
#include "model/Log.h"
#include "model/Settings.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LogWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/NetworkWidget.h"
#include "ui/ProgressBarWidget.h"
#include "views/Control.h"
#include "views/ImageView.h"
#include "views/View.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <memory>

namespace {

class PanelControl : public Control {
public:
    explicit PanelControl(const QString& name) { SetName(name); }
};

class WndObject : public LVXObject {
public:
    WndObject(const QString& name, LVX::ObjectType type) : LVXObject(name) { SetType(type); }
    std::vector<Control*> GetControls() override
    {
        std::vector<Control*> result;
        for (auto& panel : panels)
            result.push_back(panel.get());
        return result;
    }
    std::vector<std::unique_ptr<PanelControl>> panels;
};

class WndView : public View {
public:
    explicit WndView(const QString& name) : View(name) { SetType(LVX::SliceViewType); }
};

class WndImageView : public ImageView {
public:
    WndImageView(const QString& name, LVX::ObjectType type) : ImageView(name) { SetType(type); }
};

// A menu as "text" per action, "text[objectName]" for named actions, "text>" per submenu and "-"
// per separator.
QString Describe(const QWidget* menu)
{
    QStringList parts;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            parts << "-";
        else if (action->menu())
            parts << action->text() + ">";
        else if (!action->objectName().isEmpty())
            parts << action->text() + "[" + action->objectName() + "]";
        else
            parts << action->text();
    }
    return parts.join(",");
}

// The position of a widget in the nested layouts of a status bar, -1 when it is in none.
int LayoutIndex(QLayout* layout, QWidget* widget)
{
    if (!layout)
        return -1;
    const int direct = layout->indexOf(widget);
    if (direct >= 0)
        return direct;
    for (int i = 0; i < layout->count(); ++i) {
        const int nested = LayoutIndex(layout->itemAt(i)->layout(), widget);
        if (nested >= 0)
            return nested;
    }
    return -1;
}

QStringList TabTexts(const QTabWidget* tabs)
{
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        Settings::Load(dir->filePath("lumivox.ini"));
        Settings::Values().main.currentDir = dir->path();
        prompter = std::make_unique<ScopedPrompter>();
        window = std::make_unique<LumivoxWnd>();
        window->resize(900, 700);
        window->show();
    }
    void cleanup()
    {
        window.reset();
        objects.clear();
        prompter.reset();
        dir.reset();
    }

    void form()
    {
        auto* mainSplitter = window->findChild<QSplitter*>("mainSplitter");
        auto* leftSplitter = window->findChild<QSplitter*>("leftSplitter");
        QVERIFY(mainSplitter && leftSplitter);
        QCOMPARE(mainSplitter->widget(1), static_cast<QWidget*>(window->GetViewTabs()));
        QVERIFY(leftSplitter->widget(0)->isAncestorOf(window->GetNetwork()));
        QVERIFY(leftSplitter->widget(1)->isAncestorOf(window->GetLog()));
        // The views get most of the width, the network most of the height.
        QVERIFY(mainSplitter->sizes()[0] <= mainSplitter->sizes()[1]);
        QVERIFY(leftSplitter->sizes()[0] > leftSplitter->sizes()[1]);
        // Shown at the default size, a stack's button and its view's button fit side by side.
        window->resize(1280, 1024);
        window->show();
        LVXObjectWidget* stack = window->CreateObjectWidget(&Make<WndObject>("phantom.tif", LVX::ImageStackType));
        LVXObjectWidget* view
            = window->CreateObjectWidgetNextTo(&Make<WndObject>("SliceView1", LVX::SliceViewType), stack);
        auto* scroll = window->findChild<QScrollArea*>("networkScrollArea");
        QVERIFY(scroll);
        QVERIFY2(view->geometry().right() < scroll->viewport()->width(),
            qPrintable(QString("%1 of %2").arg(view->geometry().right()).arg(scroll->viewport()->width())));

        QVERIFY(!window->GetProgressBar()->isVisible());
    }

    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("expected");
        const auto row
            = [](const char* name, const char* expected) { QTest::newRow(name) << QString("menu") + name << expected; };
        row("File", "New>,Open>,Save>,-,Exit[actionExit]");
        row("New", "Views>,Transformer>");
        row("Views", "3DView[actionNewOGLView]");
        row("Transformer", "Statistical[actionStatShape]");
        row("Open",
            "Project[actionOpenProject],-,TIFF[actionOpenTIFF],Surface[actionOpenSurface],"
            "Active contour sequence[actionOpenSnakeSequence],"
            "Transform sequence[actionOpenTransformSequence],"
            "Statistical shape model[actionOpenSSM],Matrix[actionOpenMatrix]");
        row("Save", "Project[actionSaveProject]");
        row("Edit", "Clear project[actionClearProject]");
        row("Help", "About[actionHelpAbout]");
    }
    void menus()
    {
        QFETCH(QString, menu);
        QFETCH(QString, expected);
        QCOMPARE(Describe(window->menuBar()), QString("File>,Edit>,Help>"));
        QMenu* found = window->findChild<QMenu*>(menu);
        QVERIFY(found);
        QCOMPARE(Describe(found), expected);
    }

    void fileCommands_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QByteArray>("signal");
        QTest::newRow("project") << "actionOpenProject" << false << "Open project"
                                 << "Lumivox project (*.lvx)" << QByteArray(SIGNAL(openProjectRequested(QString)));
        QTest::newRow("tiff") << "actionOpenTIFF" << false << "Open TIFF stack"
                              << "TIFF images (*.tif *.tiff)" << QByteArray(SIGNAL(openTiffRequested(QString)));
        QTest::newRow("surface") << "actionOpenSurface" << false << "Open surface"
                                 << "STL files (*.stl)" << QByteArray(SIGNAL(openSurfaceRequested(QString)));
        QTest::newRow("contours") << "actionOpenSnakeSequence" << false << "Open active contour"
                                  << "Lumivox Active contours (*.acr)"
                                  << QByteArray(SIGNAL(openSnakeSequenceRequested(QString)));
        QTest::newRow("transforms") << "actionOpenTransformSequence" << false << "Open transform sequence"
                                    << "Lumivox Transforms (*.trf)"
                                    << QByteArray(SIGNAL(openTransformSequenceRequested(QString)));
        QTest::newRow("shape model") << "actionOpenSSM" << false << "Open statistical shape model"
                                     << "Lumivox SSMs (*.ssm)" << QByteArray(SIGNAL(openSSMRequested(QString)));
        QTest::newRow("matrix") << "actionOpenMatrix" << false << "Open matrix"
                                << "Lumivox matrices (*.mat)" << QByteArray(SIGNAL(openMatrixRequested(QString)));
        QTest::newRow("save project") << "actionSaveProject" << true << "Save project"
                                      << "Lumivox project (*.lvx)" << QByteArray(SIGNAL(saveProjectRequested(QString)));
    }
    void fileCommands()
    {
        QFETCH(QString, action);
        QFETCH(bool, save);
        QFETCH(QString, caption);
        QFETCH(QString, filter);
        QFETCH(QByteArray, signal);
        QSignalSpy spy(window.get(), signal.constData());
        QAction* command = window->findChild<QAction*>(action);
        QVERIFY(command);

        // Cancelled: no request.
        command->trigger();
        QCOMPARE(spy.count(), 0);
        QCOMPARE((*prompter)->Last().kind, save ? ScriptedPrompter::Kind::SaveFile : ScriptedPrompter::Kind::OpenFile);
        QCOMPARE((*prompter)->Last().title, caption);
        QCOMPARE((*prompter)->Last().filter, filter);
        QCOMPARE((*prompter)->Last().initial, dir->path());

        // Answered: the request carries the path, and its folder is the next start, unless that
        // folder does not exist.
        (*prompter)->AddFileName(dir->filePath("missing/picked.file"));
        command->trigger();
        QCOMPARE(Settings::Values().main.currentDir, dir->path());
        const QString picked = dir->filePath("sub/picked.file");
        QVERIFY(QDir(dir->path()).mkpath("sub"));
        (*prompter)->AddFileName(picked);
        command->trigger();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toString(), picked);
        QCOMPARE(Settings::Values().main.currentDir, dir->filePath("sub"));
        Settings::Values().main.currentDir.clear();
        Settings::Load(dir->filePath("lumivox.ini"));
        QCOMPARE(Settings::Values().main.currentDir, dir->filePath("sub"));
        command->trigger();
        QCOMPARE((*prompter)->Last().initial, dir->filePath("sub"));
    }

    void saveDialogStartsAtTheProposal()
    {
        QCOMPARE(window->GetSaveFileName("Save", "Lumivox snake sequence (*.acr)", "Snakes1.acr"), QString());
        QCOMPARE((*prompter)->Last().initial, dir->path() + "/Snakes1.acr");
        QCOMPARE((*prompter)->Last().title, QString("Save"));
    }

    void plainCommands_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QByteArray>("signal");
        QTest::newRow("3-D view") << "actionNewOGLView" << QByteArray(SIGNAL(newOGLViewRequested()));
        QTest::newRow("statistical") << "actionStatShape" << QByteArray(SIGNAL(newStatShapeRequested()));
        QTest::newRow("clear") << "actionClearProject" << QByteArray(SIGNAL(clearProjectRequested()));
    }
    void plainCommands()
    {
        QFETCH(QString, action);
        QFETCH(QByteArray, signal);
        QSignalSpy spy(window.get(), signal.constData());
        window->findChild<QAction*>(action)->trigger();
        QCOMPARE(spy.count(), 1);
        QVERIFY((*prompter)->Calls().isEmpty());
    }

    void aboutAndExit()
    {
        window->findChild<QAction*>("actionHelpAbout")->trigger();
        QCOMPARE((*prompter)->Count(ScriptedPrompter::Kind::Exec), 1);
        QCOMPARE((*prompter)->Last().title, QString("About"));
        window->findChild<QAction*>("actionExit")->trigger();
        QVERIFY(!window->isVisible());
    }

    void droppedFiles_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("signal"); // empty: the unsupported-format warning
        QTest::newRow("tif") << "stack.tif" << QByteArray(SIGNAL(openTiffRequested(QString)));
        QTest::newRow("tiff") << "stack.tiff" << QByteArray(SIGNAL(openTiffRequested(QString)));
        QTest::newRow("stl") << "bone.stl" << QByteArray(SIGNAL(openSurfaceRequested(QString)));
        QTest::newRow("acr") << "contours.acr" << QByteArray(SIGNAL(openSnakeSequenceRequested(QString)));
        QTest::newRow("trf") << "warp.trf" << QByteArray(SIGNAL(openTransformSequenceRequested(QString)));
        QTest::newRow("ssm") << "model.ssm" << QByteArray(SIGNAL(openSSMRequested(QString)));
        QTest::newRow("mat") << "cov.mat" << QByteArray(SIGNAL(openMatrixRequested(QString)));
        QTest::newRow("lvx") << "work.lvx" << QByteArray(SIGNAL(openProjectRequested(QString)));
        QTest::newRow("TIF") << "stack.TIF" << QByteArray();
        QTest::newRow("two suffixes") << "stack.tar.gz" << QByteArray();
    }
    void droppedFiles()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, signal);
        const QString path = dir->filePath(fileName);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        std::vector<std::unique_ptr<QSignalSpy>> spies;
        QList<QByteArray> names;
        for (const char* name : {SIGNAL(openTiffRequested(QString)), SIGNAL(openSurfaceRequested(QString)),
                 SIGNAL(openSnakeSequenceRequested(QString)), SIGNAL(openTransformSequenceRequested(QString)),
                 SIGNAL(openSSMRequested(QString)), SIGNAL(openMatrixRequested(QString)),
                 SIGNAL(openProjectRequested(QString))}) {
            spies.push_back(std::make_unique<QSignalSpy>(window.get(), name));
            names << QByteArray(name);
        }

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        NetworkWidget* network = window->GetNetwork();
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(network, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(network, &drop);

        for (size_t i = 0; i < spies.size(); ++i) {
            const bool expected = names[int(i)] == signal;
            QCOMPARE(spies[i]->count(), expected ? 1 : 0);
            if (expected)
                QCOMPARE(spies[i]->at(0).at(0).toString(), path);
        }
        if (signal.isEmpty()) {
            QCOMPARE((*prompter)->Calls().size(), 1);
            QCOMPARE((*prompter)->Last().kind, ScriptedPrompter::Kind::Warning);
            QCOMPARE((*prompter)->Last().title, QString("Unsupported file format"));
            QCOMPARE((*prompter)->Last().text,
                "File format " + QFileInfo(path).completeSuffix() + " is currently not supported.");
            QCOMPARE((*prompter)->Last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        } else {
            QVERIFY((*prompter)->Calls().isEmpty());
        }
    }

    void missingFileDoesNothing()
    {
        QSignalSpy spy(window.get(), &LumivoxWnd::openTiffRequested);
        window->OpenFileBySuffix(dir->filePath("gone.tif"));
        window->OpenFileBySuffix(dir->filePath("gone.TIF"));
        QCOMPARE(spy.count(), 0);
        QVERIFY((*prompter)->Calls().isEmpty());
    }

    void deleteRequestsRemovalInSelectionOrder()
    {
        WndObject& a = Make<WndObject>("Stack1", LVX::ImageStackType);
        WndObject& b = Make<WndObject>("Stack2", LVX::ImageStackType);
        WndObject& c = Make<WndObject>("Stack3", LVX::ImageStackType);
        window->CreateObjectWidget(&a)->setChecked(true);
        QTest::keyPress(window.get(), Qt::Key_Shift);
        window->CreateObjectWidget(&b);
        window->CreateObjectWidget(&c)->setChecked(true);
        window->FindObjectWidget(&b)->setChecked(true);
        QTest::keyRelease(window.get(), Qt::Key_Shift);
        QVERIFY(!window->GetNetwork()->IsMultiSelection());

        QList<LVXObject*> requested;
        connect(
            window.get(), &LumivoxWnd::removeObjectRequested, [&requested](LVXObject* object) { requested << object; });
        QTest::keyClick(window.get(), Qt::Key_Delete);
        QCOMPARE(requested, QList<LVXObject*>({&a, &c, &b}));
    }

    void shiftHoldsTheMultiSelection()
    {
        NetworkWidget* network = window->GetNetwork();
        QTest::keyPress(window.get(), Qt::Key_Shift);
        QVERIFY(network->IsMultiSelection());
        // Any other key ends it.
        QTest::keyClick(window.get(), Qt::Key_A);
        QVERIFY(!network->IsMultiSelection());
        QTest::keyPress(window.get(), Qt::Key_Shift);
        QTest::keyRelease(window.get(), Qt::Key_Shift);
        QVERIFY(!network->IsMultiSelection());
    }

    void escapeOverTheNetworkClearsTheSelection_data()
    {
        QTest::addColumn<bool>("overNetwork");
        QTest::newRow("over the network") << true;
        QTest::newRow("over the log") << false;
    }
    void escapeOverTheNetworkClearsTheSelection()
    {
        QFETCH(bool, overNetwork);
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        WndObject& a = Make<WndObject>("Stack1", LVX::ImageStackType);
        WndObject& b = Make<WndObject>("SliceView1", LVX::SliceViewType);
        LVXObjectWidget* stackWidget = window->CreateObjectWidget(&a);
        LVXObjectWidget* viewWidget = window->CreateObjectWidget(&b);
        stackWidget->setChecked(true);
        NetworkWidget* network = window->GetNetwork();
        Relation* open = Relation::Create(LVX::Relation3DView, viewWidget, nullptr);
        viewWidget->AddRelation(open);
        network->SetDraggedRelation(open);

        QWidget* under = overNetwork ? static_cast<QWidget*>(network) : window->GetLog();
        QCursor::setPos(under->mapToGlobal(QPoint(under->width() - 5, under->height() - 5)));
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QCOMPARE(stackWidget->isChecked(), !overNetwork);
        QCOMPARE(network->GetSelectedWidgets().size(), overNetwork ? 0 : 1);
        // A relation being dragged is dropped with the selection.
        QCOMPARE(viewWidget->GetRelations().size(), overNetwork ? size_t(0) : size_t(1));
    }

    void placeholderTab()
    {
        QTabWidget* tabs = window->GetViewTabs();
        QCOMPARE(TabTexts(tabs), QStringList({"No views"}));
        auto* placeholder = qobject_cast<View*>(tabs->widget(0));
        QVERIFY(placeholder);
        QCOMPARE(placeholder->GetName(), QString("No views"));
        QCOMPARE(placeholder->GetType(), LVX::ViewType);
        QCOMPARE(window->GetCurrentView(), nullptr);

        WndView& first = Make<WndView>("SliceView1");
        WndView& second = Make<WndView>("SliceView2");
        WndView& third = Make<WndView>("SliceView3");
        LVXObjectWidget* widget = window->AddView(&first);
        QCOMPARE(widget->GetObject(), &first);
        QCOMPARE(TabTexts(tabs), QStringList({"SliceView1"}));
        window->AddView(&second);
        window->AddView(&third);
        QCOMPARE(tabs->currentWidget(), &third);

        // Removing a tab makes the one before it current.
        window->RemoveObject(&second);
        QCOMPARE(TabTexts(tabs), QStringList({"SliceView1", "SliceView3"}));
        QCOMPARE(tabs->currentWidget(), &first);
        QCOMPARE(window->FindObjectWidget(&second), nullptr);
        window->SetCurrentView(&third);
        QCOMPARE(tabs->currentWidget(), &third);

        window->RemoveObject(&first);
        window->RemoveObject(&third);
        QCOMPARE(TabTexts(tabs), QStringList({"No views"}));
        // Removing what has no tab leaves exactly one placeholder.
        WndObject& stack = Make<WndObject>("Stack1", LVX::ImageStackType);
        window->CreateObjectWidget(&stack);
        window->RemoveObject(&stack);
        QCOMPARE(TabTexts(tabs), QStringList({"No views"}));

        window->AddView(&second);
        QCOMPARE(TabTexts(tabs), QStringList({"SliceView2"}));
    }

    void currentView_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("isCurrentView");
        QTest::newRow("slice or matrix view") << int(LVX::SliceViewType) << true;
        QTest::newRow("tomogram view") << int(LVX::TomogramViewType) << true;
        QTest::newRow("derivative view") << int(LVX::DerivativeViewType) << false;
    }
    void currentView()
    {
        QFETCH(int, type);
        QFETCH(bool, isCurrentView);
        WndImageView* view = &Make<WndImageView>("View1", LVX::ObjectType(type));
        window->AddView(view);
        QCOMPARE(window->GetCurrentView(), isCurrentView ? view : nullptr);
        window->RemoveObject(view);
        QCOMPARE(window->GetCurrentView(), nullptr);
    }

    void controlPanelsOfACheckedButton()
    {
        WndObject& object = Make<WndObject>("SliceView1", LVX::SliceViewType);
        object.panels.push_back(std::make_unique<PanelControl>("Parameters"));
        object.panels.push_back(std::make_unique<PanelControl>("Overlays"));
        LVXObjectWidget* widget = window->CreateObjectWidget(&object);
        QTabWidget* controls = window->GetControlTabs();

        window->ShowControls(widget);
        QCOMPARE(controls->count(), 0);
        widget->setChecked(true);
        window->ShowControls(widget);
        QCOMPARE(TabTexts(controls), QStringList({"Parameters", "Overlays"}));
        QCOMPARE(controls->widget(0), object.panels[0].get());

        // Hidden again, the panels go back to their owner.
        widget->setChecked(false);
        window->ShowControls(widget);
        QCOMPARE(controls->count(), 0);
        QCOMPARE(object.panels[0]->parentWidget(), nullptr);
    }

    void progressInStatusBar()
    {
        QStatusBar* status = window->statusBar();
        auto* other = new QLabel("other", status);
        status->addWidget(other);
        ProgressBarWidget* progress = window->GetProgressBar();
        QCOMPARE(LayoutIndex(status->layout(), progress), -1);

        Log::Progress scope("Working");
        QVERIFY(progress->isVisible());
        const int at = LayoutIndex(status->layout(), progress);
        QVERIFY(at >= 0);
        QVERIFY(at < LayoutIndex(status->layout(), other));

        window->onHideProgressBarRequested();
        QVERIFY(!progress->isVisible());
        QCOMPARE(LayoutIndex(status->layout(), progress), -1);
    }

    void logSinkAndVersionLine()
    {
        QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+-\\d+$").match(VersionText()).hasMatch());
        QCOMPARE(window->GetLog()->toPlainText().split('\n').first(), "> Lumivox ver. " + VersionText());
        QCOMPARE(Log::CurrentSink(), static_cast<Log::Sink*>(window.get()));
        Log::Error("broken");
        QVERIFY(window->GetLog()->toPlainText().split('\n').at(1).endsWith(" : ERROR: broken"));
        window.reset();
        QCOMPARE(Log::CurrentSink(), nullptr);
        QCOMPARE(LumivoxWnd::Instance(), nullptr);
    }

    void windowStateIsStored()
    {
        window.reset();
        Settings::Values().main.isFullscreen = false;
        Settings::Values().main.xSize = 700;
        Settings::Values().main.ySize = 500;
        window = std::make_unique<LumivoxWnd>();
        QCOMPARE(window->size(), QSize(700, 500));
        window->ShowAsConfigured();
        QVERIFY(!window->isMaximized());
        window->resize(640, 480);
        window->close();

        Settings::Values().main = Settings::Main();
        Settings::Load(dir->filePath("lumivox.ini"));
        QCOMPARE(Settings::Values().main.isFullscreen, false);
        QCOMPARE(Settings::Values().main.xSize, 640);
        QCOMPARE(Settings::Values().main.ySize, 480);
        QCOMPARE(Settings::Values().main.currentDir, dir->path());
    }

private:
    template <class T, class... Args> T& Make(Args&&... args)
    {
        objects.push_back(std::make_unique<T>(std::forward<Args>(args)...));
        return static_cast<T&>(*objects.back());
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScopedPrompter> prompter;
    std::unique_ptr<LumivoxWnd> window;
    std::vector<std::unique_ptr<LVXObject>> objects; // outlive the window's buttons
};

LUMIVOX_REGISTER_TEST(TestMainWindow)
#include "TestMainWindow.moc"
#include <QMessageBox>
