#pragma once

#include "stacks/VariableImageStack.h"

#include <string>

// A stack whose slices share one size, resolution, unit and pixel type, taken from slice 0.
class ImageStack : public VariableImageStack {
public:
    explicit ImageStack(const QFileInfo& fileInfo);
    // An empty fixed-size stack; the caller appends slices of this size and type.
    ImageStack(uint32_t width, uint32_t height, Image::Type pixelType, const RATIONAL& xResolution,
        const RATIONAL& yResolution, const RATIONAL& spacing, const std::string& unit);
    ImageStack(const ImageStack& other) = default; // deep: the base copies the slices
    ~ImageStack() override;

    LVXObject* Clone() const override;
    bool WriteXml(QXmlStreamWriter& xml) override;
    void ReadTiff(Tiff* tiff) override;
    uint32_t GetWidth() const override { return width; }
    uint32_t GetHeight() const override { return height; }
    // A new fixed-size stack scaled in all three directions: in-plane by each slice's Scale,
    // along z by cubic interpolation between scaled slices.
    std::unique_ptr<VariableImageStack> Scale(double fx, double fy, double fz) const override;

    const RATIONAL& GetXResolution() const { return xResolution; }
    const RATIONAL& GetYResolution() const { return yResolution; }
    const std::string& GetResUnit() const { return unit; }
    Image::Type GetPixelType() const { return pixelType; }

    // New images across the stack (the caller owns them), resolution 1/1 and unit "px":
    // pixel (x, z) of the XZ plane and pixel (z, y) of the ZY plane are slice z at (x, y).
    // Null when y or x is outside the stack.
    std::unique_ptr<Image> GetXZPlane(uint32_t y) const;
    std::unique_ptr<Image> GetZYPlane(uint32_t x) const;

private:
    void TakeFormatOfFirstSlice();

    uint32_t width = 0;
    uint32_t height = 0;
    RATIONAL xResolution{1, 1};
    RATIONAL yResolution{1, 1};
    std::string unit;
    Image::Type pixelType = Image::BYTE;
};
