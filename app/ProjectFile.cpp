#include "app/ProjectFile.h"

#include "Tiff.h"
#include "app/App.h"
#include "app/Attachment.h"
#include "app/Relation.h"
#include "attachments/Line.h"
#include "attachments/Rectangle.h"
#include "contours/SnakeSequence.h"
#include "model/LVXObject.h"
#include "model/Log.h"
#include "model/Prompter.h"
#include "model/Settings.h"
#include "stacks/ImageStack.h"
#include "stacks/VariableImageStack.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/NetworkWidget.h"
#include "views/SliceView.h"
#include "views/View.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>
#include <QTabWidget>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace ProjectFile {

namespace {

// --- writing ---

// The five common attributes for an object that has no button (it cannot happen through the
// window, but the document stays well-formed).
void WriteBareAttributes(QXmlStreamWriter& xml, const LVXObject& object)
{
    const QFileInfo& file = object.GetFile();
    xml.writeAttribute("id", QString::number(object.GetId()));
    xml.writeAttribute("src", file.filePath().isEmpty() ? QString() : file.absoluteFilePath());
    xml.writeAttribute("checked", "0");
    xml.writeAttribute("xpos", "0");
    xml.writeAttribute("ypos", "0");
    xml.writeEndElement();
}

// The view shown in the current tab, when the tabs hold real views (not the "No views" tab).
const LVXObject* CurrentView(const App& app)
{
    QTabWidget* tabs = app.GetWindow()->GetViewTabs();
    if (!tabs || tabs->count() == 0)
        return nullptr;
    auto* first = qobject_cast<View*>(tabs->widget(0));
    if (!first || !app.Registry().Contains(first))
        return nullptr;
    auto* current = qobject_cast<View*>(tabs->currentWidget());
    return current && app.Registry().Contains(current) ? current : nullptr;
}

// --- reading ---

int IntAttribute(const QXmlStreamAttributes& attributes, const char* name)
{
    bool ok = false;
    const int value = attributes.value(QLatin1String(name)).toInt(&ok);
    return ok ? value : 0;
}

double RealAttribute(const QXmlStreamAttributes& attributes, const char* name)
{
    bool ok = false;
    const double value = attributes.value(QLatin1String(name)).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

float FloatAttribute(const QXmlStreamAttributes& attributes, const char* name)
{
    const double value = RealAttribute(attributes, name);
    return std::fabs(value) <= double(std::numeric_limits<float>::max()) ? float(value) : 0.0f;
}

// Reads one project document into the controller.
class Loader {
public:
    Loader(App& app, const QString& path) : app(app), window(app.GetWindow()), path(path) { }

    bool Run();

private:
    // A button created by the reader, with the position and checked state stored for it.
    struct Placed {
        QPointer<LVXObjectWidget> widget;
        QPoint position;
        bool checked;
    };
    struct SliceViewState {
        QPointer<SliceView> view;
        int sliderValue;
        float zoom;
        QPointF center;
    };

    void ReadObjects();
    void ReadObject();
    void ReadRelations();
    void ReadRelationGroup();
    void ReadAttachments();
    void ReadAttachmentList();
    void ReadPrefs();
    void Finish();

    LVXObjectWidget* LoadStack(const QXmlStreamAttributes& attributes, bool fixedSize, IDNUM id, const QPoint& pos);
    LVXObjectWidget* LoadSnakeSequence(const QXmlStreamAttributes& attributes, IDNUM id, const QPoint& pos);
    LVXObjectWidget* LoadRectangle(const QXmlStreamAttributes& attributes, IDNUM id, const QPoint& pos);
    LVXObjectWidget* LoadLine(const QXmlStreamAttributes& attributes, IDNUM id, const QPoint& pos);
    LVXObjectWidget* LoadSliceView(const QXmlStreamAttributes& attributes, IDNUM id, const QPoint& pos);

    // The button of the object with that identifier, or null.
    LVXObjectWidget* WidgetOf(long long id) const;
    // A file named in the document; a relative path is taken from the project's folder.
    QString ResolvePath(const QString& src) const;
    bool IsNameInUse(const QString& name) const;

    App& app;
    LumivoxWnd* window;
    QString path;
    QXmlStreamReader xml;
    std::vector<Placed> placed;
    std::vector<SliceViewState> sliceViews;
    long long currentView = -1;
};

bool Loader::Run()
{
    app.onClearProjectRequested();
    Log::Output("Loading project...");
    Settings::RememberDirOf(path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    xml.setDevice(&file);

    const bool hasRoot = xml.readNextStartElement();
    const QString version = hasRoot ? xml.attributes().value("version").toString() : QString();
    if (version.isEmpty()) {
        Log::Error("Could not open project file " + path + ": Incompatible version.");
        Prompter::Current().Warning(window, "Open project", "Incompatible project version", QMessageBox::Ok);
        return false;
    }

    while (xml.readNextStartElement()) {
        const QStringRef name = xml.name();
        if (name == QLatin1String("objects"))
            ReadObjects();
        else if (name == QLatin1String("relations"))
            ReadRelations();
        else if (name == QLatin1String("attachments"))
            ReadAttachments();
        else if (name == QLatin1String("prefs"))
            ReadPrefs();
        else
            xml.skipCurrentElement();
    }
    const bool wellFormed = !xml.hasError();
    if (!wellFormed)
        Log::Error("Could not read project file " + path + ": " + xml.errorString() + " (line "
            + QString::number(xml.lineNumber()) + ", column " + QString::number(xml.columnNumber()) + ")");
    // Whatever was read is brought into a consistent state, even after damage.
    Finish();
    return wellFormed;
}

void Loader::ReadObjects()
{
    while (xml.readNextStartElement())
        ReadObject();
}

void Loader::ReadObject()
{
    const QString element = xml.name().toString();
    const QXmlStreamAttributes attributes = xml.attributes();
    xml.skipCurrentElement();

    bool ok = false;
    uint idValue = attributes.value("id").toUInt(&ok);
    if (!ok)
        idValue = 0;
    if (idValue >= NoId) {
        Log::Error("Skipped project object " + element + ": identifier out of range");
        return;
    }
    const auto id = IDNUM(idValue);
    if (app.Registry().Find(id)) {
        Log::Error("Skipped project object " + element + ": identifier " + QString::number(id) + " is used twice");
        return;
    }
    const QPoint position
        = NetworkWidget::Clamped(QPoint(IntAttribute(attributes, "xpos"), IntAttribute(attributes, "ypos")));

    LVXObjectWidget* widget = nullptr;
    if (element == QLatin1String("image_stack") || element == QLatin1String("variable_image_stack"))
        widget = LoadStack(attributes, element == QLatin1String("image_stack"), id, position);
    else if (element == QLatin1String("snake_sequence"))
        widget = LoadSnakeSequence(attributes, id, position);
    else if (element == QLatin1String("rectangle"))
        widget = LoadRectangle(attributes, id, position);
    else if (element == QLatin1String("line"))
        widget = LoadLine(attributes, id, position);
    else if (element == QLatin1String("slice_view"))
        widget = LoadSliceView(attributes, id, position);
    else if (element == QLatin1String("simple_surface"))
        Log::Output(
            "Skipped surface " + attributes.value("src").toString() + ": surfaces are not read from projects yet");
    // Any other element stands for an object this program does not restore.

    if (widget)
        placed.push_back({widget, position, IntAttribute(attributes, "checked") != 0});
}

QString Loader::ResolvePath(const QString& src) const
{
    if (src.isEmpty() || QFileInfo(src).isAbsolute())
        return src;
    return QFileInfo(QFileInfo(path).absoluteDir(), src).absoluteFilePath();
}

LVXObjectWidget* Loader::LoadStack(const QXmlStreamAttributes& attributes, bool fixedSize, IDNUM id, const QPoint& pos)
{
    const QString src = ResolvePath(attributes.value("src").toString());
    const QFileInfo info(src);
    if (src.isEmpty() || !info.isFile()) {
        Log::Error("Could not open file: " + src);
        return nullptr;
    }
    bool equalSizes = false;
    {
        Tiff probe(src);
        if (!probe.IsOpen()) {
            Log::Error("Could not open file: " + src);
            return nullptr;
        }
        equalSizes = probe.IsEqualImageSizes();
    }
    Log::Output("Loading " + src + ", " + QString::number(info.size()) + " Bytes...");
    // The stored kind decides, unless the pages no longer share one size.
    std::unique_ptr<VariableImageStack> stack;
    if (fixedSize && equalSizes)
        stack = std::make_unique<ImageStack>(info);
    else
        stack = std::make_unique<VariableImageStack>(info);
    if (!stack->GetError().isEmpty()) {
        Log::Error(stack->GetError());
        return nullptr;
    }
    stack->SetName(info.fileName());
    VariableImageStack* raw = app.registerObject(std::move(stack), id);
    LVXObjectWidget* widget = window->CreateObjectWidget(raw, pos);
    Log::Output("Done");
    return widget;
}

LVXObjectWidget* Loader::LoadSnakeSequence(const QXmlStreamAttributes& attributes, IDNUM id, const QPoint& pos)
{
    const QString src = ResolvePath(attributes.value("src").toString());
    const QFileInfo info(src);
    if (src.isEmpty() || !info.isFile()) {
        Log::Error("Could not open file: " + src);
        return nullptr;
    }
    Log::Output("Loading " + src + ", " + QString::number(info.size()) + " Bytes...");
    auto sequence = std::make_unique<SnakeSequence>(src, info.fileName());
    if (!sequence->GetError().isEmpty()) {
        Log::Error(sequence->GetError());
        return nullptr;
    }
    sequence->SetName(info.fileName());
    SnakeSequence* raw = app.registerObject(std::move(sequence), id);
    LVXObjectWidget* widget = window->CreateObjectWidget(raw, pos);
    Log::Output("Done");
    return widget;
}

LVXObjectWidget* Loader::LoadRectangle(const QXmlStreamAttributes& attributes, IDNUM id, const QPoint& pos)
{
    const int orient = IntAttribute(attributes, "orient");
    if (orient < LVX::XY || orient > LVX::ZY) {
        Log::Error("Skipped project rectangle: unknown plane " + QString::number(orient));
        return nullptr;
    }
    auto rectangle = std::make_unique<Att::Rectangle>(IntAttribute(attributes, "h0"), IntAttribute(attributes, "h1"),
        IntAttribute(attributes, "v0"), IntAttribute(attributes, "v1"), LVX::Orientation(orient));
    // The element carries no name: the rectangle is numbered as a new one would be.
    rectangle->SetName(rectangle->GetName() + QString::number(app.nextNameNumber(LVX::RectangleType)));
    Att::Rectangle* raw = app.registerObject(std::move(rectangle), id);
    return window->CreateObjectWidget(raw, pos);
}

LVXObjectWidget* Loader::LoadLine(const QXmlStreamAttributes& attributes, IDNUM id, const QPoint& pos)
{
    // Files without "z0" and "z1" put both ends on slice 0.
    const Point3D start(
        FloatAttribute(attributes, "x0"), FloatAttribute(attributes, "y0"), FloatAttribute(attributes, "z0"));
    const Point3D end(
        FloatAttribute(attributes, "x1"), FloatAttribute(attributes, "y1"), FloatAttribute(attributes, "z1"));
    auto line = std::make_unique<Att::Line>(start, end);
    const QString name = attributes.value("name").toString();
    line->SetName(name.isEmpty() ? line->GetName() + QString::number(app.nextNameNumber(LVX::LineType)) : name);
    Att::Line* raw = app.registerObject(std::move(line), id);
    return window->CreateObjectWidget(raw, pos);
}

bool Loader::IsNameInUse(const QString& name) const
{
    const std::vector<LVXObject*> objects = app.Objects();
    return std::any_of(
        objects.begin(), objects.end(), [&name](const LVXObject* object) { return object->GetName() == name; });
}

LVXObjectWidget* Loader::LoadSliceView(const QXmlStreamAttributes& attributes, IDNUM id, const QPoint& pos)
{
    auto view = std::make_unique<SliceView>();
    // Tabs are found by their view's name, so two views never share one.
    QString name = attributes.value("name").toString();
    if (name.isEmpty() || IsNameInUse(name))
        name = view->GetName() + QString::number(app.nextNameNumber(LVX::SliceViewType));
    view->SetName(name);
    const float zoom = FloatAttribute(attributes, "zoom");
    view->SetZoom(zoom, true);
    SliceView* raw = app.registerObject(std::move(view), id);
    LVXObjectWidget* widget = window->AddView(raw);
    if (widget)
        window->GetNetwork()->MoveObjectWidget(widget, pos);
    const QPointF center(RealAttribute(attributes, "image_center_x"), RealAttribute(attributes, "image_center_y"));
    sliceViews.push_back({raw, IntAttribute(attributes, "slider_value"), zoom, center});
    return widget;
}

LVXObjectWidget* Loader::WidgetOf(long long id) const
{
    if (id < 0 || id >= NoId)
        return nullptr;
    LVXObject* object = app.Registry().Find(IDNUM(id));
    return object ? window->FindObjectWidget(object) : nullptr;
}

void Loader::ReadRelations()
{
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("relation_group"))
            ReadRelationGroup();
        else
            xml.skipCurrentElement();
    }
}

void Loader::ReadRelationGroup()
{
    bool ok = false;
    const long long ownerId = xml.attributes().value("owner").toLongLong(&ok);
    const QPointer<LVXObjectWidget> owner = WidgetOf(ok ? ownerId : 0);
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("relation")) {
            xml.skipCurrentElement();
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        xml.skipCurrentElement();
        if (!owner)
            continue;
        const long long otherId = attributes.value("other").toLongLong(&ok);
        const auto type = uint32_t(std::max(0, IntAttribute(attributes, "type")));
        LVXObjectWidget* other = nullptr;
        if (!ok || otherId != -1) {
            // A relation to an object that did not load is left out, not opened.
            other = WidgetOf(ok ? otherId : 0);
            if (!other || other == owner)
                continue;
        }
        // One relation per type and end; types 2, 4 and 5 are the single links a button opens.
        bool repeated = false;
        for (const auto& existing : owner->GetRelations()) {
            const bool single
                = type == LVX::RelationSource || type == LVX::RelationSearchStack || type == LVX::RelationFourthPanel;
            if (existing->GetType() == type && (single || existing->GetOther() == other))
                repeated = true;
        }
        if (repeated)
            continue;
        Relation* relation = createRelation(type, owner, other);
        if (!relation)
            continue;
        if (other && relation->IsOpen()) {
            // The other end is of a type this relation does not accept.
            delete relation;
            continue;
        }
        if (owner)
            owner->AddRelation(relation);
        else
            delete relation;
    }
}

