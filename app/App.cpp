#include "app/App.h"

#include "app/LVXThread.h"
#include "app/ObjectFiles.h"
#include "app/ProjectCommands.h"
#include "app/Relation.h"
#include "app/StackCommands.h"
#include "attachments/AnnotationCreation.h"
#include "contours/ContourCommands.h"
#include "contours/ContourViews.h"
#include "contours/SnakeSequence.h"
#include "model/Log.h"
#include "surfaces/SurfaceCommands.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/NetworkWidget.h"
#include "views/ImageView.h"
#include "views/View.h"
#include "views/ViewActions.h"

#include <algorithm>

App::App(LumivoxWnd* window, QObject* parent) : QObject(parent), window(window)
{
    Q_ASSERT(window);
    removalTimer.setSingleShot(true);
    connect(&removalTimer, &QTimer::timeout, this, &App::onRemovalTimeout);
    dialogPosition = QPoint((window->width() + 1) / 2, (window->height() + 1) / 2);

    connect(window, &LumivoxWnd::contextMenuActionTriggered, this, &App::onContextMenuAction);
    connect(window, &LumivoxWnd::removeObjectRequested, this, &App::onRemoveObjectRequested);
    connect(window, &LumivoxWnd::openTiffRequested, this, &App::onOpenTiffRequested);
    connect(window, &LumivoxWnd::newLineRequested, this, &App::onNewLineRequested);
    connect(window, &LumivoxWnd::newRectangleRequested, this, &App::onNewRectangleRequested);
    connect(window, &LumivoxWnd::newSnakeRequested, this, &App::onNewSnakeRequested);
    connect(window, &LumivoxWnd::openSnakeSequenceRequested, this, &App::onOpenSnakeSequenceRequested);
    RegisterViewActions(*this);
    StackCommands::RegisterStackActions(*this);
    ContourCommands::RegisterContourActions(*this);
    SurfaceCommands::RegisterSurfaceActions(*this);
    ProjectCommands::RegisterProjectActions(*this);
    ContourViews::Register();
}

App::~App()
{
    window->SetCloseGuard(nullptr);
    removalTimer.stop();
    removalQueue.clear();
    while (LVXObject* object = registry.Front())
        removeObject(object);
}

// --- registry ---

void App::registerOwned(std::unique_ptr<LVXObject> object, IDNUM id)
{
    LVXObject* raw = registry.Add(std::move(object), id);
    if (!raw)
        return;
    connect(raw->Events(), &ObjectEventInterface::removeObjectRequested, this, &App::onRemoveObjectRequested);
    connect(raw->Events(), &ObjectEventInterface::changedStateChanged, window, &LumivoxWnd::onObjectChanged);
}

SnakeSequence* App::registerObject(std::unique_ptr<SnakeSequence> sequence, IDNUM id)
{
    if (!sequence)
        return nullptr;
    SnakeSequence* raw = sequence.get();
    connect(raw, &SnakeSequence::processStepRequested, this, &App::onSnakeProcessStep);
    connect(raw, &SnakeSequence::processSliceRequested, this, &App::onSnakeProcessSlice);
    connect(raw, &SnakeSequence::processStackRequested, this, &App::onSnakeProcessStack);
    connect(raw, &SnakeSequence::deleteFirstRequested, this, &App::onSnakeDeleteFirst);
    connect(raw, &SnakeSequence::deleteLastRequested, this, &App::onSnakeDeleteLast);
    connect(raw, &SnakeSequence::deleteSelectedRequested, this, &App::onSnakeDeleteSelected);
    registerOwned(std::unique_ptr<LVXObject>(std::move(sequence)), id);
    return raw;
}

// --- removal ---

void App::scheduleRemoval(LVXObject* object)
{
    if (!object)
        return;
    removalQueue.push_back(object);
    removalTimer.start(50);
}

void App::onRemovalTimeout()
{
    if (removalQueue.empty())
        return;
    LVXObject* object = removalQueue.front();
    removalQueue.pop_front();
    removeObject(object);
    // One object per expiry; the next waits for its own.
    if (!removalQueue.empty())
        removalTimer.start(50);
}

void App::removeObject(LVXObject* object)
{
    if (!registry.Contains(object))
        return;
    object->SetBeingRemoved();
    removalQueue.erase(std::remove(removalQueue.begin(), removalQueue.end(), object), removalQueue.end());
    // Deleting the button deletes its relations, whose other ends may remove their own objects
    // (a view whose stack goes away); the registry is looked up again afterwards.
    window->RemoveObject(object);
    std::unique_ptr<LVXObject> owned = registry.Take(object);
    owned.reset();
}

void App::onRemoveObjectRequested(LVXObject* obj)
{
    if (obj && !obj->IsBeingRemoved())
        removeObject(obj);
}

