#include "contours/SnakeSequence.h"

#include "app/Relation.h"
#include "contours/ContourMesh.h"
#include "contours/SharedSnakeParams.h"
#include "contours/SnakeRecord.h"
#include "model/Log.h"
#include "stacks/VariableImageStack.h"
#include "transforms/SliceMatrixSource.h"
#include "ui/LVXObjectWidget.h"

#include "BoolImage.h"
#include "Image.h"

#include <QXmlStreamWriter>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

SnakeSequence::ControlsMaker& InstalledMaker()
{
    static SnakeSequence::ControlsMaker maker;
    return maker;
}

// The transform sequence among the objects related to a stack button: the other ends of its own
// relations, the owners of the relations that end at it, and its docked attachments, in this
// order; the first or the last one found.
const SliceMatrixSource* FindSliceMatrices(const LVXObjectWidget* stackWidget, bool first)
{
    const SliceMatrixSource* found = nullptr;
    auto consider = [&found, first](const LVXObject* object) {
        if (!object || object->GetType() != LVX::TransformSequenceType || (first && found))
            return;
        if (const auto* source = dynamic_cast<const SliceMatrixSource*>(object))
            found = source;
    };
    for (const auto& relation : stackWidget->GetRelations())
        consider(relation->GetOther() ? relation->GetOther()->GetObject() : nullptr);
    for (const Relation* relation : stackWidget->GetIncomingRelations())
        consider(relation->GetOwner() ? relation->GetOwner()->GetObject() : nullptr);
    for (const LVXObject* attachment : stackWidget->GetObject()->GetAttachments())
        consider(attachment);
    return found;
}

bool Near(float coordinate, float value)
{
    return std::fabs(double(coordinate) - double(value)) <= 0.5;
}

int ToInt(uint32_t value)
{
    return value > uint32_t(INT_MAX) ? INT_MAX : int(value);
}

} // namespace

void SnakeSequence::SetControlsMaker(ControlsMaker maker)
{
    InstalledMaker() = std::move(maker);
}

SnakeSequence::SnakeSequence(const QString& path, const QString& name) : Attachment(name)
{
    SetType(LVX::SnakeSequenceType);
    SetFile(QFileInfo(path));
    firstSlice = 0xFFFFFFFFu;
    SnakeRecord::Contents contents;
    QString error;
    if (!SnakeRecord::Read(path, &contents, &error)) {
        Clear();
        SetError(error);
        return;
    }
    // A record does not store the plane; its contours lie in XY.
    orientation = LVX::XY;
    firstSlice = contents.firstSlice;
    for (const SnakeRecord::Contour& contour : contents.contours) {
        snakes.push_back(
            std::make_unique<Snake>(contour.nodes.data(), contour.nodes.size(), &SharedSnakeParams::Get()));
        points3D.push_back(nullptr);
    }
    SetError(QString());
    UpdatePoints3D();
}

SnakeSequence::SnakeSequence(const QString& name, uint32_t first, LVX::Orientation plane)
    : Attachment(name), firstSlice(first), orientation(plane)
{
    SetType(LVX::SnakeSequenceType);
}

SnakeSequence::SnakeSequence(const SnakeSequence& other)
    : Attachment(other), firstSlice(other.firstSlice), orientation(other.orientation), checked(other.checked)
{
    for (const auto& snake : other.snakes) {
        snakes.push_back(std::make_unique<Snake>(*snake));
        points3D.push_back(nullptr);
    }
    UpdatePoints3D();
}

SnakeSequence::~SnakeSequence()
{
    Clear();
}

LVXObject* SnakeSequence::Clone() const
{
    return new SnakeSequence(*this);
}

FileTypes SnakeSequence::GetFileTypes() const
{
    return {{".acr", ".stl"}, "Lumivox snake sequence (*.acr);;STL ascii (*.stl);;"};
}

std::pair<Point3D, Point3D> SnakeSequence::GetBoundingBox() const
{
    Point3D lo;
    Point3D hi;
    for (const auto& snake : snakes) {
        const auto box = snake->GetBoundingBox();
        lo.x = std::min(lo.x, box.first.x);
        lo.y = std::min(lo.y, box.first.y);
        hi.x = std::max(hi.x, box.second.x);
        hi.y = std::max(hi.y, box.second.y);
    }
    lo.z = float(firstSlice);
    hi.z = float(double(firstSlice) + double(snakes.size()));
    return {lo, hi};
}

