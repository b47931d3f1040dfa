#include "ui/LVXObjectWidget.h"

#include "app/Attachment.h"
#include "app/Relation.h"
#include "app/Resources.h"
#include "model/LVXObject.h"
#include "model/Log.h"
#include "ui/LumivoxWnd.h"
#include "ui/NetworkWidget.h"
#include "views/Control.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QSignalMapper>
#include <QXmlStreamWriter>
#include <algorithm>

namespace {

using Entry = LVXObjectWidget::MenuEntry;

Entry Action(const char* text, LVX::MenuAction action)
{
    return Entry{QString::fromLatin1(text), action, {}};
}

Entry Submenu(const char* text, std::vector<Entry> entries)
{
    return Entry{QString::fromLatin1(text), 0, std::move(entries)};
}

Entry Separator()
{
    return Entry{};
}

// Adds the entries to a menu; each action reports its value through the mapper.
void AddEntries(QMenu* menu, const std::vector<Entry>& entries, QSignalMapper* mapper)
{
    for (const Entry& entry : entries) {
        if (!entry.submenu.empty()) {
            QMenu* submenu = menu->addMenu(entry.text);
            AddEntries(submenu, entry.submenu, mapper);
        } else if (entry.text.isEmpty()) {
            menu->addSeparator();
        } else {
            QAction* action = menu->addAction(entry.text);
            action->setData(entry.action);
            if (entry.action == LVX::Remove)
                action->setIcon(Resources::Icon(QStringLiteral("delete.ico")));
            QObject::connect(action, &QAction::triggered, mapper, qOverload<>(&QSignalMapper::map));
            mapper->setMapping(action, entry.action);
        }
    }
}

} // namespace

LVXObjectWidget::LVXObjectWidget(LVXObject* object, NetworkWidget* network)
    : QPushButton(network), object(object), network(network)
{
    color = object->GetColor();
    setCheckable(true);
    setStyleSheet(StyleSheet(color));
    RefreshText();
    connect(object->Events(), &ObjectEventInterface::updateRequested, this, &LVXObjectWidget::onUpdateRequested);
    for (Control* control : object->GetControls())
        if (control)
            AddControl(control, control->GetName());
}

