#pragma once

#include <cstdint>

class Matrix;

// What a transform sequence offers to the objects that place slice coordinates in the volume:
// the matrix of one slice (4 x 4 affine), or null when it has none for that slice.
class SliceMatrixSource {
public:
    virtual ~SliceMatrixSource() = default;
    virtual const Matrix* GetSliceMatrix(uint32_t slice) const = 0;
};
