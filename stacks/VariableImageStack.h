#pragma once

#include "Image.h"
#include "Rational.h"
#include "model/LVXObject.h"

#include <QFileInfo>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class Tiff;

// The slices of one multi-page TIFF file (or of a stack built in memory), index 0 first, with
// the distance between slices and a cache of derivative images. Slices may differ in size.
class VariableImageStack : public LVXObject {
public:
    // Reads every page of the file; the name becomes the file name. A page that cannot be read
    // becomes an empty (null) slice, named in one log warning; when no page can be read the
    // stack stays empty with the reason in GetError().
    explicit VariableImageStack(const QFileInfo& fileInfo);
    // An empty stack; slices are added with AppendImage.
    explicit VariableImageStack(const RATIONAL& spacing);
    VariableImageStack(const VariableImageStack& other); // deep copy
    ~VariableImageStack() override;

    LVXObject* Clone() const override;
    QColor GetColor() const override;
    FileTypes GetFileTypes() const override;
    bool Save() override;
    bool WriteXml(QXmlStreamWriter& xml) override;

    // Replaces the slices with the pages of the file and takes the spacing from its ImageJ
    // description (or from the resolution of slice 0).
    virtual void ReadTiff(Tiff* tiff);
    virtual uint32_t GetWidth() const;
    virtual uint32_t GetMaxWidth() const;
    virtual uint32_t GetHeight() const;
    virtual uint32_t GetMaxHeight() const;
    // A new stack of scaled slices (fz is ignored here); null, with a log error, when the factors
    // are not positive or the result would not fit.
    virtual std::unique_ptr<VariableImageStack> Scale(double fx, double fy, double fz) const;

    uint32_t GetSliceCount() const { return uint32_t(slices.size()); }
    // The slice, owned by the stack; null when z is out of range or the slice is empty (a page
    // of its file that could not be read).
    Image* GetImage(uint32_t z) const;
    // Takes ownership and appends; a null image is ignored.
    void AppendImage(std::unique_ptr<Image> image);

    uint32_t GetSliceWidth(uint32_t z) const;
    uint32_t GetSliceHeight(uint32_t z) const;
    std::vector<uint32_t> GetSliceWidths() const;
    std::vector<uint32_t> GetSliceHeights() const;
    // The slice's resolution truncated to an integer numerator; RATIONAL(0) out of range.
    RATIONAL GetSliceXResolution(uint32_t z) const;
    RATIONAL GetSliceYResolution(uint32_t z) const;
    std::string GetSliceUnit(uint32_t z) const; // empty out of range
    const RATIONAL& GetSpacing() const { return spacing; }

    // The value of slice z at pixel (x, y); 0 outside the stack.
    float GetValue(int x, int y, int z) const;
    // Trilinear interpolation between the eight voxels around (x, y, z); voxels outside the
    // stack count as 0.
    float Interpolate(float x, float y, float z) const;
    // Derivative images of slice z, computed on first request and owned by the stack; null when
    // z is out of range.
    Image* GetDdx(uint32_t z);
    Image* GetDdy(uint32_t z);
    Image* GetLaplace(uint32_t z);
    // Half the sums of the two neighbours along x, y and z; a neighbour outside the stack adds 0.
    std::array<float, 3> GetNeighbourMean(int x, int y, int z) const;

    // The colour of every stack in the object network.
    static const QColor StackColor;

protected:
    // Leaves the slice list and the derivative cache empty.
    void ClearSlices();

    RATIONAL spacing{1, 1};

private:
    struct Derivatives {
        std::unique_ptr<Image> ddx;
        std::unique_ptr<Image> ddy;
        std::unique_ptr<Image> laplace;
    };
    enum class Derivative { Dx, Dy, Laplace };

    Image* GetDerivative(uint32_t z, Derivative kind);
    void ReadSpacing(const Tiff& tiff);
    float SliceBilinear(int z, int ix, int iy, float fx, float fy) const;

    std::deque<std::unique_ptr<Image>> slices;
    std::deque<Derivatives> derivatives; // one record per slice
};