LVXObjectWidget::~LVXObjectWidget()
{
    // Normally the network pane detaches a button before deleting it; this only keeps the
    // neighbours from pointing at a deleted button.
    if (dockedTo) {
        auto& list = dockedTo->attachments;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    for (LVXObjectWidget* attachment : attachments)
        attachment->dockedTo = nullptr;
    attachments.clear();

    // Relations of other buttons that end here become open.
    while (!incoming.empty()) {
        Relation* relation = incoming.back();
        relation->Disconnect();
        if (!incoming.empty() && incoming.back() == relation)
            incoming.pop_back();
    }
    while (!outgoing.empty()) {
        std::unique_ptr<Relation> relation = std::move(outgoing.back());
        outgoing.pop_back();
        if (network)
            network->ForgetRelation(relation.get());
        relation.reset();
    }
}

void LVXObjectWidget::RefreshText()
{
    setText(object->IsChanged() ? object->GetName() + "*" : object->GetName());
    adjustSize();
}

QString LVXObjectWidget::StyleSheet(const QColor& color)
{
    const QString c = color.name();
    const QString d = color.darker(150).name();
    return QStringLiteral("QPushButton {") + "background-color: " + c + ";" + "border-radius: 5px;"
        + "border-width: 2px;" + "border-style: solid;" + "border-color: " + c + ";" + "padding: 6px;" + "font: bold;"
        + "color: white;" + "}" + "QPushButton:checked{border-color: " + d + "}"
        + "QPushButton:pressed{border-color: " + d + "}";
}

std::vector<LVXObjectWidget::MenuEntry> LVXObjectWidget::MenuEntries(int32_t objectType)
{
    std::vector<Entry> entries;
    const auto save = [&entries] {
        entries.push_back(Action("Save", LVX::Save));
        entries.push_back(Action("Save as...", LVX::SaveAs));
        entries.push_back(Separator());
    };
    switch (objectType) {
    case LVX::ImageStackType:
    case LVX::VariableImageStackType: {
        const bool fixedSize = objectType == LVX::ImageStackType;
        std::vector<Entry> views
            = {Action("SliceView", LVX::NewSliceView), Action("DerivativeView", LVX::NewDerivativeView)};
        std::vector<Entry> transforms = {Action("Scale", LVX::Scale)};
        if (fixedSize) {
            views.push_back(Action("TomogramView", LVX::NewTomogramView));
            transforms.push_back(Action("From spline", LVX::FromSpline));
        }
        entries.push_back(Submenu("Views", std::move(views)));
        entries.push_back(Submenu("Selection",
            {Action("Select all", LVX::SelectAll), Action("From attachments", LVX::SelectFromAttachments)}));
        entries.push_back(Submenu("Transform", std::move(transforms)));
        entries.push_back(Separator());
        save();
        break;
    }
    case LVX::SimpleSurfaceType:
        entries.push_back(Submenu(
            "Flip", {Action("X axis", LVX::FlipX), Action("Y axis", LVX::FlipY), Action("Z axis", LVX::FlipZ)}));
        save();
        break;
    case LVX::SSMType:
        entries.push_back(Action("Set ASM search stack", LVX::SetASMSearchStack));
        save();
        break;
    case LVX::StatShapeType:
        entries.push_back(Action("Add surface", LVX::AddSurface));
        break;
    case LVX::SliceViewType:
        entries.push_back(Action("3D View", LVX::Link3DView));
        break;
    case LVX::TomogramViewType:
        entries.push_back(Action("3D View", LVX::Link3DView));
        entries.push_back(Action("Set fourth panel", LVX::SetFourthPanel));
        break;
    case LVX::OGLViewType:
        entries.push_back(Action("Screenshot...", LVX::Screenshot));
        break;
    case LVX::SnakeSequenceType:
        entries.push_back(Action("3D View", LVX::Link3DView));
        entries.push_back(Action("To simple surface", LVX::ToSimpleSurface));
        save();
        break;
    case LVX::TransformSequenceType:
        entries.push_back(Action("3D View", LVX::Link3DView));
        entries.push_back(Action("Set source", LVX::SetSource));
        entries.push_back(Action("Create image stack", LVX::CreateImageStack));
        entries.push_back(Separator());
        save();
        break;
    case LVX::SelectionType:
        entries.push_back(Submenu("Edit",
            {Action("Grow", LVX::SelectionGrow), Action("Shrink", LVX::SelectionShrink),
                Action("Invert", LVX::SelectionInvert), Action("Skeletonize", LVX::SelectionSkeletonize),
                Action("Clear", LVX::SelectionClear)}));
        entries.push_back(Submenu("Measure", {Action("Area", LVX::MeasureArea), Action("Volume", LVX::MeasureVolume)}));
        entries.push_back(Action("Histogram", LVX::Histogram));
        break;
    case LVX::SplineType:
        save();
        break;
    default:
        break;
    }
    entries.push_back(Action("Duplicate", LVX::Duplicate));
    entries.push_back(Action("Remove", LVX::Remove));
    return entries;
}

QMenu* LVXObjectWidget::BuildContextMenu()
{
    contextMenu.reset();
    mapper.reset();
    contextMenu = std::make_unique<QMenu>(this);
    mapper = std::make_unique<QSignalMapper>();
    connect(mapper.get(), &QSignalMapper::mappedInt, this, &LVXObjectWidget::onMenuActionTriggered);
    AddEntries(contextMenu.get(), MenuEntries(object->GetType()), mapper.get());
    return contextMenu.get();
}

void LVXObjectWidget::contextMenuEvent(QContextMenuEvent* event)
{
    BuildContextMenu()->popup(event->globalPos());
    event->accept();
}

void LVXObjectWidget::Attach(LVXObjectWidget* attachment)
{
    if (!attachment || attachment == this)
        return;
    LVXObject* attached = attachment->GetObject();
    auto* typed = dynamic_cast<Attachment*>(attached);
    if (!attached->IsAttachment() || !typed) {
        Log::Error("Attempting to attach an object of non-attachment type " + QString::number(attached->GetType()));
        return;
    }
    if (std::find(attachments.begin(), attachments.end(), attachment) != attachments.end())
        return;
    if (attachment->dockedTo)
        attachment->dockedTo->Detach(attachment);

    // The object holds the list; the buttons mirror it for placing and drawing.
    object->Attach(attached);
    typed->SetParentWidget(this);
    attachment->dockedTo = this;
    // The newest attachment sits directly below the stack; the others make room for it.
    for (LVXObjectWidget* docked : attachments)
        docked->move(docked->x(), docked->y() + attachment->height());
    attachments.push_front(attachment);
    attachment->move(x(), y() + height());

    attachment->onAttached(this);
    update();
    if (network)
        network->update();
    emit attachmentsChanged();
}

void LVXObjectWidget::Detach(LVXObjectWidget* attachment)
{
    const auto found = std::find(attachments.begin(), attachments.end(), attachment);
    if (found == attachments.end())
        return;
    attachments.erase(found);
    attachment->dockedTo = nullptr;
    object->Detach(attachment->GetObject());
    if (auto* typed = dynamic_cast<Attachment*>(attachment->GetObject()))
        typed->SetParentWidget(nullptr);
    attachment->onDetached(this);
    update();
    if (network)
        network->update();
    emit attachmentsChanged();
}

void LVXObjectWidget::AddRelation(Relation* relation)
{
    if (!relation)
        return;
    outgoing.emplace_back(relation);
    if (network)
        network->update();
    if (LumivoxWnd* window = LumivoxWnd::Instance())
        window->Redraw();
}

void LVXObjectWidget::RemoveRelation(Relation* relation)
{
    const auto found = std::find_if(outgoing.begin(), outgoing.end(),
        [relation](const std::unique_ptr<Relation>& r) { return r.get() == relation; });
    if (found == outgoing.end())
        return;
    std::unique_ptr<Relation> owned = std::move(*found);
    outgoing.erase(found);
    if (network) {
        network->ForgetRelation(relation);
        network->update();
    }
    owned.reset();
}

Relation* LVXObjectWidget::FindRelation(uint32_t type) const
{
    for (const auto& relation : outgoing)
        if (relation->GetType() == type)
            return relation.get();
    return nullptr;
}

void LVXObjectWidget::AddControl(Control* control, const QString& title)
{
    controls.push_back({control, title});
    connect(control, &Control::currentViewUpdateRequested, this, &LVXObjectWidget::onCurrentViewUpdateRequested);
}

void LVXObjectWidget::WriteXmlAttributes(QXmlStreamWriter& xml) const
{
    const QFileInfo& file = object->GetFile();
    xml.writeAttribute("id", QString::number(object->GetId()));
    xml.writeAttribute("src", file.filePath().isEmpty() ? QString() : file.absoluteFilePath());
    xml.writeAttribute("checked", isChecked() ? "1" : "0");
    xml.writeAttribute("xpos", QString::number(x()));
    xml.writeAttribute("ypos", QString::number(y()));
    xml.writeEndElement();
}

void LVXObjectWidget::onMenuActionTriggered(int type)
{
    emit menuActionTriggered(LVX::MenuAction(type));
}

void LVXObjectWidget::onRelatedAttachmentsChanged()
{
    object->OnAttachmentsChanged();
}

void LVXObjectWidget::onConnect(Relation* rel)
{
    object->OnConnect(rel);
    if (network)
        network->update();
}

void LVXObjectWidget::onDisconnect(Relation* rel)
{
    // The object may remove itself (a view whose stack goes), deleting this button: keep what is
    // needed afterwards out of its members.
    QPointer<NetworkWidget> pane = network;
    object->OnDisconnect(rel);
    if (pane)
        pane->update();
}

void LVXObjectWidget::onConnected(Relation* rel)
{
    if (std::find(incoming.begin(), incoming.end(), rel) == incoming.end())
        incoming.push_back(rel);
    connect(this, &LVXObjectWidget::attachmentsChanged, rel->GetOwner(), &LVXObjectWidget::onRelatedAttachmentsChanged,
        Qt::UniqueConnection);
    object->OnConnected(rel);
}

void LVXObjectWidget::onDisconnected(Relation* rel)
{
    incoming.erase(std::remove(incoming.begin(), incoming.end(), rel), incoming.end());
    // The owner keeps listening while another of its relations still ends here.
    LVXObjectWidget* owner = rel->GetOwner();
    const bool stillRelated = std::any_of(
        incoming.begin(), incoming.end(), [owner](const Relation* other) { return other->GetOwner() == owner; });
    if (!stillRelated)
        disconnect(this, &LVXObjectWidget::attachmentsChanged, owner, &LVXObjectWidget::onRelatedAttachmentsChanged);
    object->OnDisconnected(rel);
}

void LVXObjectWidget::onAttached(LVXObjectWidget* att)
{
    object->OnAttached(att);
    for (const ControlPanel& panel : controls)
        panel.control->onAttach(att);
}

void LVXObjectWidget::onDetached(LVXObjectWidget* att)
{
    object->OnDetached(att);
    for (const ControlPanel& panel : controls)
        panel.control->onDetach();
}

void LVXObjectWidget::onCurrentViewUpdateRequested()
{
    emit currentViewUpdateRequested();
}

void LVXObjectWidget::onUpdateRequested(LVXObject* /*obj*/)
{
    color = object->GetColor();
    setStyleSheet(StyleSheet(color));
    RefreshText();
    update();
    if (network)
        network->update();
}
