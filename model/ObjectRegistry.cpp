#include "model/ObjectRegistry.h"

#include <algorithm>

ObjectRegistry::ObjectRegistry() = default;

ObjectRegistry::~ObjectRegistry()
{
    // Head first, as the project is cleared.
    while (!objects.empty())
        objects.pop_front();
}

LVXObject* ObjectRegistry::Add(std::unique_ptr<LVXObject> object, IDNUM id)
{
    if (!object)
        return nullptr;
    if (id == NoId)
        id = NextFreeId();
    object->SetId(id);
    objects.push_back(std::move(object));
    return objects.back().get();
}

std::unique_ptr<LVXObject> ObjectRegistry::Take(const LVXObject* object)
{
    const auto it = std::find_if(
        objects.begin(), objects.end(), [object](const std::unique_ptr<LVXObject>& o) { return o.get() == object; });
    if (it == objects.end())
        return nullptr;
    std::unique_ptr<LVXObject> taken = std::move(*it);
    objects.erase(it);
    return taken;
}

bool ObjectRegistry::Contains(const LVXObject* object) const
{
    return std::any_of(
        objects.begin(), objects.end(), [object](const std::unique_ptr<LVXObject>& o) { return o.get() == object; });
}

LVXObject* ObjectRegistry::Find(IDNUM id) const
{
    for (const auto& object : objects)
        if (object->GetId() == id)
            return object.get();
    return nullptr;
}

std::vector<LVXObject*> ObjectRegistry::Objects() const
{
    std::vector<LVXObject*> result;
    result.reserve(objects.size());
    for (const auto& object : objects)
        result.push_back(object.get());
    return result;
}

std::vector<LVXObject*> ObjectRegistry::Objects(int32_t type) const
{
    std::vector<LVXObject*> result;
    for (const auto& object : objects)
        if (object->GetType() == type)
            result.push_back(object.get());
    return result;
}

LVXObject* ObjectRegistry::Front() const
{
    return objects.empty() ? nullptr : objects.front().get();
}

LVXObject* ObjectRegistry::Back() const
{
    return objects.empty() ? nullptr : objects.back().get();
}

std::vector<ObjectKey> ObjectRegistry::Keys() const
{
    std::vector<ObjectKey> keys;
    keys.reserve(objects.size());
    for (const auto& object : objects)
        keys.push_back({object->GetType(), object->GetName(), object->GetId()});
    return keys;
}
