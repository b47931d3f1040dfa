#pragma once

#include "Rational.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BoolImage;
class Matrix;
class Point;

// The bytes of one image. Large buffers are aligned to 2 MiB and advised for transparent huge
// pages, because page faults, not decoding, dominate when big stacks are read. A buffer may also
// be a window into an arena shared by many images (one allocation for a whole stack).
class PixelBuffer {
public:
    PixelBuffer() = default;
    explicit PixelBuffer(size_t bytes); // zero-filled
    PixelBuffer(std::shared_ptr<unsigned char> arena, size_t offset, size_t bytes);

    // A zero-filled allocation for several images at once; hand out windows with the constructor above.
    static std::shared_ptr<unsigned char> AllocateArena(size_t bytes);

    unsigned char* Data() const { return data; }
    size_t Size() const { return size; }
    PixelBuffer Clone() const; // an independent copy with its own allocation

private:
    std::shared_ptr<unsigned char> storage;
    unsigned char* data = nullptr;
    size_t size = 0;
};

// A raster of width x height pixels of one type, with a resolution per axis and a unit.
//
// Conventions:
// - Row 0 is the bottom row of the picture; rows count upward. Pixel (x, y) is element
//   y * width + x of the raw data.
// - The x and y resolution are the size of one pixel in the resolution unit (units per pixel).
// - The per-pixel virtual accessors convert between types: integers saturate, floats are
//   rounded to the nearest integer, RGB reads as its luminance and scalars read as grey.
//   They are meant for single pixels; hot loops use the typed raw data.
class Image {
public:
    enum Type : uint32_t { BYTE = 1, USHORT = 2, UINT = 3, FLOAT = 4, BOOL = 5, RGB = 6 };

    // The derivative kernels (3 x 3, written top row first), owned by the program's entry point.
    static Matrix* DX;
    static Matrix* DY;
    static Matrix* LAPLACE;

    int32_t width = 0;
    int32_t height = 0;

    virtual std::unique_ptr<Image> Copy() const = 0;
    virtual ~Image();
    virtual uint8_t GetByte(int x, int y) const = 0;
    virtual uint16_t GetUShort(int x, int y) const = 0;
    virtual uint32_t GetUInt(int x, int y) const = 0;
    virtual float GetFloat(int x, int y) const = 0;
    virtual bool GetBool(int x, int y) const = 0;
    virtual QColor GetRgb(int x, int y) const = 0;
    virtual void* GetRawData() = 0;
    virtual QString GetString(int x, int y) const = 0; // the value as shown to the user
    virtual void Set(int x, int y, float value) = 0;
    virtual void Set(int x, int y, const void* value) = 0; // value points to one pixel of this type
    virtual void SetAll(const void* value) = 0;
    // Writes this image's value at sub-pixel (x, y) (bilinear) into the nearest pixel of (tx, ty).
    virtual void Move(float x, float y, Image* target, float tx, float ty) const;
    // Copies pixel (x, y) into pixel (tx, ty) of target, converting the type.
    virtual void Move(int x, int y, Image* target, int tx, int ty) const;
    // New size; pixels inside both sizes keep their values, new pixels are 0.
    virtual void Resize(int newWidth, int newHeight) = 0;
    // A display picture (top row first). Scalars are grey: the value window is taken from the
    // image's own histogram between the 0.05 % and 99.95 % quantiles, so a few hot or dead pixels
    // do not spoil the contrast; RGB is shown as it is. `brightness` is added to the grey level
    // (0 = none); `contrastAngle` is the angle in degrees of the grey ramp across the window
    // (45 = linear from black to white, steeper above 45, flatter below).
    virtual QImage ToQImage(short brightness, double contrastAngle) const = 0;
    // RGB bytes of the same mapping (brightness 0, angle 45), rows in image order (bottom row
    // first), as OpenGL textures expect.
    virtual std::vector<unsigned char> ToOpenGlRGB() const = 0;

    const void* GetRawData() const { return const_cast<Image*>(this)->GetRawData(); }
    Type GetType() const { return type; }
    int GetBytesPerPixel() const { return BytesPerPixel(type); }
    size_t GetByteCount() const { return size_t(width) * size_t(height) * size_t(BytesPerPixel(type)); }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

    const RATIONAL& GetXResolution() const { return xres; }
    const RATIONAL& GetYResolution() const { return yres; }
    void SetResolution(const RATIONAL& x, const RATIONAL& y)
    {
        xres = x;
        yres = y;
    }
    const std::string& GetResUnit() const { return unit; }
    void SetResUnit(const std::string& u) { unit = u; }

    static int BytesPerPixel(Type type);
    // A blank image; null for an unknown type or a negative size.
    static std::unique_ptr<Image> FromType(
        int width, int height, Type type, const RATIONAL& xres, const RATIONAL& yres, const std::string& unit);
    // The same, its pixels a window into storage that the caller provides (at least the byte count).
    static std::unique_ptr<Image> FromBuffer(int width, int height, Type type, PixelBuffer buffer, const RATIONAL& xres,
        const RATIONAL& yres, const std::string& unit);
    static std::unique_ptr<BoolImage> Boolean(
        int width, int height, const RATIONAL& xres, const RATIONAL& yres, const std::string& unit);
    static std::unique_ptr<BoolImage> Boolean();

    // Bilinear value at a sub-pixel position; positions outside are clamped to the border.
    float Get(float x, float y) const;
    // A new image of truncate(width * fx) x truncate(height * fy) of the same type, sampled
    // bilinearly; the pixel size grows as the image shrinks.
    std::unique_ptr<Image> Scale(double fx, double fy) const;
    // New float images: this image correlated with DX, DY or LAPLACE (the kernel's top row
    // weighs the row above), borders repeating the edge pixels. ddx is d/dx, ddy is d/dy with
    // y growing upward.
    std::unique_ptr<Image> ddx() const;
    std::unique_ptr<Image> ddy() const;
    std::unique_ptr<Image> laplace() const;
    std::unique_ptr<Image> Filter(const Matrix& kernel) const;
    // Marks, in this image, the pixels of `image` below `min` with `belowValue` and those above
    // `max` with `aboveValue`; pixels inside the window are left as they are. Sizes may differ:
    // only the common part is visited.
    void DrawThresholdMask(const Image& image, double min, double max, float belowValue, float aboveValue);
    // Draws the closed polygon through the nodes (in order, last joined to first) with the value.
    void EmbedSpline(const std::vector<Point>& nodes, float value);

protected:
    Image(int w, int h, Type t, const RATIONAL& xr, const RATIONAL& yr, const std::string& u);
    Image(const Image&) = default;
    Image& operator=(const Image&) = default;

    Type type;
    RATIONAL xres;
    RATIONAL yres;
    std::string unit;
};
