#include "contours/NodePlacement.h"

#include "stacks/VariableImageStack.h"

#include "Matrix.h"

NodePlacement::NodePlacement(const VariableImageStack* stack, SliceMatrix matrices)
    : stack(stack), matrices(std::move(matrices))
{
}

std::array<double, 3> NodePlacement::Place(double x, double y, uint32_t slice) const
{
    const Matrix* m = matrices ? matrices(slice) : nullptr;
    if (!m || !stack || m->X() != 4 || m->Y() < 3)
        return {x, y, double(slice)};
    const double v[4]
        = {x - double(stack->GetSliceWidth(slice) / 2), y - double(stack->GetSliceHeight(slice) / 2), 0.0, 1.0};
    std::array<double, 3> p{};
    for (uint32_t r = 0; r < 3; ++r)
        p[r] = m->Item(r, 0) * v[0] + m->Item(r, 1) * v[1] + m->Item(r, 2) * v[2] + m->Item(r, 3) * v[3];
    return p;
}
