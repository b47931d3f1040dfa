#pragma once

#include "BoolImage.h"
#include "TypedImage.h"

#include <algorithm>
#include <cstring>

// Typed access to slice pixels for the stack's loops: one switch per image or row instead of a
// virtual call per pixel.
namespace StackPixels {

using BoolPixels = TypedImage<uint8_t, Image::BOOL>;

// Calls f with the image as its typed class.
template <typename F> decltype(auto) Visit(const Image& image, F&& f)
{
    switch (image.GetType()) {
    case Image::USHORT:
        return f(static_cast<const UShortImage&>(image));
    case Image::UINT:
        return f(static_cast<const UIntImage&>(image));
    case Image::FLOAT:
        return f(static_cast<const FloatImage&>(image));
    case Image::BOOL:
        return f(static_cast<const BoolPixels&>(image));
    case Image::RGB:
        return f(static_cast<const RgbImage&>(image));
    case Image::BYTE:
        break;
    }
    return f(static_cast<const ByteImage&>(image));
}

template <typename F> decltype(auto) Visit(Image& image, F&& f)
{
    switch (image.GetType()) {
    case Image::USHORT:
        return f(static_cast<UShortImage&>(image));
    case Image::UINT:
        return f(static_cast<UIntImage&>(image));
    case Image::FLOAT:
        return f(static_cast<FloatImage&>(image));
    case Image::BOOL:
        return f(static_cast<BoolPixels&>(image));
    case Image::RGB:
        return f(static_cast<RgbImage&>(image));
    case Image::BYTE:
        break;
    }
    return f(static_cast<ByteImage&>(image));
}

// Row y of the image as floats into out[0 .. count); pixels the image does not have are 0.
inline void RowToFloat(const Image& image, int y, float* out, int count)
{
    const int n = (y >= 0 && y < image.height) ? std::min(count, image.width) : 0;
    Visit(image, [&](const auto& typed) {
        if (n > 0) {
            const auto* row = typed.Row(y);
            for (int x = 0; x < n; ++x)
                out[x] = PixelTraits::ToFloat(row[x]);
        }
    });
    std::fill(out + std::max(n, 0), out + count, 0.0f);
}

// Writes in[0 .. width) into row y, converting as the image's float setter does.
inline void FloatToRow(Image& image, int y, const float* in)
{
    if (y < 0 || y >= image.height)
        return;
    Visit(image, [&](auto& typed) {
        using T = typename std::decay_t<decltype(typed)>::Pixel;
        T* row = typed.Row(y);
        for (int x = 0; x < typed.width; ++x)
            row[x] = PixelTraits::FromFloat<T>(in[x]);
    });
}

} // namespace StackPixels
