#include "stacks/VariableImageStack.h"

#include "Tiff.h"
#include "model/Log.h"
#include "stacks/StackPixels.h"

#include <QSaveFile>
#include <QXmlStreamWriter>
#include <cfloat>
#include <climits>
#include <cmath>

const QColor VariableImageStack::StackColor(70, 130, 180);

namespace {

// The largest coordinate Interpolate accepts; beyond it the voxels are outside any stack and
// the conversion to int would overflow.
constexpr float kMaxCoordinate = 1.0e9f;

// The truncated float value of a resolution as a whole-number RATIONAL.
RATIONAL TruncatedResolution(const RATIONAL& r)
{
    const float value = float(r);
    if (!(value > 0.0f))
        return RATIONAL(0);
    if (value >= 4294967295.0f)
        return RATIONAL(UINT32_MAX);
    return RATIONAL(uint32_t(value));
}

// 1-based page numbers, runs of three or more as "first-last": "3, 7, 10-12".
QString PageList(const std::vector<uint32_t>& pages)
{
    QStringList parts;
    for (size_t i = 0; i < pages.size();) {
        size_t j = i;
        while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1)
            ++j;
        if (j >= i + 2) {
            parts << QString("%1-%2").arg(uint64_t(pages[i]) + 1).arg(uint64_t(pages[j]) + 1);
        } else {
            for (size_t k = i; k <= j; ++k)
                parts << QString::number(uint64_t(pages[k]) + 1);
        }
        i = j + 1;
    }
    return parts.join(", ");
}

} // namespace

VariableImageStack::VariableImageStack(const QFileInfo& fileInfo) : LVXObject(fileInfo.fileName())
{
    SetType(LVX::VariableImageStackType);
    SetFile(fileInfo);
    Log::Progress progress("Reading tags...");
    progress.SetBusy();
    Tiff tiff(fileInfo.filePath());
    if (tiff.IsOpen())
        ReadTiff(&tiff);
    else
        SetError("Could not open file: " + fileInfo.filePath());
    tiff.Close();
}

VariableImageStack::VariableImageStack(const RATIONAL& spacing) : spacing(spacing)
{
    SetType(LVX::VariableImageStackType);
}

VariableImageStack::VariableImageStack(const VariableImageStack& other) : LVXObject(other), spacing(other.spacing)
{
    for (const auto& slice : other.slices)
        slices.push_back(slice ? slice->Copy() : nullptr);
    for (const Derivatives& d : other.derivatives) {
        Derivatives copy;
        copy.ddx = d.ddx ? d.ddx->Copy() : nullptr;
        copy.ddy = d.ddy ? d.ddy->Copy() : nullptr;
        copy.laplace = d.laplace ? d.laplace->Copy() : nullptr;
        derivatives.push_back(std::move(copy));
    }
}

VariableImageStack::~VariableImageStack() = default;

LVXObject* VariableImageStack::Clone() const
{
    return new VariableImageStack(*this);
}

QColor VariableImageStack::GetColor() const
{
    return StackColor;
}

FileTypes VariableImageStack::GetFileTypes() const
{
    return FileTypes{QStringList{".tif"}, "TIFF image (*.tif)"};
}

bool VariableImageStack::WriteXml(QXmlStreamWriter& xml)
{
    xml.writeStartElement("variable_image_stack");
    return true;
}

void VariableImageStack::ClearSlices()
{
    slices.clear();
    derivatives.clear();
}

void VariableImageStack::ReadTiff(Tiff* tiff)
{
    ClearSlices();
    if (!tiff || !tiff->IsOpen())
        return;
    const uint32_t count = tiff->GetNumIfds();
    Log::Progress progress("Reading tags...");
    progress.SetMaximum(int(std::min<uint32_t>(count, INT_MAX)));
    std::vector<std::unique_ptr<Image>> pages = tiff->ReadAllImages([&progress](uint32_t k) {
        if (k % 10 == 0)
            progress.SetValue(int(std::min<uint32_t>(k, INT_MAX)));
    });
    // Pages that cannot be read stay empty entries, so that the others keep their slice index;
    // only a file of which no page can be read is refused.
    std::vector<uint32_t> missing;
    for (size_t k = 0; k < pages.size(); ++k)
        if (!pages[k])
            missing.push_back(uint32_t(k));
    if (pages.size() != count || (count > 0 && missing.size() == count)) {
        SetError("Could not read " + GetFile().filePath() + ": " + tiff->GetError());
        return;
    }
    for (auto& page : pages)
        slices.push_back(std::move(page));
    derivatives.resize(slices.size());
    if (!missing.empty())
        Log::Warning(QString("Could not read page%1 %2 of %3; %4 left empty. %5")
                         .arg(missing.size() > 1 ? "s" : "")
                         .arg(PageList(missing))
                         .arg(GetFile().filePath())
                         .arg(missing.size() > 1 ? "they are" : "it is")
                         .arg(tiff->GetError()));
    else if (!tiff->GetError().isEmpty())
        Log::Warning(GetFile().filePath() + ": " + tiff->GetError());
    ReadSpacing(*tiff);
}

