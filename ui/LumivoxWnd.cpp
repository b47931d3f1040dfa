#include "ui/LumivoxWnd.h"

#include "app/Version.h"
#include "model/LVXObject.h"
#include "model/Prompter.h"
#include "model/Settings.h"
#include "ui/HelpAboutDialog.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LogWidget.h"
#include "ui/MessageBoxPrompter.h"
#include "ui/NetworkWidget.h"
#include "ui/ProgressBarWidget.h"
#include "views/Control.h"
#include "views/ImageView.h"
#include "views/View.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

LumivoxWnd* instance = nullptr;

const QString placeholderName = QStringLiteral("No views");

// Wide enough for a stack button and its view's button beside it, 50 pixels apart.
constexpr int defaultNetworkWidth = 300;

QAction* AddAction(QMenu* menu, const QString& text, const char* objectName)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(objectName);
    return action;
}

QMenu* AddMenu(QMenu* parent, const QString& title, const char* objectName)
{
    QMenu* menu = parent->addMenu(title);
    menu->setObjectName(objectName);
    return menu;
}

} // namespace

LumivoxWnd::LumivoxWnd(QWidget* parent) : QMainWindow(parent)
{
    instance = this;
    setWindowTitle("Lumivox");
    BuildForm();

    const Settings::Main& settings = Settings::Values().main;
    if (!settings.isFullscreen) {
        setBaseSize(settings.xSize, settings.ySize);
        resize(settings.xSize, settings.ySize);
    }

    BuildMenus();
    Log::SetSink(this);
    ProjectWindow::SetCurrent(this);
    MessageBoxPrompter::InstallUnlessReplaced();
    log->Output("Lumivox ver. " + VersionText(), false);

    AddPlaceholder();
    mainSplitter->setSizes({25, 200});
    leftSplitter->setSizes({200, 25});
    BuildStatusBar();
}

LumivoxWnd::~LumivoxWnd()
{
    if (!stateWritten)
        WriteWindowState();
    if (Log::CurrentSink() == this)
        Log::SetSink(nullptr);
    if (ProjectWindow::Current() == this)
        ProjectWindow::SetCurrent(nullptr);

    // Views and control panels belong to their objects, not to the window: hand them back
    // before the window's widgets are deleted.
    ClearControls();
    while (viewTabWidget->count() > 0) {
        QWidget* widget = viewTabWidget->widget(0);
        viewTabWidget->removeTab(0);
        if (widget == placeholder)
            delete widget;
        else
            widget->setParent(nullptr);
    }
    placeholder = nullptr;
    // The buttons go while the window is whole, since their relations may still reach it.
    delete network;
    network = nullptr;
    if (instance == this)
        instance = nullptr;
}

LumivoxWnd* LumivoxWnd::Instance()
{
    return instance;
}

void LumivoxWnd::BuildForm()
{
    auto* central = new QWidget(this);
    central->setObjectName("centralwidget");
    auto* grid = new QGridLayout(central);

    mainSplitter = new QSplitter(Qt::Horizontal, central);
    mainSplitter->setObjectName("mainSplitter");
    controlsTabWidget = new QTabWidget(central);
    controlsTabWidget->setObjectName("controlsTabWidget");
    controlsTabWidget->setMaximumWidth(320);
    grid->addWidget(mainSplitter, 0, 0);
    grid->addWidget(controlsTabWidget, 0, 1);

    leftSplitter = new QSplitter(Qt::Vertical, mainSplitter);
    leftSplitter->setObjectName("leftSplitter");
    viewTabWidget = new QTabWidget(mainSplitter);
    viewTabWidget->setObjectName("viewTabWidget");
    mainSplitter->addWidget(leftSplitter);
    mainSplitter->addWidget(viewTabWidget);

    // The object network in a scroll area, and the log below it.
    auto* networkContainer = new QWidget(leftSplitter);
    networkContainer->setObjectName("networkContainer");
    auto* networkLayout = new QVBoxLayout(networkContainer);
    auto* scrollArea = new QScrollArea(networkContainer);
    scrollArea->setObjectName("networkScrollArea");
    scrollArea->setWidgetResizable(true);
    network = new NetworkWidget(this);
    scrollArea->setWidget(network);
    networkLayout->addWidget(scrollArea);

    auto* logContainer = new QWidget(leftSplitter);
    logContainer->setObjectName("logContainer");
    auto* logLayout = new QVBoxLayout(logContainer);
    logLayout->setContentsMargins(0, 0, 0, 0);
    log = new LogWidget(logContainer);
    log->setObjectName("logWidget");
    logLayout->addWidget(log);

    leftSplitter->addWidget(networkContainer);
    leftSplitter->addWidget(logContainer);

    setCentralWidget(central);
}

