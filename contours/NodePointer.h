#pragma once

#include "model/LVX.h"

#include "Point.h"

#include <cstdint>

class LVXObjectWidget;

// One contour node made editable in a view: writing through `node` moves the node itself.
struct NodePointer {
    Point* node = nullptr;
    float z = 0.0f; // slice coordinate of the contour (first slice + contour index)
    LVX::Orientation orientation = LVX::XY;
    LVXObjectWidget* widget = nullptr; // the sequence's button when the nodes of one slice were asked for
    uint32_t contour = 0;              // index of the contour in its sequence
    uint32_t index = 0;                // index of the node in its contour
};
