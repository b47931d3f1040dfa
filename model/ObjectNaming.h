#pragma once

#include "model/LVXObject.h"

#include <QString>
#include <cstdint>
#include <vector>

// What identifiers and name numbers are computed from: one entry per registered object, in
// registration order.
struct ObjectKey {
    int32_t type = 0;
    QString name;
    IDNUM id = NoId;
};

namespace ObjectNaming {

// The smallest identifier below the largest one in use that no object holds; when there is no
// gap, the number of objects.
IDNUM NextFreeId(const std::vector<ObjectKey>& objects);

// The number that the name of a new object of `type` ends with: the smallest positive number not
// yet at the end of the name of an object of that type. A name without trailing digits logs a
// warning and ends the search with the count of objects of that type examined so far.
int NextNameNumber(const std::vector<ObjectKey>& objects, int32_t type);

} // namespace ObjectNaming