void LumivoxWnd::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("menubar");

    QMenu* file = bar->addMenu("File");
    file->setObjectName("menuFile");
    QMenu* newMenu = AddMenu(file, "New", "menuNew");
    QMenu* views = AddMenu(newMenu, "Views", "menuViews");
    QAction* newOGLView = AddAction(views, "3DView", "actionNewOGLView");
    QMenu* transformer = AddMenu(newMenu, "Transformer", "menuTransformer");
    QAction* statShape = AddAction(transformer, "Statistical", "actionStatShape");

    QMenu* open = AddMenu(file, "Open", "menuOpen");
    QAction* openProject = AddAction(open, "Project", "actionOpenProject");
    open->addSeparator();
    QAction* openTiff = AddAction(open, "TIFF", "actionOpenTIFF");
    QAction* openSurface = AddAction(open, "Surface", "actionOpenSurface");
    QAction* openSnakes = AddAction(open, "Active contour sequence", "actionOpenSnakeSequence");
    QAction* openTransforms = AddAction(open, "Transform sequence", "actionOpenTransformSequence");
    QAction* openSSM = AddAction(open, "Statistical shape model", "actionOpenSSM");
    QAction* openMatrix = AddAction(open, "Matrix", "actionOpenMatrix");

    QMenu* save = AddMenu(file, "Save", "menuSave");
    QAction* saveProject = AddAction(save, "Project", "actionSaveProject");
    file->addSeparator();
    QAction* exit = AddAction(file, "Exit", "actionExit");

    QMenu* edit = bar->addMenu("Edit");
    edit->setObjectName("menuEdit");
    QAction* clearProject = AddAction(edit, "Clear project", "actionClearProject");

    QMenu* help = bar->addMenu("Help");
    help->setObjectName("menuHelp");
    QAction* about = AddAction(help, "About", "actionHelpAbout");

    connect(openTiff, &QAction::triggered, this, &LumivoxWnd::onOpenTiff);
    connect(newOGLView, &QAction::triggered, this, &LumivoxWnd::onNewOGLView);
    connect(openSurface, &QAction::triggered, this, &LumivoxWnd::onOpenSurface);
    connect(openSnakes, &QAction::triggered, this, &LumivoxWnd::onOpenSnakeSequence);
    connect(exit, &QAction::triggered, this, &LumivoxWnd::onExit);
    connect(saveProject, &QAction::triggered, this, &LumivoxWnd::onSaveProject);
    connect(openProject, &QAction::triggered, this, &LumivoxWnd::onOpenProject);
    connect(openTransforms, &QAction::triggered, this, &LumivoxWnd::onOpenTransformSequence);
    connect(statShape, &QAction::triggered, this, &LumivoxWnd::onNewStatShape);
    connect(clearProject, &QAction::triggered, this, &LumivoxWnd::onClearProject);
    connect(about, &QAction::triggered, this, &LumivoxWnd::onHelpAbout);
    connect(openSSM, &QAction::triggered, this, &LumivoxWnd::onOpenSSM);
    connect(openMatrix, &QAction::triggered, this, &LumivoxWnd::onOpenMatrix);
}

void LumivoxWnd::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName("statusbar");
    bar->setContentsMargins(0, 0, 0, 3);
    bar->setMinimumHeight(32);
    progressBar = new ProgressBarWidget(bar);
    progressBar->setObjectName("progressBarWidget");
    progressBar->hide();
}

void LumivoxWnd::ShowAsConfigured()
{
    if (Settings::Values().main.isFullscreen) {
        // Sized to the screen first, so that it fills the screen also where no window manager
        // maximises it (a bare X server).
        if (QScreen* screen = QGuiApplication::primaryScreen())
            resize(screen->availableGeometry().size());
        showMaximized();
    } else
        show();
}

QTabWidget* LumivoxWnd::GetViewTabs() const
{
    return viewTabWidget;
}

QTabWidget* LumivoxWnd::GetControlTabs() const
{
    return controlsTabWidget;
}