void Loader::ReadAttachments()
{
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("object"))
            ReadAttachmentList();
        else
            xml.skipCurrentElement();
    }
}

void Loader::ReadAttachmentList()
{
    bool ok = false;
    const long long stackId = xml.attributes().value("id").toLongLong(&ok);
    LVXObjectWidget* stackWidget = WidgetOf(ok ? stackId : 0);
    std::vector<long long> ids;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("att")) {
            const long long id = xml.attributes().value("id").toLongLong(&ok);
            if (ok)
                ids.push_back(id);
        }
        xml.skipCurrentElement();
    }
    if (!stackWidget)
        return;
    // Docking puts the newest attachment first: dock the stored list from its end to keep its order.
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        LVXObjectWidget* widget = WidgetOf(*it);
        auto* attachment = widget ? dynamic_cast<Attachment*>(widget->GetObject()) : nullptr;
        if (!attachment || widget == stackWidget || widget->GetDockedTo())
            continue;
        const std::vector<int32_t>& accepted = attachment->GetAcceptedStackTypes();
        if (std::find(accepted.begin(), accepted.end(), stackWidget->GetObject()->GetType()) == accepted.end())
            continue;
        stackWidget->Attach(widget);
    }
}

void Loader::ReadPrefs()
{
    bool ok = false;
    const long long id = xml.attributes().value("current_view").toLongLong(&ok);
    currentView = ok ? id : -1;
    xml.skipCurrentElement();
}

