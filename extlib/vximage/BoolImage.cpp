#include "BoolImage.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

// Mask pixels are bytes; any non-zero byte counts as set, and every edit leaves 0 or 1.
namespace {

// The eight neighbours of a pixel as bits, in Zhang-Suen order: bit 0 = north (the row above,
// rows count upward), then clockwise: north-east, east, south-east, south, south-west, west,
// north-west.
constexpr int kNorth = 0, kNorthEast = 1, kEast = 2, kSouthEast = 3, kSouth = 4, kSouthWest = 5, kWest = 6,
              kNorthWest = 7;

inline bool Bit(unsigned code, int k)
{
    return (code >> k) & 1u;
}

// Number of set bits, and of 0 -> 1 transitions around the ring of neighbours.
int NeighbourCount(unsigned code)
{
    int n = 0;
    for (int k = 0; k < 8; ++k)
        n += Bit(code, k);
    return n;
}

int Transitions(unsigned code)
{
    int t = 0;
    for (int k = 0; k < 8; ++k)
        t += !Bit(code, k) && Bit(code, (k + 1) % 8);
    return t;
}

// Zhang-Suen deletion rule for the two sub-iterations, tabulated over the 256 neighbourhoods.
std::array<std::array<uint8_t, 256>, 2> ZhangSuenTables()
{
    std::array<std::array<uint8_t, 256>, 2> tables{};
    for (unsigned code = 0; code < 256; ++code) {
        const int b = NeighbourCount(code);
        if (b < 2 || b > 6 || Transitions(code) != 1)
            continue;
        const bool n = Bit(code, kNorth), e = Bit(code, kEast), s = Bit(code, kSouth), w = Bit(code, kWest);
        tables[0][code] = !(n && e && s) && !(e && s && w);
        tables[1][code] = !(n && e && w) && !(n && s && w);
    }
    return tables;
}

// Pixels that Zhang-Suen leaves two wide on staircases: a set pixel with two set 4-neighbours at a
// right angle whose removal changes no connectivity (one 8-connected group of set neighbours and
// one 4-connected group of unset ones touching it).
std::array<uint8_t, 256> StaircaseTable()
{
    std::array<uint8_t, 256> table{};
    for (unsigned code = 0; code < 256; ++code) {
        const bool n = Bit(code, kNorth), e = Bit(code, kEast), s = Bit(code, kSouth), w = Bit(code, kWest);
        if (!((n && e) || (e && s) || (s && w) || (w && n)))
            continue;
        // Groups are counted by flooding within the ring of neighbours: set pixels through
        // 8-adjacency, unset ones through 4-adjacency.
        const int dx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
        const int dy[8] = {1, 1, 0, -1, -1, -1, 0, 1};
        auto groups = [&](bool set, bool fourOnly) {
            bool seen[8] = {};
            int count = 0;
            for (int k = 0; k < 8; ++k) {
                if (Bit(code, k) != set || seen[k])
                    continue;
                if (!set && k % 2 == 1) // unset groups count only when they touch a 4-neighbour
                    continue;
                ++count;
                int stack[8];
                int top = 0;
                stack[top++] = k;
                seen[k] = true;
                while (top > 0) {
                    const int a = stack[--top];
                    for (int m = 0; m < 8; ++m) {
                        if (seen[m] || Bit(code, m) != set)
                            continue;
                        const int ddx = std::abs(dx[a] - dx[m]), ddy = std::abs(dy[a] - dy[m]);
                        const bool adjacent = fourOnly ? ddx + ddy == 1 : std::max(ddx, ddy) == 1;
                        if (adjacent) {
                            seen[m] = true;
                            stack[top++] = m;
                        }
                    }
                }
            }
            return count;
        };
        table[code] = groups(true, false) == 1 && groups(false, true) == 1;
    }
    return table;
}

} // namespace

BoolImage::BoolImage() : TypedImage(0, 0, RATIONAL(1, 1), RATIONAL(1, 1), "")
{
}

BoolImage::BoolImage(int w, int h, const RATIONAL& xr, const RATIONAL& yr, const std::string& u)
    : TypedImage(w, h, xr, yr, u)
{
}

void BoolImage::Clear()
{
    if (GetByteCount() > 0)
        std::memset(Pixels(), 0, GetByteCount());
}

void BoolImage::Unite(const BoolImage& other)
{
    const int w = std::min(width, other.width);
    const int h = std::min(height, other.height);
    for (int y = 0; y < h; ++y) {
        uint8_t* a = Row(y);
        const uint8_t* b = other.Row(y);
        for (int x = 0; x < w; ++x)
            a[x] = uint8_t((a[x] | b[x]) != 0);
    }
}

