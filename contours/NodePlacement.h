#pragma once

#include <array>
#include <cstdint>
#include <functional>

class Matrix;
class VariableImageStack;

// Where a contour node of slice s lands in the volume. Without a transform a node (x, y) is
// (x, y, s). With the matrices of a transform sequence, the matrix of slice s is applied to the
// affine vector (x - w/2, y - h/2, 0, 1), w/2 and h/2 being the integer halves of the slice's
// width and height, so the slice centre is the transform's origin.
class NodePlacement {
public:
    // The matrix of a slice (4 x 4 or 3 x 4), or null when the transform has none for it.
    using SliceMatrix = std::function<const Matrix*(uint32_t slice)>;

    NodePlacement() = default; // no transform
    NodePlacement(const VariableImageStack* stack, SliceMatrix matrices);

    bool HasTransform() const { return static_cast<bool>(matrices); }
    std::array<double, 3> Place(double x, double y, uint32_t slice) const;

private:
    const VariableImageStack* stack = nullptr;
    SliceMatrix matrices;
};