QString LumivoxWnd::FileDialog(bool save, const QString& caption, const QString& filter, const QString& proposal)
{
    Settings::Main& settings = Settings::Values().main;
    QString start = settings.currentDir;
    if (!proposal.isEmpty())
        start += "/" + proposal;
    QString chosenFilter;
    QString path = save ? Prompter::Current().GetSaveFileName(this, caption, start, filter, &chosenFilter)
                        : Prompter::Current().GetOpenFileName(this, caption, start, filter);
    if (save)
        path = FileTypes::CompleteSuffix(path, chosenFilter);
    Settings::RememberDirOf(path);
    return path;
}

QString LumivoxWnd::GetOpenFileName(const QString& caption, const QString& filter)
{
    return FileDialog(false, caption, filter, QString());
}

QString LumivoxWnd::GetSaveFileName(const QString& caption, const QString& filter, const QString& proposal)
{
    return FileDialog(true, caption, filter, proposal);
}

void LumivoxWnd::OpenFileBySuffix(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return;
    const QString suffix = info.suffix();
    if (suffix == "tif" || suffix == "tiff")
        emit openTiffRequested(path);
    else if (suffix == "stl")
        emit openSurfaceRequested(path);
    else if (suffix == "acr")
        emit openSnakeSequenceRequested(path);
    else if (suffix == "trf")
        emit openTransformSequenceRequested(path);
    else if (suffix == "ssm")
        emit openSSMRequested(path);
    else if (suffix == "mat")
        emit openMatrixRequested(path);
    else if (suffix == "lvx")
        emit openProjectRequested(path);
    else
        Prompter::Current().Warning(this, "Unsupported file format",
            "File format " + info.completeSuffix() + " is currently not supported.", QMessageBox::Ok);
}

LVXObjectWidget* LumivoxWnd::CreateObjectWidget(LVXObject* object)
{
    return network->AddObjectWidgetNextTo(object, nullptr);
}

LVXObjectWidget* LumivoxWnd::CreateObjectWidget(LVXObject* object, const QPoint& position)
{
    return network->AddObjectWidget(object, position);
}

LVXObjectWidget* LumivoxWnd::CreateObjectWidgetNextTo(LVXObject* object, const LVXObjectWidget* near)
{
    return network->AddObjectWidgetNextTo(object, near);
}

LVXObjectWidget* LumivoxWnd::FindObjectWidget(const LVXObject* object) const
{
    return network->FindObjectWidget(object);
}

QList<LVXObjectWidget*> LumivoxWnd::GetObjectWidgets(int32_t objectType) const
{
    return network->GetObjectWidgets(objectType);
}

void LumivoxWnd::AddPlaceholder()
{
    placeholder = new View(placeholderName);
    viewTabWidget->addTab(placeholder, placeholderName);
}

bool LumivoxWnd::HasPlaceholder() const
{
    return placeholder && viewTabWidget->indexOf(placeholder) >= 0;
}

LVXObjectWidget* LumivoxWnd::AddView(View* view)
{
    return AddView(view, nullptr);
}

LVXObjectWidget* LumivoxWnd::AddView(View* view, const LVXObjectWidget* near)
{
    LVXObjectWidget* widget = network->AddObjectWidgetNextTo(view, near);
    const int index = viewTabWidget->addTab(view, view->GetName());
    viewTabWidget->setCurrentIndex(index);
    if (HasPlaceholder() && viewTabWidget->tabText(0) == placeholderName) {
        viewTabWidget->removeTab(viewTabWidget->indexOf(placeholder));
        delete placeholder;
        placeholder = nullptr;
    }
    return widget;
}

void LumivoxWnd::RemoveObject(LVXObject* object)
{
    if (!object)
        return;
    // Control panels of the object may be on show; they go with the object.
    if (LVXObjectWidget* widget = network->FindObjectWidget(object))
        if (shownControlsOf == widget)
            ClearControls();

    for (int i = viewTabWidget->count() - 1; i >= 0; --i) {
        QWidget* tab = viewTabWidget->widget(i);
        if (tab == placeholder || viewTabWidget->tabText(i) != object->GetName())
            continue;
        viewTabWidget->removeTab(i);
        // The view belongs to its object; the window only showed it.
        tab->setParent(nullptr);
        if (viewTabWidget->count() > 0)
            viewTabWidget->setCurrentIndex(std::max(0, i - 1));
    }
    if (viewTabWidget->count() == 0)
        AddPlaceholder();

    network->RemoveObjectWidget(object);
    Redraw();
}