std::vector<Control*> SnakeSequence::GetControls()
{
    const ControlsMaker& maker = InstalledMaker();
    return maker ? maker(this) : std::vector<Control*>();
}

bool SnakeSequence::Save()
{
    if (GetFile().filePath().isEmpty() && !ChooseFile())
        return false;
    const QString path = GetFile().filePath();
    SetError(QString());
    std::vector<SnakeRecord::Contour> contours(snakes.size());
    for (size_t i = 0; i < snakes.size(); ++i) {
        contours[i].slice = firstSlice + uint32_t(i);
        contours[i].nodes = snakes[i]->GetPoints();
    }
    QString error;
    if (!SnakeRecord::Write(path, GetName(), contours, &error)) {
        SetError(error);
        return false;
    }
    return true;
}

bool SnakeSequence::SaveTo(const QString& path, const QString& extension)
{
    if (extension == ".acr") {
        SetFile(QFileInfo(path));
        return Save();
    }
    if (extension == ".stl") {
        QString error;
        const bool written = ContourMesh::ExportStl(*this, path, GetPlacement(TransformChoice::FirstRelated), &error);
        SetError(error);
        return written;
    }
    return false;
}

// The button adds the common attributes, the record file's path among them ("src").
bool SnakeSequence::WriteXml(QXmlStreamWriter& xml)
{
    xml.writeStartElement("snake_sequence");
    return true;
}

void SnakeSequence::OnAttached(LVXObjectWidget* stackWidget)
{
    Attachment::OnAttached(stackWidget);
    UpdatePoints3D();
}

void SnakeSequence::OnDetached(LVXObjectWidget* stackWidget)
{
    Attachment::OnDetached(stackWidget);
    UpdatePoints3D();
}

SliceMask SnakeSequence::GetMask(int width, int height, uint32_t slice) const
{
    SliceMask result;
    result.plane = orientation;
    result.slice = slice;
    result.mask = Image::Boolean(width, height, RATIONAL(), RATIONAL(), "");
    result.mask->Clear();
    const Snake* snake = GetSnake(slice);
    if (!snake || snake->Size() <= 2)
        return result;
    result.mask->EmbedSpline(snake->GetPoints(), 1.0f);
    const Point seed = snake->GetInteriorPoint();
    // Fill ignores seeds outside the mask; far or non-finite seeds must not reach the conversion.
    if (std::isfinite(seed.x) && std::isfinite(seed.y) && seed.x > -1.0f && seed.y > -1.0f
        && seed.x < float(result.mask->width) && seed.y < float(result.mask->height))
        result.mask->Fill(true, int(seed.x), int(seed.y));
    return result;
}

std::vector<SliceMask> SnakeSequence::GetMasks(
    const std::vector<uint32_t>& widths, const std::vector<uint32_t>& heights) const
{
    std::vector<SliceMask> masks;
    masks.reserve(snakes.size());
    Log::Progress progress("Drawing " + GetName() + "...");
    progress.SetMaximum(int(std::min<size_t>(snakes.size(), INT_MAX)));
    for (size_t i = 0; i < snakes.size(); ++i) {
        if (i % 10 == 0)
            progress.SetValue(int(std::min<size_t>(i, INT_MAX)));
        const uint32_t s = firstSlice + uint32_t(i);
        // A slice the lists do not cover gets an empty mask, so that mask i stays contour i.
        const int width = s < widths.size() ? ToInt(widths[s]) : 0;
        const int height = s < heights.size() ? ToInt(heights[s]) : 0;
        masks.push_back(GetMask(width, height, s));
    }
    return masks;
}

Snake* SnakeSequence::GetSnake(uint32_t slice) const
{
    const uint32_t index = slice - firstSlice;
    return index < snakes.size() ? snakes[index].get() : nullptr;
}

Snake* SnakeSequence::GetOrCreateSnake(uint32_t slice)
{
    if (Snake* snake = GetSnake(slice))
        return snake;
    if (snakes.empty())
        return nullptr;
    const SnakeParams& params = SharedSnakeParams::Get();
    // Slice 0 has no slice before it (the index would wrap round).
    if (firstSlice > 0 && slice == firstSlice - 1) {
        snakes.push_front(std::make_unique<Snake>(*snakes.front()));
        points3D.push_front(nullptr);
        --firstSlice;
        SetChanged(true);
        snakes.front()->Shrink(params.shrinkage, params.distance);
        return snakes.front().get();
    }
    if (slice == firstSlice + GetCount()) {
        PushBack(std::make_unique<Snake>(*snakes.back()));
        snakes.back()->Shrink(params.shrinkage, params.distance);
        return snakes.back().get();
    }
    return nullptr;
}