void Loader::Finish()
{
    NetworkWidget* network = window->GetNetwork();
    // Docking moved the attachments; every button goes back where it was stored.
    for (const Placed& entry : placed)
        if (entry.widget)
            entry.widget->move(entry.position);
    if (!placed.empty() && placed.back().widget)
        network->MoveObjectWidget(placed.back().widget, placed.back().widget->pos()); // resizes the pane

    // Views bound to their stack now take their stored slice, zoom and centre.
    for (const SliceViewState& state : sliceViews)
        if (state.view)
            state.view->RestoreState(state.sliderValue, state.zoom, state.center);

    const bool multiSelection = network->IsMultiSelection();
    network->SetMultiSelection(true);
    LVXObjectWidget* lastChecked = nullptr;
    for (const Placed& entry : placed)
        if (entry.widget && entry.checked) {
            entry.widget->setChecked(true);
            if (!entry.widget->GetControls().empty())
                lastChecked = entry.widget;
        }
    network->SetMultiSelection(multiSelection);
    // The panels of a checked button that has some are on show, as after clicking it.
    if (lastChecked)
        window->ShowControls(lastChecked);

    if (LVXObjectWidget* widget = WidgetOf(currentView))
        if (widget->GetObject()->IsView())
            window->SetCurrentView(widget->GetObject());

    // What was just read equals what is stored: nothing is marked unsaved, and saving the
    // project again does not rewrite the data files.
    for (LVXObject* object : app.Objects())
        object->SetChanged(false);
    window->Redraw();
}

} // namespace

