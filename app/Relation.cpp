#include "app/Relation.h"

#include "model/LVXObject.h"
#include "ui/LVXObjectWidget.h"

#include <algorithm>

namespace {
// The fields of each relation type: which objects the other end may be, its priority and the
// direction its arrow is drawn in (1: from the other end to the owner).
struct RelationKind {
    uint32_t type;
    uint32_t dir;
    uint32_t priority;
    std::vector<int32_t> acceptedTypes;
};

const std::vector<RelationKind>& RelationKinds()
{
    static const std::vector<RelationKind> kinds = {
        {LVX::Relation3DView, 0, 10, {LVX::OGLViewType}},
        {LVX::RelationSource, 1, 20, {LVX::VariableImageStackType, LVX::ImageStackType}},
        {LVX::RelationSurface, 1, 0, {LVX::SimpleSurfaceType, LVX::SSMType}},
        {LVX::RelationSearchStack, 0, 20, {LVX::ImageStackType}},
        {LVX::RelationFourthPanel, 1, 0, {LVX::SliceViewType, LVX::TomogramViewType, LVX::OGLViewType}},
        {LVX::RelationBuiltModel, 0, 20, {LVX::SSMType}},
        {LVX::RelationMatrix, 1, 20, {LVX::MatrixWrapType}},
    };
    return kinds;
}
} // namespace

Relation::Relation(LVXObjectWidget* owner, LVXObjectWidget* other, uint32_t type, uint32_t dir, uint32_t priority,
    std::vector<int32_t> acceptedTypes)
    : owner(owner), type(type), dir(dir), priority(priority), acceptedTypes(std::move(acceptedTypes))
{
    if (other)
        Connect(other);
}

Relation::~Relation()
{
    if (destroyedFlag)
        *destroyedFlag = true;
    // Destroyed while its ends were being told of a disconnection: they know already.
    if (disconnecting)
        return;
    Disconnect();
}

Relation* Relation::Create(uint32_t type, LVXObjectWidget* owner, LVXObjectWidget* other)
{
    if (!owner)
        return nullptr;
    const auto& kinds = RelationKinds();
    const auto kind
        = std::find_if(kinds.begin(), kinds.end(), [type](const RelationKind& k) { return k.type == type; });
    if (kind == kinds.end())
        return nullptr;
    auto* relation = new Relation(owner, nullptr, kind->type, kind->dir, kind->priority, kind->acceptedTypes);
    if (other)
        relation->ConnectTo(other);
    return relation;
}

bool Relation::ConnectTo(LVXObjectWidget* widget)
{
    if (other == widget && widget)
        return true;
    if (other) {
        bool destroyed = false;
        bool* outerFlag = destroyedFlag;
        destroyedFlag = &destroyed;
        Disconnect();
        if (destroyed) {
            if (outerFlag)
                *outerFlag = true;
            return false;
        }
        destroyedFlag = outerFlag;
    }
    if (!widget || !widget->GetObject() || !Accepts(widget->GetObject()->GetType()))
        return false;
    Connect(widget);
    return other == widget;
}

void Relation::Disconnect()
{
    if (!other || disconnecting)
        return;
    // The other end stays set while both ends are told, so that they can see which object the
    // relation led to. Either end may react by deleting this relation (a view whose source goes
    // away removes itself); nothing of it is touched after that.
    disconnecting = true;
    bool destroyed = false;
    bool* outerFlag = destroyedFlag;
    destroyedFlag = &destroyed;
    LVXObjectWidget* previous = other;
    previous->onDisconnected(this);
    if (!destroyed)
        owner->onDisconnect(this);
    if (destroyed) {
        if (outerFlag)
            *outerFlag = true;
        return;
    }
    destroyedFlag = outerFlag;
    other = nullptr;
    disconnecting = false;
}

bool Relation::Accepts(int32_t objectType) const
{
    return std::find(acceptedTypes.begin(), acceptedTypes.end(), objectType) != acceptedTypes.end();
}

void Relation::Connect(LVXObjectWidget* widget)
{
    other = widget;
    bool destroyed = false;
    bool* outerFlag = destroyedFlag;
    destroyedFlag = &destroyed;
    widget->onConnected(this);
    if (!destroyed)
        owner->onConnect(this);
    if (destroyed) {
        if (outerFlag)
            *outerFlag = true;
        return;
    }
    destroyedFlag = outerFlag;
}
