#pragma once

#include "Image.h"

#include <QIODevice>
#include <QMap>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// An open TIFF file, read through libtiff (strips and tiles; none, LZW, Deflate and PackBits
// compression; 8/16/32-bit integer, 32-bit float and RGB pixels; classic TIFF and BigTIFF), plus
// the ImageJ layout for stacks over 4 GiB, where the description announces more images than the
// file has directories and the remaining pages follow the first page's data contiguously.
//
// Pages are read with their resolution (pixel size, the inverse of TIFF's pixels per unit) and
// unit (ImageJ "unit", else the TIFF resolution unit "inch" or "cm", else "px"). The file's top
// row becomes the image's last row (rows count upward). Damaged files fail with a message in
// GetError(); nothing is allocated beyond what the file can really hold.
//
// Pixel types: 8/16/32-bit unsigned grey become BYTE/USHORT/UINT, 32- and 64-bit float become
// FLOAT, 1-bit grey becomes BYTE 0/255 (white is 255). Signed integers keep their order: 8- and
// 16-bit signed values are shifted by 128 and 32768 into BYTE and USHORT (as ImageJ stores them),
// 32-bit signed values become FLOAT. 8-bit RGB is read as it is; palette, 16-bit RGB, planar RGB,
// YCbCr and CMYK pages are reduced to 8-bit RGB. Of grey pages with extra samples (alpha) the
// first sample is read. Grey values are kept as stored also when 0 means white (min-is-white).
class Tiff {
public:
    // How the pages were found: libtiff read every directory; our own parser read every
    // directory (plain uncompressed stacks); or, for an ImageJ stack whose pages lie in one
    // block, only the first and last directories were read and the chain of offsets followed.
    enum class Walk { Libtiff, Directories, ImageJBlock };

    // Opens the file and finds its pages. Without `shortcuts`, libtiff reads every directory
    // (the others give the same pages, faster).
    explicit Tiff(const QString& path, bool shortcuts = true);
    ~Tiff();
    Tiff(const Tiff&) = delete;
    Tiff& operator=(const Tiff&) = delete;

    bool IsOpen() const;
    Walk GetWalk() const;
    // The last problem met: why the file did not open, why a page could not be read, or a damaged
    // part of an open file (a broken directory chain keeps the pages before it; tag values beyond
    // the end of the file). Empty when there was none.
    const QString& GetError() const { return error; }
    uint32_t GetNumIfds() const;
    uint32_t GetPageWidth(uint32_t k) const;
    uint32_t GetPageHeight(uint32_t k) const;
    // A new image for page k; null (with GetError set) when the page cannot be read.
    std::unique_ptr<Image> ReadImage(uint32_t k);
    // All pages in order; equal pages share one allocation. `progress` (may be empty) is called
    // with the page index before each page. A page that cannot be read is a null entry (GetError
    // names the last such page); the others are read all the same.
    std::vector<std::unique_ptr<Image>> ReadAllImages(const std::function<void(uint32_t)>& progress = {});
    bool IsEqualImageSizes() const;
    // The key=value lines of an ImageJ image description of the first page; empty without one.
    QMap<QString, QString> ReadImageJData() const;
    void Close();

    // One image file directory being prepared for writing, in the layout the stack writer uses:
    // directory, next-directory offset (4 bytes), pixel rows from the last to the first, x and y
    // resolution (8 bytes each), ImageJ description.
    class Ifd {
    public:
        Ifd() = default;
        // Prepares the entries for `image` whose directory starts at `offset`; returns the offset
        // at which the following directory starts (even, as TIFF requires), or 0 when the page
        // would end beyond 4 GiB. BOOL masks are written as 8-bit grey; RGB pages carry no
        // SampleFormat entry (unsigned is TIFF's default).
        uint32_t SetupFromImage(
            const Image& image, uint32_t count, float spacing, const std::string& unit, uint32_t offset);
        // Writes the entry count and the entries (not the next offset); false on a write error.
        bool WriteToFile(QIODevice& out) const;
        uint32_t GetDescriptionSize() const { return descriptionSize; }
        // Values that follow the description: one zero byte when the pixel data have an odd
        // length (so the next directory starts on an even offset), then for RGB the three
        // BitsPerSample values (8, 8, 8), which do not fit into their entry. Nothing for other
        // pages; SetupFromImage's result includes them.
        bool WriteExtraValues(QIODevice& out) const;
        uint32_t GetExtraSize() const { return extraSize; }
        // The ImageJ description for a stack of `count` slices: "ImageJ=", "images", "slices",
        // "unit", "spacing" lines, NUL-terminated and padded to an even length. Control
        // characters of the unit are written as ImageJ's \uXXXX escapes.
        static std::string GenerateImageJData(uint32_t count, float spacing, const std::string& unit);

    private:
        struct Entry {
            uint16_t tag;
            uint16_t type;
            uint32_t count;
            uint32_t value;
        };
        std::vector<Entry> entries;
        uint32_t descriptionSize = 0;
        uint32_t extraSize = 0;
        bool threeSamples = false;
    };

    // Writes a complete little-endian stack file: header "II", 42, 8, then per slice the layout
    // of Ifd, whose description names the slice's own unit (`unit` for slices without one). Returns the number of bytes
    // written, or -1 (with `error` set) on failure or when the stack does not fit in 4 GiB.
    static qint64 WriteStack(QIODevice& out, const std::vector<const Image*>& slices, float spacing,
        const std::string& unit, QString* error = nullptr);

private:
    struct Page;
    struct Impl;
    std::unique_ptr<Impl> impl;
    QString error;
};