void VariableImageStack::ReadSpacing(const Tiff& tiff)
{
    const QString text = tiff.ReadImageJData().value("spacing");
    if (!text.isEmpty()) {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || std::isnan(value)) {
            Log::Warning("Spacing of " + GetFile().filePath() + " is not a number: " + text);
        } else if (!std::isfinite(value) || std::fabs(value) > double(FLT_MAX)) {
            Log::Warning("Spacing of " + GetFile().filePath() + " is out of range: " + text);
        } else {
            spacing = double(float(value));
            if (float(spacing) == 0.0f)
                spacing = RATIONAL(1, 1);
            return;
        }
    }
    // No usable ImageJ spacing: square pixels give their size as the slice distance.
    const Image* first = GetImage(0);
    if (first && float(first->GetXResolution()) == float(first->GetYResolution())
        && float(first->GetXResolution()) != 0.0f)
        spacing = first->GetXResolution();
    else
        spacing = RATIONAL(1, 1);
}

uint32_t VariableImageStack::GetWidth() const
{
    return GetMaxWidth();
}

uint32_t VariableImageStack::GetMaxWidth() const
{
    uint32_t result = 0;
    for (const auto& slice : slices)
        if (slice)
            result = std::max(result, uint32_t(slice->width));
    return result;
}

uint32_t VariableImageStack::GetHeight() const
{
    return GetMaxHeight();
}

uint32_t VariableImageStack::GetMaxHeight() const
{
    uint32_t result = 0;
    for (const auto& slice : slices)
        if (slice)
            result = std::max(result, uint32_t(slice->height));
    return result;
}

namespace {

bool UsableFactor(double f)
{
    return std::isfinite(f) && f > 0.0;
}

// True when truncate(size * f) fits an image dimension.
bool FitsDimension(double size, double f)
{
    return size * f < double(INT_MAX);
}

} // namespace

std::unique_ptr<VariableImageStack> VariableImageStack::Scale(double fx, double fy, double /*fz*/) const
{
    bool fits = UsableFactor(fx) && UsableFactor(fy);
    for (const auto& slice : slices)
        fits = fits && (!slice || (FitsDimension(slice->width, fx) && FitsDimension(slice->height, fy)));
    if (!fits) {
        Log::Error(QString("Cannot scale %1 by %2 x %3").arg(GetName()).arg(fx).arg(fy));
        return nullptr;
    }
    auto result = std::make_unique<VariableImageStack>(RATIONAL(1, 1));
    // An empty slice stays empty, so that the others keep their index.
    for (const auto& slice : slices)
        result->slices.push_back(slice ? slice->Scale(fx, fy) : nullptr);
    result->derivatives.resize(result->slices.size());
    return result;
}

Image* VariableImageStack::GetImage(uint32_t z) const
{
    return z < slices.size() ? slices[z].get() : nullptr;
}

void VariableImageStack::AppendImage(std::unique_ptr<Image> image)
{
    if (!image)
        return;
    slices.push_back(std::move(image));
    derivatives.resize(slices.size());
}

uint32_t VariableImageStack::GetSliceWidth(uint32_t z) const
{
    const Image* slice = GetImage(z);
    return slice ? uint32_t(slice->width) : 0;
}

uint32_t VariableImageStack::GetSliceHeight(uint32_t z) const
{
    const Image* slice = GetImage(z);
    return slice ? uint32_t(slice->height) : 0;
}

std::vector<uint32_t> VariableImageStack::GetSliceWidths() const
{
    std::vector<uint32_t> result;
    result.reserve(slices.size());
    for (uint32_t z = 0; z < slices.size(); ++z)
        result.push_back(GetSliceWidth(z));
    return result;
}

std::vector<uint32_t> VariableImageStack::GetSliceHeights() const
{
    std::vector<uint32_t> result;
    result.reserve(slices.size());
    for (uint32_t z = 0; z < slices.size(); ++z)
        result.push_back(GetSliceHeight(z));
    return result;
}

RATIONAL VariableImageStack::GetSliceXResolution(uint32_t z) const
{
    const Image* slice = GetImage(z);
    return slice ? TruncatedResolution(slice->GetXResolution()) : RATIONAL(0);
}