void LumivoxWnd::SetCurrentView(LVXObject* viewObject)
{
    auto* view = dynamic_cast<View*>(viewObject);
    if (!view)
        return;
    const int index = viewTabWidget->indexOf(view);
    if (index >= 0)
        viewTabWidget->setCurrentIndex(index);
}

ImageView* LumivoxWnd::GetCurrentView() const
{
    // Only slice, matrix and tomogram views take commands addressed to the current view.
    auto* view = qobject_cast<View*>(viewTabWidget->currentWidget());
    if (!view || (view->GetType() != LVX::SliceViewType && view->GetType() != LVX::TomogramViewType))
        return nullptr;
    return qobject_cast<ImageView*>(view);
}

void LumivoxWnd::ClearControls()
{
    while (controlsTabWidget->count() > 0)
        controlsTabWidget->removeTab(0);
    // Each panel goes back to the parent it had before it was shown here.
    for (const ShownControl& shown : shownControls) {
        if (!shown.control)
            continue;
        shown.control->hide();
        shown.control->setParent(shown.originalParent);
    }
    shownControls.clear();
    shownControlsOf = nullptr;
}

void LumivoxWnd::ShowControls(LVXObjectWidget* widget)
{
    ClearControls();
    if (!widget || !widget->isChecked())
        return;
    shownControlsOf = widget;
    for (const LVXObjectWidget::ControlPanel& panel : widget->GetControls()) {
        shownControls.push_back({panel.control, panel.control->parentWidget()});
        controlsTabWidget->addTab(panel.control, panel.title);
    }
}

void LumivoxWnd::ShowProgressBar()
{
    statusBar()->insertWidget(0, progressBar);
    progressBar->show();
}

void LumivoxWnd::Redraw()
{
    if (QWidget* current = viewTabWidget->currentWidget())
        current->update();
    emit viewForceUpdateRequested();
}

void LumivoxWnd::RegisterAuxWindow(AuxWindow* window, QObject* windowObject)
{
    auxWindows.append(window);
    auxWindowObjects.append(windowObject);
    connect(windowObject, &QObject::destroyed, this, [this](QObject* gone) {
        const int index = auxWindowObjects.indexOf(gone);
        if (index >= 0) {
            auxWindows.removeAt(index);
            auxWindowObjects.removeAt(index);
        }
    });
}

QString LumivoxWnd::AskSaveFileName(const QString& caption, const QString& filter, const QString& proposal)
{
    return GetSaveFileName(caption, filter, proposal);
}

// Log::Sink

void LumivoxWnd::Output(const QString& text, bool dateTime)
{
    log->Output(text, dateTime);
}

void LumivoxWnd::Error(const QString& text)
{
    log->Error(text);
}

void LumivoxWnd::Warning(const QString& text)
{
    log->Warning(text);
}

void LumivoxWnd::ShowProgress()
{
    ShowProgressBar();
}

void LumivoxWnd::HideProgress()
{
    onHideProgressBarRequested();
}

void LumivoxWnd::SetProgressText(const QString& text)
{
    progressBar->SetText(text);
}

void LumivoxWnd::SetProgressBusy()
{
    progressBar->SetBusy();
}

void LumivoxWnd::SetProgressMaximum(int max)
{
    progressBar->SetMaximum(max);
}

void LumivoxWnd::SetProgressValue(int value)
{
    progressBar->SetValue(value);
}

// Menu commands

void LumivoxWnd::onNewOGLView()
{
    emit newOGLViewRequested();
}

void LumivoxWnd::onNewStatShape()
{
    emit newStatShapeRequested();
}

void LumivoxWnd::onOpenProject()
{
    const QString path = GetOpenFileName("Open project", "Lumivox project (*.lvx)");
    if (!path.isEmpty())
        emit openProjectRequested(path);
}

void LumivoxWnd::onOpenTiff()
{
    const QString path = GetOpenFileName("Open TIFF stack", "TIFF images (*.tif *.tiff)");
    if (!path.isEmpty())
        emit openTiffRequested(path);
}

void LumivoxWnd::onOpenSurface()
{
    const QString path = GetOpenFileName("Open surface", "STL files (*.stl)");
    if (!path.isEmpty())
        emit openSurfaceRequested(path);
}