void BoolImage::Fill(bool value, int x, int y)
{
    if (!Contains(x, y))
        return;
    uint8_t* p = Pixels();
    const size_t w = size_t(width);
    const bool old = p[size_t(y) * w + size_t(x)] != 0;
    if (old == value)
        return;
    const uint8_t target = value ? 1 : 0;
    auto matches = [&](int px, int py) { return (p[size_t(py) * w + size_t(px)] != 0) == old; };

    // Scanline flood fill: each popped seed grows to its whole run in the row, which is filled;
    // the starts of the matching runs directly above and below become new seeds.
    std::vector<std::pair<int, int>> stack;
    stack.emplace_back(x, y);
    while (!stack.empty()) {
        const auto [sx, sy] = stack.back();
        stack.pop_back();
        if (!matches(sx, sy))
            continue;
        int left = sx;
        while (left > 0 && matches(left - 1, sy))
            --left;
        int right = sx;
        while (right < width - 1 && matches(right + 1, sy))
            ++right;
        std::memset(p + size_t(sy) * w + size_t(left), target, size_t(right - left + 1));
        for (const int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= height)
                continue;
            bool inRun = false;
            for (int nx = left; nx <= right; ++nx) {
                const bool m = matches(nx, ny);
                if (m && !inRun)
                    stack.emplace_back(nx, ny);
                inRun = m;
            }
        }
    }
}

namespace {

// Separable 3 x 3 dilation (or) or erosion (and): first each row triple, then each column triple
// of those results. Neighbours outside the image count as unset, so erosion clears the border.
void Morph3x3(BoolImage& mask, bool dilate)
{
    const int w = mask.width, h = mask.height;
    if (w == 0 || h == 0)
        return;
    const auto combine
        = [dilate](uint8_t a, uint8_t b, uint8_t c) { return dilate ? uint8_t(a | b | c) : uint8_t(a & b & c); };
    std::vector<uint8_t> across(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = mask.Row(y);
        uint8_t* d = across.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
            d[x] = combine(x > 0 ? s[x - 1] : 0, s[x], x + 1 < w ? s[x + 1] : 0);
    }
    for (int y = 0; y < h; ++y) {
        const uint8_t* c = across.data() + size_t(y) * size_t(w);
        const uint8_t* below = y > 0 ? c - w : nullptr;
        const uint8_t* above = y + 1 < h ? c + w : nullptr;
        uint8_t* d = mask.Row(y);
        for (int x = 0; x < w; ++x)
            d[x] = combine(below ? below[x] : 0, c[x], above ? above[x] : 0);
    }
}

} // namespace

void BoolImage::Grow()
{
    Morph3x3(*this, true);
}

void BoolImage::Shrink()
{
    Morph3x3(*this, false);
}

void BoolImage::Invert()
{
    uint8_t* p = Pixels();
    const size_t n = size_t(width) * size_t(height);
    for (size_t i = 0; i < n; ++i)
        p[i] = uint8_t(p[i] == 0);
}

void BoolImage::Skeletonize()
{
    if (width == 0 || height == 0)
        return;
    static const auto zhangSuen = ZhangSuenTables();
    static const auto staircase = StaircaseTable();

    // A copy with a one-pixel unset frame, so that every neighbourhood lies inside the buffer.
    const size_t stride = size_t(width) + 2;
    std::vector<uint8_t> grid(stride * (size_t(height) + 2), 0);
    std::vector<size_t> set; // the indices of the set pixels in the framed copy
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = Row(y);
        for (int x = 0; x < width; ++x)
            if (s[x]) {
                const size_t i = (size_t(y) + 1) * stride + size_t(x) + 1;
                grid[i] = 1;
                set.push_back(i);
            }
    }
    const std::ptrdiff_t offsets[8]
        = {std::ptrdiff_t(stride), std::ptrdiff_t(stride) + 1, 1, 1 - std::ptrdiff_t(stride), -std::ptrdiff_t(stride),
            -std::ptrdiff_t(stride) - 1, -1, std::ptrdiff_t(stride) - 1};
    auto code = [&](size_t i) {
        unsigned c = 0;
        for (int k = 0; k < 8; ++k)
            c |= unsigned(grid[size_t(std::ptrdiff_t(i) + offsets[k])]) << k;
        return c;
    };

    std::vector<size_t> doomed;
    bool changed = true;
    while (changed) {
        changed = false;
        for (int pass = 0; pass < 2; ++pass) {
            doomed.clear();
            for (const size_t i : set)
                if (zhangSuen[size_t(pass)][code(i)])
                    doomed.push_back(i);
            if (doomed.empty())
                continue;
            changed = true;
            for (const size_t i : doomed)
                grid[i] = 0;
            set.erase(std::remove_if(set.begin(), set.end(), [&](size_t i) { return grid[i] == 0; }), set.end());
        }
    }
    // Zhang-Suen leaves two-pixel-wide corners on diagonal runs; remove those, one at a time so
    // that each removal sees the ones before it.
    for (const size_t i : set)
        if (staircase[code(i)])
            grid[i] = 0;

    for (int y = 0; y < height; ++y)
        std::memcpy(Row(y), grid.data() + (size_t(y) + 1) * stride + 1, size_t(width));
}

uint64_t BoolImage::GetPixelArea() const
{
    const uint8_t* p = Pixels();
    const size_t n = size_t(width) * size_t(height);
    uint64_t count = 0;
    for (size_t i = 0; i < n; ++i)
        count += p[i] != 0;
    return count;
}

double BoolImage::GetUnitArea() const
{
    const double count = double(GetPixelArea());
    const double xr = xres.ToDouble();
    const double yr = yres.ToDouble();
    if (unit.empty() || unit == "px" || xr == 0.0 || yr == 0.0)
        return count;
    return count * xr * yr;
}
