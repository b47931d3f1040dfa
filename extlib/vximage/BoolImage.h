#pragma once

#include "TypedImage.h"

// A mask: one byte per pixel, 0 or 1. Neighbourhoods are 8-connected for Grow and Shrink and
// 4-connected for Fill.
class BoolImage : public TypedImage<uint8_t, Image::BOOL> {
public:
    BoolImage(); // 0 x 0
    BoolImage(int w, int h, const RATIONAL& xr, const RATIONAL& yr, const std::string& u);
    BoolImage(const BoolImage&) = default;
    BoolImage& operator=(const BoolImage&) = default;

    std::unique_ptr<Image> Copy() const override { return std::make_unique<BoolImage>(*this); }

    using TypedImage::Set;
    void Set(int x, int y, bool value) { At(x, y) = value ? 1 : 0; }
    bool Get(int x, int y) const { return At(x, y) != 0; }
    void Clear();
    // Logical or with another mask over the common part.
    void Unite(const BoolImage& other);
    // Sets to `value` the 4-connected region of pixels that share the seed's state (an
    // explicit stack, never recursion). A seed outside the image, or already at `value`, does nothing.
    void Fill(bool value, int x, int y);
    // One step of dilation / erosion with the 3 x 3 square; pixels outside count as unset.
    void Grow();
    void Shrink();
    void Invert();
    // Thins every region to a one-pixel wide, 8-connected skeleton (Zhang-Suen).
    void Skeletonize();
    uint64_t GetPixelArea() const; // number of set pixels
    // The set area in the resolution unit: count x xres x yres; the count itself when the unit
    // is empty or "px", or when a resolution is 0.
    double GetUnitArea() const;
};
