#include "Image.h"

#include "BoolImage.h"
#include "TypedImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sys/mman.h>
#include <type_traits>

Matrix* Image::DX = nullptr;
Matrix* Image::DY = nullptr;
Matrix* Image::LAPLACE = nullptr;

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

// Zero-filled, aligned storage. Buffers of a huge page or more come straight from the kernel
// (already zero, so no memset touches them before the reader does), aligned to 2 MiB and advised
// for transparent huge pages.
std::shared_ptr<unsigned char> AllocateZeroed(size_t bytes)
{
    if (bytes == 0)
        return {};
    if (bytes < kHugePage) {
        void* p = std::calloc(1, bytes);
        if (!p)
            throw std::bad_alloc();
        return std::shared_ptr<unsigned char>(static_cast<unsigned char*>(p), [](unsigned char* q) { std::free(q); });
    }
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* raw = mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start)
        munmap(raw, aligned - start);
    const uintptr_t end = start + rounded + kHugePage;
    if (end > aligned + rounded)
        munmap(reinterpret_cast<void*>(aligned + rounded), end - (aligned + rounded));
    madvise(reinterpret_cast<void*>(aligned), rounded, MADV_HUGEPAGE);
    return std::shared_ptr<unsigned char>(
        reinterpret_cast<unsigned char*>(aligned), [rounded](unsigned char* q) { munmap(q, rounded); });
}

template <typename U> U SaturateFloat(float v)
{
    if (!(v > 0.0f)) // also NaN
        return U(0);
    const double r = std::nearbyint(double(v));
    if (r >= double(std::numeric_limits<U>::max()))
        return std::numeric_limits<U>::max();
    return U(r);
}

} // namespace

// --- PixelBuffer -------------------------------------------------------------------------------

PixelBuffer::PixelBuffer(size_t bytes) : storage(AllocateZeroed(bytes)), data(storage.get()), size(bytes)
{
}

PixelBuffer::PixelBuffer(std::shared_ptr<unsigned char> arena, size_t offset, size_t bytes)
    : storage(std::move(arena)), data(storage ? storage.get() + offset : nullptr), size(bytes)
{
}

std::shared_ptr<unsigned char> PixelBuffer::AllocateArena(size_t bytes)
{
    return AllocateZeroed(bytes);
}

PixelBuffer PixelBuffer::Clone() const
{
    PixelBuffer copy(size);
    if (size)
        std::memcpy(copy.data, data, size);
    return copy;
}

// --- pixel conversions -------------------------------------------------------------------------

namespace PixelTraits {
template <> uint8_t FromFloat<uint8_t>(float v)
{
    return SaturateFloat<uint8_t>(v);
}
template <> uint16_t FromFloat<uint16_t>(float v)
{
    return SaturateFloat<uint16_t>(v);
}
template <> uint32_t FromFloat<uint32_t>(float v)
{
    return SaturateFloat<uint32_t>(v);
}
template <> float FromFloat<float>(float v)
{
    return v;
}
template <> RgbPixel FromFloat<RgbPixel>(float v)
{
    const uint8_t g = SaturateFloat<uint8_t>(v);
    return RgbPixel{g, g, g};
}
} // namespace PixelTraits

template <typename T, Image::Type Code> template <typename U> U TypedImage<T, Code>::Saturate(T v)
{
    if constexpr (std::is_same_v<T, float> || std::is_same_v<T, RgbPixel>) {
        return SaturateFloat<U>(PixelTraits::ToFloat(v));
    } else {
        if (uint64_t(v) > uint64_t(std::numeric_limits<U>::max()))
            return std::numeric_limits<U>::max();
        return U(v);
    }
}

template <typename T, Image::Type Code> QColor TypedImage<T, Code>::GetRgb(int x, int y) const
{
    if constexpr (std::is_same_v<T, RgbPixel>) {
        const RgbPixel p = At(x, y);
        return QColor(p.r, p.g, p.b);
    } else if constexpr (Code == Image::BOOL) {
        return At(x, y) ? QColor(255, 255, 255) : QColor(0, 0, 0);
    } else {
        const int g = GetByte(x, y);
        return QColor(g, g, g);
    }
}

template <typename T, Image::Type Code> QString TypedImage<T, Code>::GetString(int x, int y) const
{
    const T v = At(x, y);
    if constexpr (std::is_same_v<T, RgbPixel>)
        return QString("%1, %2, %3").arg(v.r).arg(v.g).arg(v.b);
    else if constexpr (std::is_same_v<T, float>)
        return QString::number(double(v), 'g', 6);
    else
        return QString::number(qulonglong(v));
}

template <typename T, Image::Type Code> void TypedImage<T, Code>::SetAll(const void* value)
{
    T v;
    std::memcpy(&v, value, sizeof(T));
    std::fill(Pixels(), Pixels() + size_t(width) * size_t(height), v);
}

