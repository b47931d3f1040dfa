#pragma once

#include "Image.h"

#include <cstdint>
#include <memory>

// What a view hands to contour processing for the slice it shows: the slice index, the slice
// image and its x and y derivative images. For XY views the images belong to the stack (its
// slice and its cached derivatives); for planes across the stack they are built for the call
// and owned here, so they go when the record goes.
struct SliceImages {
    uint32_t slice = 0;
    const Image* image = nullptr;
    const Image* ddx = nullptr;
    const Image* ddy = nullptr;
    std::unique_ptr<Image> ownedImage;
    std::unique_ptr<Image> ownedDdx;
    std::unique_ptr<Image> ownedDdy;

    bool IsValid() const { return image && ddx && ddy; }
};
