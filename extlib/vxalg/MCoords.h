#pragma once

#include <cstdint>

// A (row, column) index pair into a Matrix.
struct MCoords {
    uint32_t i = 0;
    uint32_t j = 0;

    MCoords() = default;
    MCoords(uint32_t i_, uint32_t j_) : i(i_), j(j_) { }

    bool IsValid() const { return i != j && j != 0xFFFFFFFFu; }
};
