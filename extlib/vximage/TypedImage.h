#pragma once

#include "Image.h"

#include <cstring>

// One RGB pixel, 3 bytes.
struct RgbPixel {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const RgbPixel& o) const { return r == o.r && g == o.g && b == o.b; }
};

namespace PixelTraits {
// Conversions between pixel types used by the single-pixel accessors.
template <typename T> float ToFloat(T v)
{
    return float(v);
}
template <> inline float ToFloat<RgbPixel>(RgbPixel v)
{
    return 0.299f * v.r + 0.587f * v.g + 0.114f * v.b;
}
template <typename T> T FromFloat(float v);
} // namespace PixelTraits

// Display mapping, implemented per pixel type in ImageDisplay.cpp.
namespace ImageDisplay {
template <typename T> QImage ToQImage(const T* pixels, int width, int height, short brightness, double contrastAngle);
template <typename T> std::vector<unsigned char> ToOpenGlRGB(const T* pixels, int width, int height);
} // namespace ImageDisplay

// An image whose pixels are of C++ type T; Code is its Image::Type.
template <typename T, Image::Type Code> class TypedImage : public Image {
public:
    using Pixel = T;

    TypedImage(int w, int h, const RATIONAL& xr, const RATIONAL& yr, const std::string& u)
        : Image(w, h, Code, xr, yr, u), buffer(size_t(w) * size_t(h) * sizeof(T))
    {
    }
    TypedImage(int w, int h, PixelBuffer storage, const RATIONAL& xr, const RATIONAL& yr, const std::string& u)
        : Image(w, h, Code, xr, yr, u), buffer(std::move(storage))
    {
    }
    TypedImage(const TypedImage& o) : Image(o), buffer(o.buffer.Clone()) { }
    TypedImage& operator=(const TypedImage& o)
    {
        if (this != &o) {
            Image::operator=(o);
            buffer = o.buffer.Clone();
        }
        return *this;
    }

    std::unique_ptr<Image> Copy() const override { return std::make_unique<TypedImage>(*this); }

    T* Pixels() { return reinterpret_cast<T*>(buffer.Data()); }
    const T* Pixels() const { return reinterpret_cast<const T*>(buffer.Data()); }
    T* Row(int y) { return Pixels() + size_t(y) * size_t(width); }
    const T* Row(int y) const { return Pixels() + size_t(y) * size_t(width); }
    T& At(int x, int y) { return Row(y)[x]; }
    const T& At(int x, int y) const { return Row(y)[x]; }

    uint8_t GetByte(int x, int y) const override { return Saturate<uint8_t>(At(x, y)); }
    uint16_t GetUShort(int x, int y) const override { return Saturate<uint16_t>(At(x, y)); }
    uint32_t GetUInt(int x, int y) const override { return Saturate<uint32_t>(At(x, y)); }
    float GetFloat(int x, int y) const override { return PixelTraits::ToFloat(At(x, y)); }
    bool GetBool(int x, int y) const override { return PixelTraits::ToFloat(At(x, y)) != 0.0f; }
    QColor GetRgb(int x, int y) const override;
    void* GetRawData() override { return buffer.Data(); }
    using Image::GetRawData;
    QString GetString(int x, int y) const override;
    void Set(int x, int y, float value) override { At(x, y) = PixelTraits::FromFloat<T>(value); }
    void Set(int x, int y, const void* value) override { std::memcpy(&At(x, y), value, sizeof(T)); }
    void SetAll(const void* value) override;
    void Resize(int newWidth, int newHeight) override;
    QImage ToQImage(short brightness, double contrastAngle) const override
    {
        return ImageDisplay::ToQImage(Pixels(), width, height, brightness, contrastAngle);
    }
    std::vector<unsigned char> ToOpenGlRGB() const override
    {
        return ImageDisplay::ToOpenGlRGB(Pixels(), width, height);
    }

private:
    template <typename U> static U Saturate(T v);

    PixelBuffer buffer;
};

using ByteImage = TypedImage<uint8_t, Image::BYTE>;
using UShortImage = TypedImage<uint16_t, Image::USHORT>;
using UIntImage = TypedImage<uint32_t, Image::UINT>;
using FloatImage = TypedImage<float, Image::FLOAT>;
using RgbImage = TypedImage<RgbPixel, Image::RGB>;

extern template class TypedImage<uint8_t, Image::BYTE>;
extern template class TypedImage<uint8_t, Image::BOOL>;
extern template class TypedImage<uint16_t, Image::USHORT>;
extern template class TypedImage<uint32_t, Image::UINT>;
extern template class TypedImage<float, Image::FLOAT>;
extern template class TypedImage<RgbPixel, Image::RGB>;
