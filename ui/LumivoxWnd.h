#pragma once

#include "model/LVX.h"
#include "model/Log.h"
#include "model/ProjectWindow.h"

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class AuxWindow;
class ImageView;
class LVXObject;
class LVXObjectWidget;
class LogWidget;
class NetworkWidget;
class ProgressBarWidget;
class QTabWidget;
class QSplitter;
class View;

// The single main window: object network, log, view tabs, control panels, menus and status bar.
// It turns menu commands, drops and keys into request signals for the controller and offers the
// window operations below. It is also the log and progress sink of the program (Log::Sink).
class LumivoxWnd : public QMainWindow, public Log::Sink, public ProjectWindow {
    Q_OBJECT
public:
    explicit LumivoxWnd(QWidget* parent = nullptr);
    ~LumivoxWnd() override; // writes the window state to the settings

    // Asked before the window closes ("Exit", the close button); closing goes on when it returns true.
    void SetCloseGuard(std::function<bool()> guard) { closeGuard = std::move(guard); }

    // Shows the window maximized or at its stored size, as the settings say.
    void ShowAsConfigured();

    // The window that exists, or null (there is at most one).
    static LumivoxWnd* Instance();

    LogWidget* GetLog() const { return log; }
    NetworkWidget* GetNetwork() const { return network; }
    ProgressBarWidget* GetProgressBar() const { return progressBar; }
    QTabWidget* GetViewTabs() const;
    QTabWidget* GetControlTabs() const;

    // File dialogs, starting in the last used directory (followed by "/" and the proposal);
    // the picked file's directory becomes the last used one. Empty when cancelled.
    QString GetOpenFileName(const QString& caption, const QString& filter);
    QString GetSaveFileName(const QString& caption, const QString& filter, const QString& proposal = QString());
    QString GetProjectSaveFileName(); // the "Save project" dialog of the menu command

    // Opens an existing file by its suffix (case-sensitive), as for dropped files.
    void OpenFileBySuffix(const QString& path);

    // Window operations used by the controller and the views.
    LVXObjectWidget* CreateObjectWidget(LVXObject* object);
    LVXObjectWidget* CreateObjectWidget(LVXObject* object, const QPoint& position);
    // The button 50 pixels to the right of `near` (below the lowest button without one).
    LVXObjectWidget* CreateObjectWidgetNextTo(LVXObject* object, const LVXObjectWidget* near);
    LVXObjectWidget* FindObjectWidget(const LVXObject* object) const;
    QList<LVXObjectWidget*> GetObjectWidgets(int32_t objectType) const;
    // Creates the view's button and tab, makes the tab current, removes "No views"; returns the button.
    LVXObjectWidget* AddView(View* view);
    LVXObjectWidget* AddView(View* view, const LVXObjectWidget* near); // the button placed next to `near`
    void RemoveObject(LVXObject* object);                              // closes its tabs, deletes its button, redraws
    void SetCurrentView(LVXObject* viewObject);
    ImageView* GetCurrentView() const; // the view of the current tab if it is a slice, matrix or tomogram view
    void ShowControls(LVXObjectWidget* widget);
    void ShowProgressBar();
    void Redraw(); // updates the current tab and emits viewForceUpdateRequested
    // Separate windows (histograms) that close themselves through onAuxWindowClosed; `windowObject`
    // is the same window as a QObject.
    void RegisterAuxWindow(AuxWindow* window, QObject* windowObject);
    const QList<AuxWindow*>& GetAuxWindows() const { return auxWindows; }

    // ProjectWindow
    QString AskSaveFileName(const QString& caption, const QString& filter, const QString& proposal) override;

    // Log::Sink
    void Output(const QString& text, bool dateTime) override;
    void Error(const QString& text) override;
    void Warning(const QString& text) override;
    void ShowProgress() override;
    void HideProgress() override;
    void SetProgressText(const QString& text) override;
    void SetProgressBusy() override;
    void SetProgressMaximum(int max) override;
    void SetProgressValue(int value) override;

signals:
    void contextMenuActionTriggered(LVXObjectWidget* actionSender, LVX::MenuAction actionType);
    void newOGLViewRequested();
    void newStatShapeRequested();
    void openProjectRequested(QString path);
    void openTiffRequested(QString path);
    void openSurfaceRequested(QString path);
    void openSnakeSequenceRequested(QString path);
    void openTransformSequenceRequested(QString path);
    void openSSMRequested(QString path);
    void openMatrixRequested(QString path);
    void saveProjectRequested(QString path);
    void clearProjectRequested();
    void newSnakeRequested(QPoint pos, LVX::Orientation orient, ImageView* sender);
    void newLineRequested(QPoint pos, ImageView* sender);
    void newRectangleRequested(QPoint pos, ImageView* sender);
    void newSplineRequested(QPoint pos, ImageView* sender);
    void viewForceUpdateRequested();
    void removeObjectRequested(LVXObject* obj);

public slots:
    void onNewOGLView();
    void onNewStatShape();
    void onOpenProject();
    void onOpenTiff();
    void onOpenSurface();
    void onOpenSnakeSequence();
    void onOpenTransformSequence();
    void onOpenSSM();
    void onOpenMatrix();
    void onSaveProject();
    void onExit();
    void onClearProject();
    void onHelpAbout();
    void onCurrentViewUpdateRequested();
    void onHideProgressBarRequested();
    void onObjectChanged(LVXObject* src, bool curr, bool prev);
    void onAuxWindowClosed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct ShownControl {
        QPointer<QWidget> control;
        QPointer<QWidget> originalParent;
    };

    void BuildForm();
    void BuildMenus();
    void BuildStatusBar();
    QString FileDialog(bool save, const QString& caption, const QString& filter, const QString& proposal);
    void AddPlaceholder();
    bool HasPlaceholder() const;
    void ClearControls();
    bool IsCursorOverNetwork() const;
    void WriteWindowState();

    LogWidget* log = nullptr;
    NetworkWidget* network = nullptr;
    ProgressBarWidget* progressBar = nullptr;
    QList<AuxWindow*> auxWindows;
    QList<QObject*> auxWindowObjects; // the same windows, as QObjects
    QSplitter* mainSplitter = nullptr;
    QSplitter* leftSplitter = nullptr;
    QTabWidget* viewTabWidget = nullptr;
    QTabWidget* controlsTabWidget = nullptr;
    View* placeholder = nullptr;             // the "No views" tab, or null while a view is open
    std::vector<ShownControl> shownControls; // panels on show, with the parents they return to
    const LVXObjectWidget* shownControlsOf = nullptr;
    bool stateWritten = false;
    bool networkWidthPlaced = false;
    std::function<bool()> closeGuard;
};
