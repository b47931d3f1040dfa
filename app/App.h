#pragma once

#include "model/LVX.h"
#include "model/LVXObject.h"
#include "model/ObjectRegistry.h"

#include <QMetaObject>
#include <QObject>
#include <QPoint>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class ContinueSnakeDialog;
class LVXObjectWidget;
class LVXThread;
class LumivoxWnd;
class Relation;
class ImageView;
class SnakeSequence;
class View;

// The controller: owns every project object, gives it its identifier, removes it on request,
// creates views and relations, and answers the main window's requests and the context-menu
// actions of the object buttons. Menu actions that belong to an object family are handed to the
// handler that family installs (SetMenuHandler), so that the controller stays a dispatcher.
class App : public QObject {
    Q_OBJECT
public:
    using MenuHandler = std::function<void(LVXObjectWidget* actionSender)>;
    using ViewFactory = std::function<View*()>;

    // Connects the window's requests. The window must outlive the controller.
    explicit App(LumivoxWnd* window, QObject* parent = nullptr);
    ~App() override; // removes every object, head first

    LumivoxWnd* GetWindow() const { return window; }

    // Registry.
    // Takes the object, gives it `id` (the next free identifier for NoId), appends it and
    // connects its removal request and changed state. Call it before creating its button.
    template <class T> T* registerObject(std::unique_ptr<T> object, IDNUM id = NoId)
    {
        T* raw = object.get();
        registerOwned(std::unique_ptr<LVXObject>(std::move(object)), id);
        return raw;
    }
    // A contour sequence: its six requests (step, slice, stack, delete first, delete last, delete
    // selected) are connected, in this order, to the six contour slots, then it is registered.
    SnakeSequence* registerObject(std::unique_ptr<SnakeSequence> sequence, IDNUM id = NoId);
    // The variant for shape-model builders comes with the shape model.
    const ObjectRegistry& Registry() const { return registry; }
    std::vector<LVXObject*> Objects() const { return registry.Objects(); }
    IDNUM nextFreeId() const { return registry.NextFreeId(); }
    int nextNameNumber(int32_t type) const { return registry.NextNameNumber(type); }

    // Removal.
    // Removes the object after 50 ms (the request comes from the button that removal deletes).
    void scheduleRemoval(LVXObject* object);
    // Closes its tab, deletes its button, forgets and deletes the object.
    void removeObject(LVXObject* object);
    const std::deque<LVXObject*>& RemovalQueue() const { return removalQueue; }
    QTimer* RemovalTimer() { return &removalTimer; }

    // Views and relations.
    // Names the view after its kind and number, registers it, gives it a tab and links it to the
    // object it shows (type-2 relation from its button to `source`, when given).
    template <class T> T* addView(std::unique_ptr<T> view, LVXObjectWidget* source)
    {
        T* raw = view.get();
        addOwnedView(std::unique_ptr<View>(std::move(view)), source);
        return raw;
    }
    // Shows the object of `widget` in the 3-D view: a new one when none exists (made by the
    // factory), the only one when there is one. Returns the view linked, or null.
    View* linkTo3DView(LVXObjectWidget* widget);
    // Makes the new 3-D views: named, coloured and connected to the window's
    // viewForceUpdateRequested by the factory; registered and placed by the controller.
    void Set3DViewFactory(ViewFactory factory) { viewFactory3D = std::move(factory); }
    // Opens a relation of `type` at the widget (a new open one, or the existing one with its
    // other end disconnected) and hands it to the network pane for dragging.
    Relation* openRelation(LVXObjectWidget* widget, uint32_t type);
    // Clones the object as "Copy of" + its name, registers the clone and creates its button.
    LVXObject* duplicate(LVXObject* object);

    // Installs what a menu action does for the object families that offer it (null removes it).
    void SetMenuHandler(LVX::MenuAction action, MenuHandler handler);

    QPoint DialogPosition() const { return dialogPosition; }
    void SetDialogPosition(const QPoint& position) { dialogPosition = position; }
    // Where the last continue dialog of a contour stack run was answered (global coordinates);
    // the next one opens there. Until the first answer the dialog opens over the main window.
    bool HasContinueDialogPosition() const { return continueDialogAnswered; }
    void SetContinueDialogPosition(const QPoint& position)
    {
        dialogPosition = position;
        continueDialogAnswered = true;
    }

public slots:
    void onContextMenuAction(LVXObjectWidget* actionSender, LVX::MenuAction actionType);
    void onClearProjectRequested();
    void onRemoveObjectRequested(LVXObject* obj);
    void onLogOutputRequested(QString text, bool dateTime);
    void onSetProgressBarTextRequested(QString text);
    void onSetProgressBarBusyRequested();
    void onSetProgressBarValueRequested(int val);
    void onSetProgressBarMaximumRequested(int max);
    void onThreadAdded(LVXThread* thread);
    void onThreadTerminated(LVXThread* thread);
    void onOpenTiffRequested(QString path);
    // New annotations drawn with a view's line and rectangle tools (attachments/AnnotationCreation).
    void onNewLineRequested(QPoint pos, ImageView* sender);
    void onNewRectangleRequested(QPoint pos, ImageView* sender);
    // Active contours (contours/ContourCommands): the buttons of a sequence's panel act on every
    // selected sequence in the view of the current tab.
    void onSnakeProcessStep();
    void onSnakeProcessSlice();
    void onSnakeProcessStack();
    void onSnakeDeleteFirst();
    void onSnakeDeleteLast();
    void onSnakeDeleteSelected();
    void onNewSnakeRequested(QPoint pos, LVX::Orientation orientation, ImageView* sender);
    // The answer (result code) to a continue dialog of a stack run.
    void onDialSnakeButtonClicked(ContinueSnakeDialog* dialog, int result);
    void onOpenSnakeSequenceRequested(QString path);

private:
    void registerOwned(std::unique_ptr<LVXObject> object, IDNUM id);
    void addOwnedView(std::unique_ptr<View> view, LVXObjectWidget* source);
    void onRemovalTimeout();
    void saveObject(LVXObject* object);
    void saveObjectAs(LVXObject* object);
    void link3DViewAction(LVXObjectWidget* widget);

    LumivoxWnd* window;
    ObjectRegistry registry;
    std::deque<LVXObject*> removalQueue;
    QTimer removalTimer;
    QPoint dialogPosition;
    bool continueDialogAnswered = false;
    std::map<LVX::MenuAction, MenuHandler> menuHandlers;
    ViewFactory viewFactory3D;
    std::map<LVXThread*, std::vector<QMetaObject::Connection>> threadConnections;
};
