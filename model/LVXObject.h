#pragma once

#include "Point3D.h"
#include "model/LVX.h"

#include <QColor>
#include <QFileInfo>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

class Control;
class LVXObject;
class LVXObjectWidget;
class QXmlStreamWriter;
class Relation;

using IDNUM = uint16_t;
constexpr IDNUM NoId = 65535;

// The signal carrier of an LVXObject (the object itself is not a QObject).
class ObjectEventInterface : public QObject {
    Q_OBJECT
public:
    explicit ObjectEventInterface(LVXObject* owner) : owner(owner) { }
    LVXObject* Owner() const { return owner; }

signals:
    void updateRequested(LVXObject* owner);
    void changedStateChanged(LVXObject* owner, bool curr, bool prev);
    void removeObjectRequested(LVXObject* owner);
    // `attachment` was docked to or undocked from `host` (the list changed, not its content).
    void attachmentsChanged(LVXObject* host, LVXObject* attachment);

private:
    LVXObject* owner;
};

// The extensions an object can be saved with and the filter of its save dialog.
struct FileTypes {
    QStringList extensions; // e.g. ".acr", ".stl"
    QString filter;         // e.g. "Lumivox snake sequence (*.acr);;STL ascii (*.stl);;"

    // A name typed without an extension gets the first one of the chosen filter entry
    // ("STL ascii (*.stl)" gives ".stl"); any other path is returned as it is.
    static QString CompleteSuffix(const QString& path, const QString& selectedFilter);
    bool Accepts(const QString& path) const; // its extension is one of `extensions`
};

// The base of every project object: identity, changed state, signals, and the operations the
// controller, the buttons, the network pane and the project file rely on.
class LVXObject {
public:
    explicit LVXObject(const QString& name);
    LVXObject();
    LVXObject(const LVXObject& other); // identifier reset to NoId
    LVXObject& operator=(const LVXObject&) = delete;

    // Virtual operations, in this order.
    virtual LVXObject* Clone() const;
    virtual ~LVXObject();
    virtual LVXObjectWidget* GetParent() const; // the stack's button, for attachments
    virtual QColor GetColor() const;
    virtual FileTypes GetFileTypes() const;
    virtual std::pair<Point3D, Point3D> GetBoundingBox() const;
    virtual bool IsAttachment() const;
    virtual bool IsView() const;
    virtual void SetChanged(bool changed);
    virtual std::vector<Control*> GetControls();
    virtual bool Save();
    virtual bool SaveTo(const QString& path, const QString& extension);
    virtual bool SaveAs(const QString& path);
    virtual bool WriteXml(QXmlStreamWriter& xml);
    virtual void OnAttached(LVXObjectWidget* stackWidget);
    virtual void OnDetached(LVXObjectWidget* stackWidget);
    virtual void OnAttachmentsChanged();
    virtual void OnViewNotification(); // a second view notification; no class overrides it
    virtual void OnConnect(Relation* relation);
    virtual void OnDisconnect(Relation* relation);
    virtual void OnConnected(Relation* relation);
    virtual void OnDisconnected(Relation* relation);
    virtual void OnReserved();       // no class overrides it
    virtual void SetFlag(bool flag); // the per-class flag (a contour sequence's checked state)

    // Asks for a path with the "Save" dialog and the object's filter; on an answer makes it the
    // object's file and renames the object after the file name. Returns false when cancelled.
    bool ChooseFile();

    // Docking. The attachments of a host, newest first: index 0 sits directly below the host's
    // button. Attach undocks the attachment from its previous host first; both change the two
    // sides together and each emits attachmentsChanged of the host once. Attach refuses (false)
    // an object that is no attachment, the host itself, and one docked here already.
    bool Attach(LVXObject* attachment);
    void Detach(LVXObject* attachment);
    const std::deque<LVXObject*>& GetAttachments() const { return attachments; }
    LVXObject* GetHost() const { return host; } // the object it is docked to, or null

    ObjectEventInterface* Events() { return &events; }
    IDNUM GetId() const { return id; }
    void SetId(IDNUM newId) { id = newId; }
    LVX::ObjectType GetType() const { return type; }
    const QString& GetName() const { return name; }
    void SetName(const QString& newName) { name = newName; }
    const QFileInfo& GetFile() const { return file; }
    void SetFile(const QFileInfo& info) { file = info; }
    bool IsChanged() const { return changed; }
    bool IsBeingRemoved() const { return beingRemoved; }
    void SetBeingRemoved() { beingRemoved = true; }
    // The message of the last failed read or write; empty after success.
    const QString& GetError() const { return error; }
    void SetError(const QString& text) { error = text; }

protected:
    void SetType(LVX::ObjectType t) { type = t; }

private:
    ObjectEventInterface events{this};
    IDNUM id = NoId;
    bool changed = true;
    bool beingRemoved = false;
    LVX::ObjectType type = LVX::NoType;
    QFileInfo file;
    QString name;
    QString error;
    std::deque<LVXObject*> attachments; // not owned
    LVXObject* host = nullptr;
};
