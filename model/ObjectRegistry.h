#pragma once

#include "model/LVXObject.h"
#include "model/ObjectNaming.h"

#include <deque>
#include <memory>
#include <vector>

// The project's objects in order of registration, owned. Hands out non-owning pointers.
class ObjectRegistry {
public:
    ObjectRegistry();
    ~ObjectRegistry();
    ObjectRegistry(const ObjectRegistry&) = delete;
    ObjectRegistry& operator=(const ObjectRegistry&) = delete;

    // Appends the object with the given identifier (the next free one for NoId) and returns it.
    LVXObject* Add(std::unique_ptr<LVXObject> object, IDNUM id = NoId);
    // Hands the object back to the caller and forgets it; null when it is not registered.
    std::unique_ptr<LVXObject> Take(const LVXObject* object);

    bool Contains(const LVXObject* object) const;
    LVXObject* Find(IDNUM id) const;
    std::vector<LVXObject*> Objects() const;
    std::vector<LVXObject*> Objects(int32_t type) const;
    LVXObject* Front() const; // null when empty
    LVXObject* Back() const;  // the newest; null when empty
    size_t Size() const { return objects.size(); }
    bool IsEmpty() const { return objects.empty(); }

    std::vector<ObjectKey> Keys() const;
    IDNUM NextFreeId() const { return ObjectNaming::NextFreeId(Keys()); }
    int NextNameNumber(int32_t type) const { return ObjectNaming::NextNameNumber(Keys(), type); }

private:
    std::deque<std::unique_ptr<LVXObject>> objects;
};