bool Save(App& app, const QString& path)
{
    Log::Output("Saving project...");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    LumivoxWnd* window = app.GetWindow();

    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement("project");
    xml.writeAttribute("version", Version);
    xml.writeStartElement("objects");
    const std::vector<LVXObject*> objects = app.Objects();
    for (LVXObject* object : objects) {
        // An object kept in a file of its own but without one yet (a contour only exported as
        // STL, say) is saved as well: the project can only refer to its data by that file.
        const bool hasNoFileYet
            = !object->GetFileTypes().extensions.isEmpty() && object->GetFile().filePath().isEmpty();
        if (object->GetFileTypes().extensions.isEmpty()) {
            // Kept in the project document itself: its mark goes once the document is written.
        } else if (object->IsChanged() || hasNoFileYet) {
            // A failed or cancelled save keeps the mark, so the edits are offered again.
            object->SetError(QString());
            if (object->Save())
                object->SetChanged(false);
            else if (!object->GetError().isEmpty())
                Log::Error(object->GetError());
        } else {
            Log::Output("Skipped unchanged object " + object->GetName());
        }
        if (!object->WriteXml(xml))
            continue;
        if (const LVXObjectWidget* widget = window->FindObjectWidget(object))
            widget->WriteXmlAttributes(xml);
        else
            WriteBareAttributes(xml, *object);
    }
    xml.writeEndElement(); // objects
    if (!app.Registry().Objects(LVX::SelectionType).empty())
        Log::Warning("Selections are not kept in project files; they are left out of " + path + ".");

    window->GetNetwork()->WriteRelations(xml);

    xml.writeStartElement("attachments");
    for (const LVXObject* object : objects) {
        xml.writeStartElement("object");
        xml.writeAttribute("id", QString::number(object->GetId()));
        for (const LVXObject* attachment : object->GetAttachments()) {
            xml.writeStartElement("att");
            xml.writeAttribute("id", QString::number(attachment->GetId()));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement(); // attachments

    xml.writeStartElement("prefs");
    if (const LVXObject* current = CurrentView(app))
        xml.writeAttribute("current_view", QString::number(current->GetId()));
    xml.writeEndDocument();

    // The buffered tail is written by flush; commit does not report a failure there.
    const bool written = !xml.hasError() && file.flush() && file.error() == QFileDevice::NoError;
    const QString reason = file.errorString();
    if (!written)
        file.cancelWriting();
    if (!written || !file.commit()) {
        Log::Error("Could not save project to " + path + ": " + (written ? file.errorString() : reason));
        return false;
    }
    for (LVXObject* object : objects)
        if (object->GetFileTypes().extensions.isEmpty())
            object->SetChanged(false);
    Log::Output("Project saved to " + path);
    return true;
}

bool Load(App& app, const QString& path)
{
    Loader loader(app, path);
    return loader.Run();
}

Relation* createRelation(uint32_t type, LVXObjectWidget* owner, LVXObjectWidget* other)
{
    Relation* relation
        = type >= LVX::Relation3DView && type <= LVX::RelationMatrix ? Relation::Create(type, owner, other) : nullptr;
    if (!relation && owner)
        Log::Error("Unknown relation type");
    return relation;
}

} // namespace ProjectFile