void SnakeSequence::PushBack(std::unique_ptr<Snake> snake)
{
    if (!snake)
        return;
    snakes.push_back(std::move(snake));
    points3D.push_back(nullptr);
    SetChanged(true);
}

void SnakeSequence::DeleteFirst()
{
    if (snakes.empty())
        return;
    snakes.pop_front();
    points3D.pop_front();
    ++firstSlice;
    SetChanged(true);
}

void SnakeSequence::DeleteLast()
{
    if (snakes.empty())
        return;
    snakes.pop_back();
    points3D.pop_back();
    SetChanged(true);
}

void SnakeSequence::Clear()
{
    while (!snakes.empty()) {
        snakes.pop_front();
        points3D.pop_front();
    }
    points3D.clear();
}

std::unique_ptr<SnakeSequence::NodeList> SnakeSequence::GetNodesAtSlice(uint32_t slice)
{
    Snake* snake = GetSnake(slice);
    if (!snake)
        return nullptr;
    // The sequence's own button: the one docked to the stack button that shows this object.
    LVXObjectWidget* button = nullptr;
    if (LVXObjectWidget* stackWidget = GetParent())
        for (LVXObjectWidget* attachment : stackWidget->GetAttachments())
            if (attachment->GetObject() == this)
                button = attachment;
    auto list = std::make_unique<NodeList>();
    const uint32_t contour = slice - firstSlice;
    for (size_t k = 0; k < snake->Size(); ++k)
        list->push_back({&(*snake)[k], float(slice), orientation, button, contour, uint32_t(k)});
    return list;
}

std::unique_ptr<SnakeSequence::NodeList> SnakeSequence::GetNodesAtX(float x)
{
    auto list = std::make_unique<NodeList>();
    for (size_t i = 0; i < snakes.size(); ++i) {
        Snake& snake = *snakes[i];
        for (size_t k = 0; k < snake.Size(); ++k)
            if (Near(snake[k].x, x))
                list->push_back(
                    {&snake[k], float(firstSlice + uint32_t(i)), orientation, nullptr, uint32_t(i), uint32_t(k)});
    }
    return list;
}

std::unique_ptr<SnakeSequence::NodeList> SnakeSequence::GetNodesAtY(float y)
{
    auto list = std::make_unique<NodeList>();
    for (size_t i = 0; i < snakes.size(); ++i) {
        Snake& snake = *snakes[i];
        for (size_t k = 0; k < snake.Size(); ++k)
            if (Near(snake[k].y, y))
                list->push_back(
                    {&snake[k], float(firstSlice + uint32_t(i)), orientation, nullptr, uint32_t(i), uint32_t(k)});
    }
    return list;
}

void SnakeSequence::UpdatePoints3D()
{
    const NodePlacement placement = GetPlacement();
    for (size_t i = 0; i < snakes.size(); ++i) {
        const uint32_t slice = firstSlice + uint32_t(i);
        auto cache = std::make_unique<NodeCache>();
        for (const auto& node : snakes[i]->GetBuffer()) {
            const auto p = placement.Place(node->x, node->y, slice);
            cache->push_back(std::make_unique<Point3D>(float(p[0]), float(p[1]), float(p[2])));
        }
        points3D[i] = std::move(cache);
    }
}

const SnakeSequence::NodeCache* SnakeSequence::GetPoints3D(uint32_t index) const
{
    return index < points3D.size() ? points3D[index].get() : nullptr;
}

VariableImageStack* SnakeSequence::GetStack() const
{
    return dynamic_cast<VariableImageStack*>(GetHost());
}

// The placement reads the transform's matrices when it is used, so it is meant to be used at
// once, while the transform sequence and the stack exist.
NodePlacement SnakeSequence::GetPlacement(TransformChoice choice) const
{
    const VariableImageStack* stack = GetStack();
    if (!stack)
        return NodePlacement();
    const SliceMatrixSource* source = FindSliceMatrices(GetParent(), choice == TransformChoice::FirstRelated);
    if (!source)
        return NodePlacement();
    return NodePlacement(stack, [source](uint32_t slice) { return source->GetSliceMatrix(slice); });
}