RATIONAL VariableImageStack::GetSliceYResolution(uint32_t z) const
{
    const Image* slice = GetImage(z);
    return slice ? TruncatedResolution(slice->GetYResolution()) : RATIONAL(0);
}

std::string VariableImageStack::GetSliceUnit(uint32_t z) const
{
    const Image* slice = GetImage(z);
    return slice ? slice->GetResUnit() : std::string();
}

float VariableImageStack::GetValue(int x, int y, int z) const
{
    const Image* slice = z >= 0 ? GetImage(uint32_t(z)) : nullptr;
    return slice && slice->Contains(x, y) ? slice->GetFloat(x, y) : 0.0f;
}

float VariableImageStack::SliceBilinear(int z, int ix, int iy, float fx, float fy) const
{
    const Image* slice = z >= 0 ? GetImage(uint32_t(z)) : nullptr;
    if (!slice)
        return 0.0f;
    return StackPixels::Visit(*slice, [&](const auto& typed) {
        auto at = [&typed](int x, int y) { return typed.Contains(x, y) ? PixelTraits::ToFloat(typed.At(x, y)) : 0.0f; };
        return (at(ix, iy) * (1.0f - fx) + at(ix + 1, iy) * fx) * (1.0f - fy)
            + (at(ix, iy + 1) * (1.0f - fx) + at(ix + 1, iy + 1) * fx) * fy;
    });
}

float VariableImageStack::Interpolate(float x, float y, float z) const
{
    // Also rejects NaN.
    if (!(std::fabs(x) < kMaxCoordinate && std::fabs(y) < kMaxCoordinate && std::fabs(z) < kMaxCoordinate))
        return 0.0f;
    const float bx = std::floor(x);
    const float by = std::floor(y);
    const float bz = std::floor(z);
    const int ix = int(bx);
    const int iy = int(by);
    const int iz = int(bz);
    const float fx = x - bx;
    const float fy = y - by;
    const float fz = z - bz;
    return SliceBilinear(iz, ix, iy, fx, fy) * (1.0f - fz) + SliceBilinear(iz + 1, ix, iy, fx, fy) * fz;
}

Image* VariableImageStack::GetDerivative(uint32_t z, Derivative kind)
{
    const Image* slice = GetImage(z);
    if (!slice)
        return nullptr;
    Derivatives& cached = derivatives[z];
    switch (kind) {
    case Derivative::Dx:
        if (!cached.ddx)
            cached.ddx = slice->ddx();
        return cached.ddx.get();
    case Derivative::Dy:
        if (!cached.ddy)
            cached.ddy = slice->ddy();
        return cached.ddy.get();
    case Derivative::Laplace:
        if (!cached.laplace)
            cached.laplace = slice->laplace();
        return cached.laplace.get();
    }
    return nullptr;
}

Image* VariableImageStack::GetDdx(uint32_t z)
{
    return GetDerivative(z, Derivative::Dx);
}

Image* VariableImageStack::GetDdy(uint32_t z)
{
    return GetDerivative(z, Derivative::Dy);
}

Image* VariableImageStack::GetLaplace(uint32_t z)
{
    return GetDerivative(z, Derivative::Laplace);
}

std::array<float, 3> VariableImageStack::GetNeighbourMean(int x, int y, int z) const
{
    return {(GetValue(x - 1, y, z) + GetValue(x + 1, y, z)) / 2.0f,
        (GetValue(x, y - 1, z) + GetValue(x, y + 1, z)) / 2.0f, (GetValue(x, y, z - 1) + GetValue(x, y, z + 1)) / 2.0f};
}

bool VariableImageStack::Save()
{
    if (GetFile().filePath().isEmpty() && !ChooseFile())
        return false;
    const QString path = GetFile().filePath();
    if (slices.empty()) {
        Log::Error("Could nor save to " + path + ": the stack has no slices");
        return false;
    }
    // The new file replaces the old one only when it is complete.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        Log::Error("Could nor save to " + path);
        return false;
    }
    Log::Output("Saving " + GetName() + "...", true);
    std::vector<const Image*> pages;
    pages.reserve(slices.size());
    for (const auto& slice : slices)
        pages.push_back(slice.get());
    QString error;
    const qint64 bytes = Tiff::WriteStack(out, pages, float(spacing), GetSliceUnit(0), &error);
    // The buffered tail is written by flush; a failure there is not reported by commit.
    if (bytes < 0 || !out.flush() || out.error() != QFileDevice::NoError || !out.commit()) {
        if (error.isEmpty())
            error = "the file could not be written completely";
        out.cancelWriting();
        Log::Error("Could nor save to " + path + ": " + error);
        return false;
    }
    Log::Output("Saved " + QString::number(bytes) + " bytes to " + path + ".", true);
    return true;
}
