#include "model/ObjectNaming.h"

#include "model/Log.h"

#include <algorithm>
#include <limits>

namespace ObjectNaming {

IDNUM NextFreeId(const std::vector<ObjectKey>& objects)
{
    IDNUM largest = 0;
    for (const ObjectKey& object : objects)
        if (object.id != NoId && object.id > largest)
            largest = object.id;
    std::vector<bool> used(largest, false);
    for (const ObjectKey& object : objects)
        if (object.id < largest)
            used[object.id] = true;
    for (IDNUM id = 0; id < largest; ++id)
        if (!used[id])
            return id;
    return IDNUM(objects.size());
}

int NextNameNumber(const std::vector<ObjectKey>& objects, int32_t type)
{
    std::vector<long long> numbers; // ascending
    int examined = 0;
    for (const ObjectKey& object : objects) {
        if (object.type != type)
            continue;
        ++examined;
        int start = object.name.size();
        while (start > 0 && object.name.at(start - 1).isDigit() && object.name.at(start - 1).unicode() < 128)
            --start;
        if (start == object.name.size()) {
            Log::Warning("Object indentifier missing in name: " + object.name);
            return examined;
        }
        // A digit run too long for the type counts as the largest number, which is never the next one.
        bool ok = false;
        long long number = object.name.midRef(start).toLongLong(&ok);
        if (!ok)
            number = std::numeric_limits<long long>::max();
        numbers.insert(std::upper_bound(numbers.begin(), numbers.end(), number), number);
    }
    int k = 0;
    for (long long number : numbers) {
        if (number != k + 1)
            return k + 1;
        ++k;
    }
    return int(numbers.size()) + 1;
}

} // namespace ObjectNaming