void App::onClearProjectRequested()
{
    while (LVXObject* object = registry.Front())
        removeObject(object);
}

// --- views and relations ---

void App::addOwnedView(std::unique_ptr<View> view, LVXObjectWidget* source)
{
    View* raw = view.get();
    raw->SetName(raw->GetName() + QString::number(nextNameNumber(raw->GetType())));
    registerOwned(std::move(view), NoId);
    LVXObjectWidget* viewWidget = window->AddView(raw, source);
    if (viewWidget && source)
        viewWidget->AddRelation(Relation::Create(LVX::RelationSource, viewWidget, source));
}

View* App::linkTo3DView(LVXObjectWidget* widget)
{
    if (!widget)
        return nullptr;
    const QList<LVXObjectWidget*> views = window->GetObjectWidgets(LVX::OGLViewType);
    if (views.isEmpty()) {
        if (!viewFactory3D)
            return nullptr;
        std::unique_ptr<View> view(viewFactory3D());
        if (!view)
            return nullptr;
        View* raw = view.get();
        raw->SetName("3DView" + QString::number(nextNameNumber(LVX::OGLViewType)));
        registerOwned(std::move(view), NoId);
        LVXObjectWidget* viewWidget = window->AddView(raw, widget);
        widget->AddRelation(Relation::Create(LVX::Relation3DView, widget, viewWidget));
        return raw;
    }
    if (views.size() > 1)
        return nullptr; // the user picks one by dragging the open relation of action 1
    LVXObjectWidget* viewWidget = views.front();
    for (const auto& relation : widget->GetRelations())
        if (relation->GetType() == LVX::Relation3DView && relation->GetOther() == viewWidget)
            return nullptr;
    widget->AddRelation(Relation::Create(LVX::Relation3DView, widget, viewWidget));
    return dynamic_cast<View*>(viewWidget->GetObject());
}

Relation* App::openRelation(LVXObjectWidget* widget, uint32_t type)
{
    if (!widget)
        return nullptr;
    Relation* relation = widget->FindRelation(type);
    if (!relation) {
        relation = Relation::Create(type, widget, nullptr);
        if (!relation)
            return nullptr;
        widget->AddRelation(relation);
    } else {
        relation->Disconnect();
    }
    window->GetNetwork()->SetDraggedRelation(relation);
    return relation;
}

LVXObject* App::duplicate(LVXObject* object)
{
    if (!object)
        return nullptr;
    std::unique_ptr<LVXObject> copy(object->Clone());
    if (!copy)
        return nullptr;
    copy->SetName("Copy of" + object->GetName());
    // The copy is new: it has no file until it is saved, so saving it never overwrites the original's.
    copy->SetFile(QFileInfo());
    copy->SetChanged(true);
    LVXObject* raw = copy.get();
    // A copied contour sequence answers its panel's buttons like any other.
    if (auto* sequence = dynamic_cast<SnakeSequence*>(raw)) {
        copy.release();
        registerObject(std::unique_ptr<SnakeSequence>(sequence), NoId);
    } else {
        registerOwned(std::move(copy), NoId);
    }
    window->CreateObjectWidget(raw);
    return raw;
}

// --- context menu ---

void App::SetMenuHandler(LVX::MenuAction action, MenuHandler handler)
{
    if (handler)
        menuHandlers[action] = std::move(handler);
    else
        menuHandlers.erase(action);
}

void App::onContextMenuAction(LVXObjectWidget* actionSender, LVX::MenuAction actionType)
{
    if (actionType < LVX::Link3DView || actionType > LVX::Remove) {
        Log::Error("Unknown menu action type");
        return;
    }
    if (!actionSender || !actionSender->GetObject())
        return;
    LVXObject* object = actionSender->GetObject();
    switch (actionType) {
    case LVX::Link3DView:
        link3DViewAction(actionSender);
        return;
    case LVX::SetFourthPanel:
        openRelation(actionSender, LVX::RelationFourthPanel);
        return;
    case LVX::SetSource:
        openRelation(actionSender, LVX::RelationSource);
        return;
    case LVX::AddSurface: {
        Relation* relation = Relation::Create(LVX::RelationSurface, actionSender, nullptr);
        actionSender->AddRelation(relation);
        window->GetNetwork()->SetDraggedRelation(relation);
        return;
    }
    case LVX::SetASMSearchStack:
        openRelation(actionSender, LVX::RelationSearchStack);
        return;
    case LVX::Save:
        saveObject(object);
        return;
    case LVX::SaveAs:
        saveObjectAs(object);
        return;
    case LVX::Duplicate:
        duplicate(object);
        return;
    case LVX::Remove:
        scheduleRemoval(object);
        return;
    default:
        break;
    }
    // The actions of the object families (views of stacks, selections, surfaces, ...).
    const auto handler = menuHandlers.find(actionType);
    if (handler != menuHandlers.end())
        handler->second(actionSender);
}

