#pragma once

#include "model/LVX.h"

#include <QColor>
#include <QPushButton>
#include <QString>
#include <deque>
#include <memory>

class Control;
class LVXObject;
class NetworkWidget;
class QMenu;
class QSignalMapper;
class QXmlStreamWriter;
class Relation;

// The button that stands for one project object in the network pane: its name (with "*" while
// changed) in the object's colour, the attachments docked below it, the relations at both ends,
// and the object's context menu.
class LVXObjectWidget : public QPushButton {
    Q_OBJECT
public:
    struct ControlPanel {
        Control* control;
        QString title;
    };

    LVXObjectWidget(LVXObject* object, NetworkWidget* network);
    ~LVXObjectWidget() override; // deletes the owned relations, unregisters the incoming ones

    LVXObject* GetObject() const { return object; }
    NetworkWidget* GetNetwork() const { return network; }
    QColor GetColor() const { return color; }
    void RefreshText(); // name, plus "*" while the object is changed
    // The style sheet for a button colour, exactly as the buttons use it.
    static QString StyleSheet(const QColor& color);

    // The context-menu entries for an object type, as the menu shows them (for building and tests).
    struct MenuEntry {
        QString text;   // empty for a separator
        int action = 0; // LVX::MenuAction, 0 for separators and submenus
        std::vector<MenuEntry> submenu;
    };
    static std::vector<MenuEntry> MenuEntries(int32_t objectType);
    QMenu* GetContextMenu() const { return contextMenu.get(); } // the menu of the last opening
    QMenu* BuildContextMenu(); // a fresh menu (the previous one and its mapper are deleted)

    // Docking: changes the objects' lists (LVXObject::Attach) and places the buttons to match.
    void Attach(LVXObjectWidget* attachment);
    void Detach(LVXObjectWidget* attachment);
    const std::deque<LVXObjectWidget*>& GetAttachments() const { return attachments; }
    LVXObjectWidget* GetDockedTo() const { return dockedTo; } // the stack button this one is docked to

    // Relations.
    void AddRelation(Relation* relation);        // takes ownership, redraws the main window
    void RemoveRelation(Relation* relation);     // deletes it
    Relation* FindRelation(uint32_t type) const; // an owned relation of that type, or null
    const std::deque<std::unique_ptr<Relation>>& GetRelations() const { return outgoing; }
    const std::deque<Relation*>& GetIncomingRelations() const { return incoming; }

    // Control panels shown while this button is checked.
    void AddControl(Control* control, const QString& title);
    const std::deque<ControlPanel>& GetControls() const { return controls; }

    // Writes "id", "src", "checked", "xpos", "ypos" and closes the element the object opened.
    void WriteXmlAttributes(QXmlStreamWriter& xml) const;

signals:
    void menuActionTriggered(LVX::MenuAction actionType);
    void attachmentsChanged();
    void currentViewUpdateRequested();

public slots:
    void onMenuActionTriggered(int type);
    void onRelatedAttachmentsChanged();
    void onConnect(Relation* rel);
    void onDisconnect(Relation* rel);
    void onConnected(Relation* rel);
    void onDisconnected(Relation* rel);
    void onAttached(LVXObjectWidget* att);
    void onDetached(LVXObjectWidget* att);
    void onCurrentViewUpdateRequested();
    void onUpdateRequested(LVXObject* obj);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    LVXObject* object;
    NetworkWidget* network;
    std::unique_ptr<QMenu> contextMenu;
    std::unique_ptr<QSignalMapper> mapper;
    QColor color{119, 136, 153};
    std::deque<ControlPanel> controls;
    std::deque<LVXObjectWidget*> attachments;
    std::deque<std::unique_ptr<Relation>> outgoing;
    std::deque<Relation*> incoming;
    LVXObjectWidget* dockedTo = nullptr;
};