template <typename T, Image::Type Code> void TypedImage<T, Code>::Resize(int newWidth, int newHeight)
{
    newWidth = std::max(newWidth, 0);
    newHeight = std::max(newHeight, 0);
    PixelBuffer resized(size_t(newWidth) * size_t(newHeight) * sizeof(T));
    T* target = reinterpret_cast<T*>(resized.Data());
    const int w = std::min(width, newWidth);
    const int h = std::min(height, newHeight);
    if (w > 0)
        for (int y = 0; y < h; ++y)
            std::memcpy(target + size_t(y) * size_t(newWidth), Row(y), size_t(w) * sizeof(T));
    buffer = std::move(resized);
    width = newWidth;
    height = newHeight;
}

template class TypedImage<uint8_t, Image::BYTE>;
template class TypedImage<uint8_t, Image::BOOL>;
template class TypedImage<uint16_t, Image::USHORT>;
template class TypedImage<uint32_t, Image::UINT>;
template class TypedImage<float, Image::FLOAT>;
template class TypedImage<RgbPixel, Image::RGB>;

// --- Image -------------------------------------------------------------------------------------

Image::Image(int w, int h, Type t, const RATIONAL& xr, const RATIONAL& yr, const std::string& u)
    : width(std::max(w, 0)), height(std::max(h, 0)), type(t), xres(xr), yres(yr), unit(u)
{
}

Image::~Image() = default;

int Image::BytesPerPixel(Type type)
{
    switch (type) {
    case BYTE:
    case BOOL:
        return 1;
    case USHORT:
        return 2;
    case UINT:
    case FLOAT:
        return 4;
    case RGB:
        return 3;
    }
    return 0;
}

std::unique_ptr<Image> Image::FromType(
    int w, int h, Type type, const RATIONAL& xr, const RATIONAL& yr, const std::string& u)
{
    if (w < 0 || h < 0 || BytesPerPixel(type) == 0)
        return nullptr;
    return FromBuffer(w, h, type, PixelBuffer(size_t(w) * size_t(h) * size_t(BytesPerPixel(type))), xr, yr, u);
}

std::unique_ptr<Image> Image::FromBuffer(
    int w, int h, Type type, PixelBuffer buffer, const RATIONAL& xr, const RATIONAL& yr, const std::string& u)
{
    if (w < 0 || h < 0 || buffer.Size() < size_t(w) * size_t(h) * size_t(BytesPerPixel(type)))
        return nullptr;
    switch (type) {
    case BYTE:
        return std::make_unique<ByteImage>(w, h, std::move(buffer), xr, yr, u);
    case USHORT:
        return std::make_unique<UShortImage>(w, h, std::move(buffer), xr, yr, u);
    case UINT:
        return std::make_unique<UIntImage>(w, h, std::move(buffer), xr, yr, u);
    case FLOAT:
        return std::make_unique<FloatImage>(w, h, std::move(buffer), xr, yr, u);
    case RGB:
        return std::make_unique<RgbImage>(w, h, std::move(buffer), xr, yr, u);
    case BOOL: {
        auto mask = std::make_unique<BoolImage>(w, h, xr, yr, u);
        if (mask->GetByteCount() > 0)
            std::memcpy(mask->GetRawData(), buffer.Data(), mask->GetByteCount());
        return mask;
    }
    }
    return nullptr;
}

std::unique_ptr<BoolImage> Image::Boolean(int w, int h, const RATIONAL& xr, const RATIONAL& yr, const std::string& u)
{
    return std::make_unique<BoolImage>(std::max(w, 0), std::max(h, 0), xr, yr, u);
}

std::unique_ptr<BoolImage> Image::Boolean()
{
    return std::make_unique<BoolImage>();
}

float Image::Get(float x, float y) const
{
    if (width <= 0 || height <= 0)
        return 0.0f;
    x = std::clamp(x, 0.0f, float(width - 1));
    y = std::clamp(y, 0.0f, float(height - 1));
    const int x0 = int(x);
    const int y0 = int(y);
    const int x1 = std::min(x0 + 1, width - 1);
    const int y1 = std::min(y0 + 1, height - 1);
    const float fx = x - float(x0);
    const float fy = y - float(y0);
    const float bottom = GetFloat(x0, y0) * (1.0f - fx) + GetFloat(x1, y0) * fx;
    const float top = GetFloat(x0, y1) * (1.0f - fx) + GetFloat(x1, y1) * fx;
    return bottom * (1.0f - fy) + top * fy;
}

void Image::Move(float x, float y, Image* target, float tx, float ty) const
{
    if (!target)
        return;
    const int ix = int(std::lround(tx));
    const int iy = int(std::lround(ty));
    if (target->Contains(ix, iy))
        target->Set(ix, iy, Get(x, y));
}

void Image::Move(int x, int y, Image* target, int tx, int ty) const
{
    if (!target || !Contains(x, y) || !target->Contains(tx, ty))
        return;
    if (target->type == type)
        target->Set(tx, ty,
            static_cast<const unsigned char*>(GetRawData())
                + (size_t(y) * size_t(width) + size_t(x)) * size_t(GetBytesPerPixel()));
    else
        target->Set(tx, ty, GetFloat(x, y));
}