void App::link3DViewAction(LVXObjectWidget* widget)
{
    if (!linkTo3DView(widget)) {
        // Several 3-D views (or the object is shown already): the user drags the open end.
        Relation* relation = Relation::Create(LVX::Relation3DView, widget, nullptr);
        widget->AddRelation(relation);
        window->GetNetwork()->SetDraggedRelation(relation);
    }
    window->Redraw();
}

void App::saveObject(LVXObject* object)
{
    // An object that has no file of its own yet is saved as with "Save as...".
    if (object->GetFile().filePath().isEmpty()) {
        saveObjectAs(object);
        return;
    }
    ObjectFiles::Save(*object);
}

void App::saveObjectAs(LVXObject* object)
{
    const QString path = window->GetSaveFileName("Save", object->GetFileTypes().filter, object->GetName());
    if (!path.isEmpty())
        ObjectFiles::SaveAs(*object, path);
}

// --- log and progress of tasks ---

void App::onLogOutputRequested(QString text, bool dateTime)
{
    window->Output(text, dateTime);
}

void App::onSetProgressBarTextRequested(QString text)
{
    window->SetProgressText(text);
}

void App::onSetProgressBarBusyRequested()
{
    window->SetProgressBusy();
}

void App::onSetProgressBarValueRequested(int val)
{
    window->SetProgressValue(val);
}

void App::onSetProgressBarMaximumRequested(int max)
{
    window->SetProgressMaximum(max);
}

void App::onThreadAdded(LVXThread* thread)
{
    if (!thread || threadConnections.count(thread))
        return;
    std::vector<QMetaObject::Connection>& connections = threadConnections[thread];
    connections.push_back(
        connect(thread, &LVXThread::logOutputRequested, this, &App::onLogOutputRequested, Qt::QueuedConnection));
    connections.push_back(connect(thread, &LVXThread::setProgressBarTextRequested, this,
        &App::onSetProgressBarTextRequested, Qt::QueuedConnection));
    connections.push_back(connect(thread, &LVXThread::setProgressBarBusyRequested, this,
        &App::onSetProgressBarBusyRequested, Qt::QueuedConnection));
    connections.push_back(connect(thread, &LVXThread::setProgressBarValueRequested, this,
        &App::onSetProgressBarValueRequested, Qt::QueuedConnection));
    connections.push_back(connect(thread, &LVXThread::setProgressBarMaximumRequested, this,
        &App::onSetProgressBarMaximumRequested, Qt::QueuedConnection));
    connections.push_back(
        connect(thread, &LVXThread::terminated, this, &App::onThreadTerminated, Qt::QueuedConnection));
    window->ShowProgressBar();
}

void App::onThreadTerminated(LVXThread* thread)
{
    window->HideProgress();
    const auto it = threadConnections.find(thread);
    if (it == threadConnections.end())
        return;
    for (const QMetaObject::Connection& connection : it->second)
        disconnect(connection);
    threadConnections.erase(it);
}

// --- annotations ---

void App::onNewLineRequested(QPoint pos, ImageView* sender)
{
    AnnotationCreation::CreateLine(*this, pos, sender);
}

void App::onNewRectangleRequested(QPoint pos, ImageView* sender)
{
    AnnotationCreation::CreateRectangle(*this, pos, sender);
}

void App::onOpenTiffRequested(QString path)
{
    StackCommands::OpenTiff(*this, path);
}

// --- active contours ---

void App::onSnakeProcessStep()
{
    ContourCommands::ProcessStep(*this);
}

void App::onSnakeProcessSlice()
{
    ContourCommands::ProcessSlice(*this);
}

void App::onSnakeProcessStack()
{
    ContourCommands::ProcessStack(*this);
}

void App::onSnakeDeleteFirst()
{
    ContourCommands::DeleteFirst(*this);
}

void App::onSnakeDeleteLast()
{
    ContourCommands::DeleteLast(*this);
}

void App::onSnakeDeleteSelected()
{
    ContourCommands::DeleteSelected(*this);
}

void App::onNewSnakeRequested(QPoint pos, LVX::Orientation orientation, ImageView* sender)
{
    ContourCommands::NewSequence(*this, pos, orientation, sender);
}

void App::onDialSnakeButtonClicked(ContinueSnakeDialog* dialog, int result)
{
    ContourCommands::AnswerContinueDialog(*this, dialog, result);
}

void App::onOpenSnakeSequenceRequested(QString path)
{
    ContourCommands::OpenSequence(*this, path);
}
