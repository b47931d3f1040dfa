#include "model/LVXObject.h"

#include "model/ProjectWindow.h"
#include "model/Prompter.h"
#include "model/Settings.h"

#include <QRegularExpression>
#include <algorithm>

namespace {
// Buttons of objects that do not choose their own colour.
const QColor defaultObjectColor(119, 136, 153);
} // namespace

QString FileTypes::CompleteSuffix(const QString& path, const QString& selectedFilter)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.[A-Za-z0-9]+)"));
    const QRegularExpressionMatch match = pattern.match(selectedFilter);
    return match.hasMatch() ? path + match.captured(1) : path;
}

bool FileTypes::Accepts(const QString& path) const
{
    const QString suffix = QFileInfo(path).suffix();
    return !suffix.isEmpty() && extensions.contains("." + suffix);
}

LVXObject::LVXObject(const QString& name) : name(name)
{
}

LVXObject::LVXObject() = default;

LVXObject::LVXObject(const LVXObject& other)
    : changed(other.changed), beingRemoved(other.beingRemoved), type(other.type), file(other.file), name(other.name)
{
}

LVXObject* LVXObject::Clone() const
{
    return new LVXObject(*this);
}

// A copy is docked nowhere and hosts nothing. An object that goes leaves no pointer to itself.
LVXObject::~LVXObject()
{
    if (host) {
        auto& list = host->attachments;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    for (LVXObject* attachment : attachments)
        attachment->host = nullptr;
}

bool LVXObject::Attach(LVXObject* attachment)
{
    if (!attachment || attachment == this || !attachment->IsAttachment() || attachment->host == this)
        return false;
    if (attachment->host)
        attachment->host->Detach(attachment);
    attachments.push_front(attachment);
    attachment->host = this;
    emit events.attachmentsChanged(this, attachment);
    return true;
}

void LVXObject::Detach(LVXObject* attachment)
{
    const auto found = std::find(attachments.begin(), attachments.end(), attachment);
    if (found == attachments.end())
        return;
    attachments.erase(found);
    attachment->host = nullptr;
    emit events.attachmentsChanged(this, attachment);
}

LVXObjectWidget* LVXObject::GetParent() const
{
    return nullptr;
}

QColor LVXObject::GetColor() const
{
    return defaultObjectColor;
}

FileTypes LVXObject::GetFileTypes() const
{
    return {};
}

std::pair<Point3D, Point3D> LVXObject::GetBoundingBox() const
{
    return {Point3D(), Point3D()};
}

bool LVXObject::IsAttachment() const
{
    return false;
}

bool LVXObject::IsView() const
{
    return false;
}

void LVXObject::SetChanged(bool newChanged)
{
    const bool previous = changed;
    changed = newChanged;
    emit events.changedStateChanged(this, newChanged, previous);
}

std::vector<Control*> LVXObject::GetControls()
{
    return {};
}

bool LVXObject::Save()
{
    return false;
}

bool LVXObject::SaveTo(const QString& path, const QString& /*extension*/)
{
    file = QFileInfo(path);
    return Save();
}

bool LVXObject::SaveAs(const QString& path)
{
    // The format follows from the extension: the last four characters of the path (".acr", ".stl").
    const QString ending = path.right(4);
    for (const QString& extension : GetFileTypes().extensions)
        if (ending == extension)
            return SaveTo(path, extension);
    return false;
}

bool LVXObject::WriteXml(QXmlStreamWriter& /*xml*/)
{
    return false;
}

void LVXObject::OnAttached(LVXObjectWidget* /*stackWidget*/)
{
}

void LVXObject::OnDetached(LVXObjectWidget* /*stackWidget*/)
{
}

void LVXObject::OnAttachmentsChanged()
{
}

void LVXObject::OnViewNotification()
{
}

void LVXObject::OnConnect(Relation* /*relation*/)
{
}

void LVXObject::OnDisconnect(Relation* /*relation*/)
{
}

void LVXObject::OnConnected(Relation* /*relation*/)
{
}

void LVXObject::OnDisconnected(Relation* /*relation*/)
{
}

void LVXObject::OnReserved()
{
}

void LVXObject::SetFlag(bool /*flag*/)
{
}

bool LVXObject::ChooseFile()
{
    const QString filter = GetFileTypes().filter;
    QString path;
    if (ProjectWindow* window = ProjectWindow::Current()) {
        path = window->AskSaveFileName("Save", filter, name);
    } else {
        const QString& dir = Settings::Values().main.currentDir;
        QString chosenFilter;
        path = Prompter::Current().GetSaveFileName(
            nullptr, "Save", dir.isEmpty() ? name : dir + "/" + name, filter, &chosenFilter);
        path = FileTypes::CompleteSuffix(path, chosenFilter);
    }
    if (path.isEmpty())
        return false;
    file = QFileInfo(path);
    if (file.fileName() != name)
        name = file.fileName();
    return true;
}
