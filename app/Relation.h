#pragma once

#include "model/LVX.h"

#include <cstdint>
#include <vector>

class LVXObjectWidget;

// A typed link between two object buttons, owned by the button at its owner end. The other end
// is null while the relation is open; the user connects it by dragging in the network pane.
class Relation {
public:
    // With `other` given, registers itself at the other button (its incoming list and
    // OnConnected of its object) and calls OnConnect of the owner's object. The creator then
    // appends it to the owner button's outgoing list (LVXObjectWidget::AddRelation).
    Relation(LVXObjectWidget* owner, LVXObjectWidget* other, uint32_t type, uint32_t dir, uint32_t priority,
        std::vector<int32_t> acceptedTypes);
    // Unregisters from the other end and from the owner.
    ~Relation();
    Relation(const Relation&) = delete;
    Relation& operator=(const Relation&) = delete;

    // A relation of the program's table for that type (ends, dir, priority, accepted types).
    static Relation* Create(uint32_t type, LVXObjectWidget* owner, LVXObjectWidget* other);

    // Disconnects the previous other end (if any), then connects `widget` when its object's type
    // is accepted. Returns whether it is connected to `widget` now.
    bool ConnectTo(LVXObjectWidget* widget);
    // Detaches the other end (OnDisconnected there, OnDisconnect at the owner); the relation is open after.
    void Disconnect();
    bool Accepts(int32_t objectType) const;

    LVXObjectWidget* GetOwner() const { return owner; }
    LVXObjectWidget* GetOther() const { return other; }
    uint32_t GetType() const { return type; }
    uint32_t GetDir() const { return dir; }
    uint32_t GetPriority() const { return priority; }
    const std::vector<int32_t>& GetAcceptedTypes() const { return acceptedTypes; }
    bool IsOpen() const { return other == nullptr; }

private:
    void Connect(LVXObjectWidget* widget); // tells both ends, without the type check

    LVXObjectWidget* owner;
    LVXObjectWidget* other = nullptr;
    uint32_t type;
    uint32_t dir;
    uint32_t priority;
    std::vector<int32_t> acceptedTypes;
    bool disconnecting = false;
    // Set by the destructor, so that code that told an end about this relation can see whether
    // that end deleted it in response.
    bool* destroyedFlag = nullptr;
};