void LumivoxWnd::onOpenSnakeSequence()
{
    const QString path = GetOpenFileName("Open active contour", "Lumivox Active contours (*.acr)");
    if (!path.isEmpty())
        emit openSnakeSequenceRequested(path);
}

void LumivoxWnd::onOpenTransformSequence()
{
    const QString path = GetOpenFileName("Open transform sequence", "Lumivox Transforms (*.trf)");
    if (!path.isEmpty())
        emit openTransformSequenceRequested(path);
}

void LumivoxWnd::onOpenSSM()
{
    const QString path = GetOpenFileName("Open statistical shape model", "Lumivox SSMs (*.ssm)");
    if (!path.isEmpty())
        emit openSSMRequested(path);
}

void LumivoxWnd::onOpenMatrix()
{
    const QString path = GetOpenFileName("Open matrix", "Lumivox matrices (*.mat)");
    if (!path.isEmpty())
        emit openMatrixRequested(path);
}

QString LumivoxWnd::GetProjectSaveFileName()
{
    return GetSaveFileName("Save project", "Lumivox project (*.lvx)");
}

void LumivoxWnd::onSaveProject()
{
    const QString path = GetProjectSaveFileName();
    if (!path.isEmpty())
        emit saveProjectRequested(path);
}

void LumivoxWnd::onExit()
{
    close();
}

void LumivoxWnd::onClearProject()
{
    emit clearProjectRequested();
}

void LumivoxWnd::onHelpAbout()
{
    HelpAboutDialog dialog(this);
    Prompter::Current().Exec(&dialog);
}

void LumivoxWnd::onCurrentViewUpdateRequested()
{
    Redraw();
}

void LumivoxWnd::onHideProgressBarRequested()
{
    progressBar->hide();
    statusBar()->removeWidget(progressBar);
}

void LumivoxWnd::onObjectChanged(LVXObject* src, bool curr, bool prev)
{
    if (curr == prev)
        return;
    if (LVXObjectWidget* widget = network->FindObjectWidget(src))
        widget->RefreshText();
}

void LumivoxWnd::onAuxWindowClosed()
{
    const int index = auxWindowObjects.indexOf(sender());
    if (index >= 0) {
        auxWindows.removeAt(index);
        auxWindowObjects.removeAt(index);
    }
}

// Events

bool LumivoxWnd::IsCursorOverNetwork() const
{
    QWidget* under = QApplication::widgetAt(QCursor::pos());
    while (under && under != network)
        under = under->parentWidget();
    return under == network;
}

void LumivoxWnd::keyPressEvent(QKeyEvent* event)
{
    network->SetMultiSelection(false);
    switch (event->key()) {
    case Qt::Key_Escape:
        if (IsCursorOverNetwork())
            network->ClearSelection();
        break;
    case Qt::Key_Delete: {
        const QList<LVXObject*> selected = network->GetSelectedObjects();
        for (LVXObject* object : selected)
            emit removeObjectRequested(object);
        break;
    }
    case Qt::Key_Shift:
        network->SetMultiSelection(true);
        break;
    default:
        QMainWindow::keyPressEvent(event);
        break;
    }
}

void LumivoxWnd::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Shift)
        network->SetMultiSelection(false);
    else
        QMainWindow::keyReleaseEvent(event);
}

void LumivoxWnd::WriteWindowState()
{
    Settings::Main& settings = Settings::Values().main;
    settings.isFullscreen = isMaximized();
    // A maximized window keeps the size it returns to.
    const QSize size = isMaximized() && normalGeometry().isValid() ? normalGeometry().size() : this->size();
    settings.xSize = size.width();
    settings.ySize = size.height();
    Settings::WriteWindowState();
    stateWritten = true;
}

void LumivoxWnd::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The first showing gives the network pane its width in pixels; later the user's stays.
    if (networkWidthPlaced)
        return;
    networkWidthPlaced = true;
    const int total = mainSplitter->width();
    const int network = std::min(defaultNetworkWidth, total / 2);
    mainSplitter->setSizes({network, total - network});
}

void LumivoxWnd::closeEvent(QCloseEvent* event)
{
    if (closeGuard && !closeGuard()) {
        event->ignore();
        return;
    }
    WriteWindowState();
    QMainWindow::closeEvent(event);
}
