#include "Snake.h"

#include "BoolImage.h"
#include "Image.h"
#include "TypedImage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr size_t kMaxNodes = 65536;   // no contour grows beyond this many nodes
constexpr int kMaxDisp = 20;          // window half-size limit of one step
constexpr int kMaxDepth = 64;         // limit of the edge search along the normal
constexpr double kMaxShrink = 1.0e4;  // limit of one Shrink, in pixels
constexpr double kShrinkStep = 0.5;   // Shrink moves the nodes in sub-steps of at most this
constexpr int kMaxShrinkSteps = 2000; // ... and in no more sub-steps than this
constexpr double kMinArea = 3.0;      // Shrink stops before the enclosed area drops below this
constexpr double kTie = 1.0e-12;      // equal energies: the earlier candidate wins
constexpr double kHysteresis = 0.02;  // a move must gain this share of the sum of the weights

double FiniteOr(double v, double fallback)
{
    return std::isfinite(v) ? v : fallback;
}

// The pixel a position lies on: pixel centres are at integer coordinates.
bool PixelOf(const Point& p, int& px, int& py)
{
    const double x = std::floor(double(p.x) + 0.5);
    const double y = std::floor(double(p.y) + 0.5);
    if (!(std::fabs(x) < 1.0e9) || !(std::fabs(y) < 1.0e9))
        return false;
    px = int(x);
    py = int(y);
    return true;
}

// Twice the signed area (positive for counter-clockwise order with y growing upward).
double SignedArea2(const std::vector<Point>& pts)
{
    const size_t n = pts.size();
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const Point& a = pts[i];
        const Point& b = pts[(i + 1) % n];
        sum += double(a.x) * double(b.y) - double(b.x) * double(a.y);
    }
    return sum;
}

double Dist(const Point& a, const Point& b)
{
    const double dx = double(a.x) - double(b.x), dy = double(a.y) - double(b.y);
    return std::sqrt(dx * dx + dy * dy); // float coordinates: the squares cannot overflow a double
}

double Perimeter(const std::vector<Point>& pts)
{
    const size_t n = pts.size();
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i)
        sum += Dist(pts[(i + 1) % n], pts[i]);
    return sum;
}

// The outward unit normal of a node with neighbours a (before) and b (after), for a contour of
// orientation sign `sign` (+1 counter-clockwise, -1 clockwise); (0, 0) when a and b coincide.
void OutwardNormal(const Point& a, const Point& b, int sign, double& nx, double& ny)
{
    const double tx = double(b.x) - a.x;
    const double ty = double(b.y) - a.y;
    const double len = std::hypot(tx, ty);
    if (!(len > 1.0e-12) || sign == 0) {
        nx = ny = 0.0;
        return;
    }
    nx = sign * ty / len;
    ny = -sign * tx / len;
}

// Whether q lies strictly between a and b along the chord from a to b, so that a node moving to
// q does not pass either neighbour.
bool Between(const Point& q, const Point& a, const Point& b)
{
    const double tx = double(b.x) - a.x, ty = double(b.y) - a.y;
    const double t = (double(q.x) - a.x) * tx + (double(q.y) - a.y) * ty;
    return t > 0.0 && t < tx * tx + ty * ty;
}

// Squared distance from p to the segment ab.
double SegmentDist2(double px, double py, const Point& a, const Point& b)
{
    const double ax = a.x, ay = a.y;
    const double dx = double(b.x) - ax, dy = double(b.y) - ay;
    const double len2 = dx * dx + dy * dy;
    double t = 0.0;
    if (len2 > 0.0)
        t = std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0);
    const double ex = ax + t * dx - px, ey = ay + t * dy - py;
    return ex * ex + ey * ey;
}

// Even-odd test of (x, y) against the closed polygon; points on the outline may go either way.
bool Inside(const std::vector<Point>& pts, double x, double y)
{
    bool in = false;
    const size_t n = pts.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const double yi = pts[i].y, yj = pts[j].y;
        if ((yi <= y) != (yj <= y)) {
            const double xc = pts[i].x + (y - yi) * (double(pts[j].x) - pts[i].x) / (yj - yi);
            if (x < xc)
                in = !in;
        }
    }
    return in;
}

// Where the horizontal line at y crosses the polygon, sorted (half-open rule at vertices, so
// the count is even).
void Crossings(const std::vector<Point>& pts, double y, std::vector<double>& xs)
{
    xs.clear();
    const size_t n = pts.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const double yi = pts[i].y, yj = pts[j].y;
        if ((yi <= y) != (yj <= y))
            xs.push_back(pts[i].x + (y - yi) * (double(pts[j].x) - pts[i].x) / (yj - yi));
    }
    std::sort(xs.begin(), xs.end());
}

bool AllFinite(const std::vector<Point>& pts)
{
    return std::all_of(pts.begin(), pts.end(), [](const Point& p) { return std::isfinite(p.x) && std::isfinite(p.y); });
}

// Moves the nodes towards the spacing d: where two neighbours are more than 1.5 d apart, nodes
// are inserted evenly on the segment between them (only where `allowed` says so); a node closer
// than 0.5 d to the node before it is removed when that leaves no gap above 1.5 d. The bands do
// not overlap, so a re-spaced contour stays as it is on the next pass. At least 3 nodes stay.
// Returns whether the nodes changed.
template <typename Allowed> bool Respace(std::vector<Point>& pts, double d, Allowed allowed)
{
    if (!(d > 0.0) || !std::isfinite(d) || pts.size() < 3)
        return false;
    bool changed = false;

    std::vector<Point> grown;
    grown.reserve(pts.size());
    const size_t n = pts.size();
    for (size_t i = 0; i < n; ++i) {
        const Point& a = pts[i];
        const Point& b = pts[(i + 1) % n];
        grown.push_back(a);
        const double gap = Dist(a, b);
        if (!(gap > 1.5 * d) || !std::isfinite(gap))
            continue;
        const double budget = double(kMaxNodes) - double(grown.size()) - double(n - i - 1);
        const double wanted = std::min(std::ceil(gap / d) - 1.0, budget);
        if (!(wanted >= 1.0))
            continue;
        const int k = int(wanted);
        for (int j = 1; j <= k; ++j) {
            const double t = double(j) / double(k + 1);
            const Point q(float(a.x + t * (double(b.x) - a.x)), float(a.y + t * (double(b.y) - a.y)));
            if (allowed(q)) {
                grown.push_back(q);
                changed = true;
            }
        }
    }

    std::vector<Point> kept;
    kept.reserve(grown.size());
    const size_t m = grown.size();
    for (size_t i = 0; i < m; ++i) {
        if (i > 0 && kept.size() + (m - i - 1) >= 3) {
            const Point& prev = kept.back();
            const Point& next = i + 1 < m ? grown[i + 1] : kept.front();
            if (Dist(prev, grown[i]) < 0.5 * d && Dist(prev, next) <= 1.5 * d) {
                changed = true;
                continue;
            }
        }
        kept.push_back(grown[i]);
    }
    // The joint between the last node and the first.
    while (kept.size() > 3 && Dist(kept.back(), kept.front()) < 0.5 * d
        && Dist(kept[kept.size() - 2], kept.front()) <= 1.5 * d) {
        kept.pop_back();
        changed = true;
    }
    pts.swap(kept);
    return changed;
}

// Offsets the closed polygon by h along its outward normals (h > 0 inward) into `out`. Each node
// moves so that both of its edges shift by h (a mitred offset, limited to 3 h at sharp spikes).
// Nodes that the front of a neighbour overtook (their edge turned over) or that bunched up
// against the node before them are dropped. Returns false (the caller then keeps `pts`) when the
// result would have fewer than 3 nodes, not be finite, or enclose less than kMinArea in the
// original orientation.
bool OffsetOnce(const std::vector<Point>& pts, std::vector<Point>& out, int sign, double h)
{
    const size_t n = pts.size();
    std::vector<double> ex(n), ey(n); // outward unit normal of the edge from node i to i + 1
    for (size_t i = 0; i < n; ++i)
        OutwardNormal(pts[i], pts[(i + 1) % n], sign, ex[i], ey[i]);
    std::vector<Point> next(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t before = (i + n - 1) % n;
        double ax = ex[before], ay = ey[before], bx = ex[i], by = ey[i];
        if (ax == 0.0 && ay == 0.0) {
            ax = bx;
            ay = by;
        } else if (bx == 0.0 && by == 0.0) {
            bx = ax;
            by = ay;
        }
        double mx = ax + bx, my = ay + by;
        const double cosine = ax * bx + ay * by;
        double scale = cosine > -0.9 ? 1.0 / (1.0 + cosine) : 0.0;
        const double length = std::hypot(mx, my) * scale;
        if (length > 3.0)
            scale *= 3.0 / length;
        if (scale == 0.0) { // a spike turning right back: along its own direction
            OutwardNormal(pts[before], pts[(i + 1) % n], sign, mx, my);
            scale = 1.0;
        }
        next[i] = Point(float(pts[i].x - h * mx * scale), float(pts[i].y - h * my * scale));
    }
    const double mean = Perimeter(next) / double(n);
    auto dropped = [&](const Point& prev, const Point& node, const Point& oldPrev, const Point& oldNode) {
        const double nx = double(node.x) - prev.x, ny = double(node.y) - prev.y;
        const double ox = double(oldNode.x) - oldPrev.x, oy = double(oldNode.y) - oldPrev.y;
        const double gap = std::hypot(nx, ny);
        return nx * ox + ny * oy < 0.0 || (gap < 0.2 * mean && gap < std::hypot(ox, oy));
    };
    out.clear();
    std::vector<size_t> source; // index in pts of each kept node
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && out.size() + (n - i - 1) >= 3 && dropped(out.back(), next[i], pts[source.back()], pts[i]))
            continue;
        out.push_back(next[i]);
        source.push_back(i);
    }
    while (out.size() > 3 && dropped(out.back(), out.front(), pts[source.back()], pts[0])) {
        out.pop_back();
        source.pop_back();
    }
    const double a2 = SignedArea2(out);
    return out.size() >= 3 && AllFinite(out) && a2 * sign / 2.0 >= kMinArea;
}

// Read access to the two derivative images: straight from the float buffers when they are
// float images (as Image::ddx and Image::ddy make them), else through one conversion.
class Gradient {
public:
    Gradient(const Image& ddx, const Image& ddy)
        : width(std::min(ddx.width, ddy.width)), height(std::min(ddx.height, ddy.height))
    {
        gx = Bind(ddx, ownX, strideX);
        gy = Bind(ddy, ownY, strideY);
    }

    int Width() const { return width; }
    int Height() const { return height; }

    // Bilinear gradient at (x, y); false outside the image.
    bool Sample(double x, double y, double& vx, double& vy) const
    {
        if (!(x >= 0.0) || !(y >= 0.0) || x > width - 1 || y > height - 1)
            return false;
        const int x0 = std::min(int(x), width - 1);
        const int y0 = std::min(int(y), height - 1);
        const int x1 = std::min(x0 + 1, width - 1);
        const int y1 = std::min(y0 + 1, height - 1);
        const double fx = x - x0, fy = y - y0;
        vx = Bilinear(gx, strideX, x0, y0, x1, y1, fx, fy);
        vy = Bilinear(gy, strideY, x0, y0, x1, y1, fx, fy);
        return true;
    }

    // The derivative along the unit vector n at pixel (x, y) of the image.
    float Along(int x, int y, float nx, float ny) const
    {
        return gx[size_t(y) * strideX + size_t(x)] * nx + gy[size_t(y) * strideY + size_t(x)] * ny;
    }

private:
    const float* Bind(const Image& image, std::vector<float>& own, size_t& stride)
    {
        stride = size_t(std::max(image.width, 0));
        if (image.GetType() == Image::FLOAT) {
            if (const auto* typed = dynamic_cast<const FloatImage*>(&image))
                return typed->Pixels();
        }
        // Other pixel types: converted once (only the part both images share is read).
        stride = size_t(std::max(width, 0));
        own.assign(stride * size_t(std::max(height, 0)), 0.0f);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                own[size_t(y) * stride + size_t(x)] = image.GetFloat(x, y);
        return own.data();
    }

    static double Bilinear(const float* p, size_t stride, int x0, int y0, int x1, int y1, double fx, double fy)
    {
        const float* r0 = p + size_t(y0) * stride;
        const float* r1 = p + size_t(y1) * stride;
        const double top = r1[x0] + fx * (double(r1[x1]) - r1[x0]);
        const double bottom = r0[x0] + fx * (double(r0[x1]) - r0[x0]);
        return bottom + fy * (top - bottom);
    }

    int width;
    int height;
    const float* gx = nullptr;
    const float* gy = nullptr;
    size_t strideX = 0;
    size_t strideY = 0;
    std::vector<float> ownX;
    std::vector<float> ownY;
};

// The derivative along one fixed direction n (a node's outward normal), grad . n, over a square
// patch of pixels about the node: the edge search of all candidates of the node reads this one
// small table instead of two whole images. Bilinear interpolation commutes with the projection,
// so the values are those of the interpolated gradient projected on n.
class NormalDerivative {
public:
    // The patch covers every position within `reach` pixels (in x and in y) of (cx, cy).
    void Build(const Gradient& g, double cx, double cy, int reach, double nx, double ny)
    {
        width = g.Width();
        height = g.Height();
        x0 = int(std::floor(cx)) - reach - 1;
        y0 = int(std::floor(cy)) - reach - 1;
        side = 2 * reach + 4;
        values.assign(size_t(side) * size_t(side), 0.0f);
        for (int j = 0; j < side; ++j) {
            const int y = y0 + j;
            if (y < 0 || y >= height)
                continue;
            float* row = values.data() + size_t(j) * size_t(side);
            const int iFirst = std::max(0, -x0), iEnd = std::min(side, width - x0);
            for (int i = iFirst; i < iEnd; ++i)
                row[i] = g.Along(x0 + i, y, float(nx), float(ny));
        }
    }

    // grad . n at (x, y); false outside the image (and outside the patch, which does not happen
    // for positions within its reach).
    bool Sample(double x, double y, double& along) const
    {
        if (!(x >= 0.0) || !(y >= 0.0) || x > width - 1 || y > height - 1)
            return false;
        const int xi = int(x), yi = int(y);
        const int i = xi - x0, j = yi - y0;
        if (i < 0 || j < 0 || i + 1 >= side || j + 1 >= side)
            return false;
        const double fx = x - xi, fy = y - yi;
        const float* r0 = values.data() + size_t(j) * size_t(side) + size_t(i);
        const float* r1 = r0 + side;
        const double bottom = r0[0] + fx * (double(r0[1]) - r0[0]);
        const double top = r1[0] + fx * (double(r1[1]) - r1[0]);
        along = bottom + fy * (top - bottom);
        return true;
    }

private:
    std::vector<float> values;
    int width = 0;
    int height = 0;
    int x0 = 0;
    int y0 = 0;
    int side = 0;
};

// The weight of an edge met k pixels from the node, index k + depth: a linear fall-off over the
// whole depth (to catch edges far off) plus a narrow peak within 2 pixels (so that a node settles
// right on the edge rather than somewhere near it): 0.7 (1 - k / (depth + 1)) + 0.3 max(0, 1 - k / 2).
std::vector<double> EdgeWeights(int depth)
{
    std::vector<double> w;
    for (int k = -depth; k <= depth; ++k) {
        const double far = 1.0 - double(std::abs(k)) / double(depth + 1);
        const double close = std::max(0.0, 1.0 - double(std::abs(k)) / 2.0);
        w.push_back(0.7 * far + 0.3 * close);
    }
    return w;
}

// The edge strength seen from (x, y) along the outward normal n: the largest weighted,
// polarity-signed normal derivative within `depth` pixels on either side. `along(x, y, value)`
// gives grad . n at a position (false outside the image).
template <typename Along>
double EdgeStrength(const Along& along, double x, double y, double nx, double ny, const std::vector<double>& weights,
    SnakeParams::Background background)
{
    if (nx == 0.0 && ny == 0.0)
        return 0.0;
    const int depth = int(weights.size() / 2);
    double best = 0.0;
    for (int k = -depth; k <= depth; ++k) {
        double v;
        if (!along(x + k * nx, y + k * ny, v))
            continue;
        // v > 0: the intensity rises outward.
        const double e = background == SnakeParams::White ? v : background == SnakeParams::Black ? -v : std::fabs(v);
        if (e > 0.0)
            best = std::max(best, e * weights[size_t(k + depth)]);
    }
    return best;
}

} // namespace

// --- Construction ------------------------------------------------------------------------------

Snake::Snake(const Point& centre, double size, double spacing, const SnakeParams* params_) : params(params_)
{
    const double diameter = std::isfinite(size) && size > 0.0 ? size : 0.0;
    const double radius = diameter / 2.0;
    size_t count = 16;
    if (std::isfinite(spacing) && spacing > 0.0) {
        const double wanted = std::round(kPi * diameter / spacing);
        count = wanted >= double(kMaxNodes) ? kMaxNodes : std::max<size_t>(8, size_t(wanted));
    }
    for (size_t i = 0; i < count; ++i) {
        const double t = 2.0 * kPi * double(i) / double(count);
        nodes.push_back(
            std::make_unique<Point>(float(centre.x + radius * std::cos(t)), float(centre.y + radius * std::sin(t))));
    }
}

Snake::Snake(const Point* points, size_t count, const SnakeParams* params_) : params(params_)
{
    if (!points)
        return;
    count = std::min(count, kMaxNodes);
    for (size_t i = 0; i < count; ++i)
        nodes.push_back(std::make_unique<Point>(points[i]));
}

Snake::Snake(const Snake& other) : params(other.params), moved(other.moved)
{
    for (const auto& p : other.nodes)
        nodes.push_back(std::make_unique<Point>(*p));
}

Snake& Snake::operator=(const Snake& other)
{
    if (this == &other)
        return *this;
    NodeBuffer copy;
    for (const auto& p : other.nodes)
        copy.push_back(std::make_unique<Point>(*p));
    nodes.swap(copy);
    params = other.params;
    moved = other.moved;
    return *this;
}

Snake::~Snake() = default;

std::vector<Point> Snake::GetPoints() const
{
    std::vector<Point> out;
    out.reserve(nodes.size());
    for (const auto& p : nodes)
        out.push_back(*p);
    return out;
}

void Snake::SetPoints(const std::vector<Point>& points)
{
    NodeBuffer fresh;
    for (const Point& p : points)
        fresh.push_back(std::make_unique<Point>(p));
    nodes.swap(fresh);
}

// --- Step --------------------------------------------------------------------------------------

void Snake::Step(const Image& ddx, const Image& ddy, const BoolImage* mask, const Snake* neighbour)
{
    moved = false;
    if (!params || nodes.size() < 3)
        return;
    const double alpha = FiniteOr(params->alpha, 0.0);
    const double beta = FiniteOr(params->beta, 0.0);
    const double gamma = FiniteOr(params->gamma, 0.0);
    double delta = FiniteOr(params->delta, 0.0);
    std::vector<Point> near;
    if (neighbour && neighbour != this)
        near = neighbour->GetPoints();
    if (near.empty() || !AllFinite(near))
        delta = 0.0;
    if (alpha == 0.0 && beta == 0.0 && gamma == 0.0 && delta == 0.0)
        return;

    std::vector<Point> pts = GetPoints();
    if (!AllFinite(pts))
        return;
    const Gradient gradient(ddx, ddy);
    const int width = gradient.Width();
    const int height = gradient.Height();
    if (width <= 0 || height <= 0)
        return;

    const int disp = int(std::clamp(std::round(FiniteOr(params->disp, 0.0)), 0.0, double(kMaxDisp)));
    const int depth = int(std::clamp(std::round(FiniteOr(params->depth, 0.0)), 0.0, double(kMaxDepth)));
    const double wanted = FiniteOr(params->distance, 0.0);
    const SnakeParams::Background background = params->background;
    const size_t n = pts.size();
    const int sign = SignedArea2(pts) >= 0.0 ? 1 : -1;
    const double spacing = wanted > 0.0 ? wanted : Perimeter(pts) / double(n);

    auto allowed = [&](const Point& q) {
        int px, py;
        if (!PixelOf(q, px, py) || px < 0 || py < 0 || px >= width || py >= height)
            return false;
        if (mask && px < mask->width && py < mask->height && mask->At(px, py) != 0)
            return false;
        return true;
    };

    // The edge term is normalised by its range over the window, but never by less than a tenth
    // of the strongest edge the contour sees, so that noise in flat parts is not blown up.
    double edgeFloor = 1.0e-9;
    const std::vector<double> weights = EdgeWeights(depth);
    if (gamma != 0.0) {
        double strongest = 0.0;
        for (size_t i = 0; i < n; ++i) {
            double nx, ny;
            OutwardNormal(pts[(i + n - 1) % n], pts[(i + 1) % n], sign, nx, ny);
            auto along = [&](double x, double y, double& v) {
                double vx, vy;
                if (!gradient.Sample(x, y, vx, vy))
                    return false;
                v = vx * nx + vy * ny;
                return true;
            };
            strongest = std::max(strongest, EdgeStrength(along, pts[i].x, pts[i].y, nx, ny, weights, background));
        }
        edgeFloor = std::max(edgeFloor, 0.1 * strongest);
    }

    struct Candidate {
        Point q;
        double spacing, curvature, edge, neighbour;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(size_t(2 * disp + 1) * size_t(2 * disp + 1));
    std::vector<size_t> segments; // neighbour segments that can be nearest within the window
    std::vector<double> segmentDist(near.size());
    const double reach = 2.0 * std::sqrt(2.0) * disp + 1.0e-3;

    // A node leaves its place only for a clear gain: the window normalisation shifts with the
    // node, so without this margin a node may swap between two nearly equal places for ever.
    const double hysteresis = kHysteresis * (std::fabs(alpha) + std::fabs(beta) + std::fabs(gamma) + std::fabs(delta));
    NormalDerivative patch;
    auto normalDerivative = [&patch](double x, double y, double& v) { return patch.Sample(x, y, v); };
    bool anyMoved = false;
    for (size_t i = 0; i < n; ++i) {
        const Point a = pts[(i + n - 1) % n];
        const Point b = pts[(i + 1) % n];
        const Point p0 = pts[i];
        double nx = 0.0, ny = 0.0;
        if (gamma != 0.0) {
            OutwardNormal(a, b, sign, nx, ny);
            patch.Build(gradient, p0.x, p0.y, disp + depth + 1, nx, ny);
        }

        segments.clear();
        if (delta != 0.0) {
            double nearest = std::numeric_limits<double>::infinity();
            for (size_t s = 0; s < near.size(); ++s) {
                segmentDist[s] = std::sqrt(SegmentDist2(p0.x, p0.y, near[s], near[(s + 1) % near.size()]));
                nearest = std::min(nearest, segmentDist[s]);
            }
            for (size_t s = 0; s < near.size(); ++s)
                if (segmentDist[s] <= nearest + reach)
                    segments.push_back(s);
        }

        candidates.clear();
        for (int dy = -disp; dy <= disp; ++dy) {
            for (int dx = -disp; dx <= disp; ++dx) {
                const bool here = dx == 0 && dy == 0;
                const Point q(p0.x + float(dx), p0.y + float(dy));
                if (!here && (!allowed(q) || !Between(q, a, b)))
                    continue;
                Candidate c{q, 0.0, 0.0, 0.0, 0.0};
                if (alpha != 0.0) {
                    const double before = Dist(q, a) - spacing;
                    const double after = Dist(q, b) - spacing;
                    c.spacing = (before * before + after * after) / 2.0;
                }
                if (beta != 0.0) {
                    const double cx = double(a.x) - 2.0 * q.x + b.x;
                    const double cy = double(a.y) - 2.0 * q.y + b.y;
                    c.curvature = cx * cx + cy * cy;
                }
                if (gamma != 0.0)
                    c.edge = -EdgeStrength(normalDerivative, q.x, q.y, nx, ny, weights, background);
                if (delta != 0.0) {
                    double best = std::numeric_limits<double>::infinity();
                    for (size_t s : segments)
                        best = std::min(best, SegmentDist2(q.x, q.y, near[s], near[(s + 1) % near.size()]));
                    c.neighbour = best;
                }
                if (here)
                    candidates.insert(candidates.begin(), c); // the current position comes first
                else
                    candidates.push_back(c);
            }
        }
        if (candidates.size() < 2)
            continue;

        // Normalisation over the window: the internal terms by their largest value, the external
        // terms by their range (the edge term with the floor above, the neighbour term with 1 px²).
        double maxSpacing = 0.0, maxCurvature = 0.0;
        double minEdge = std::numeric_limits<double>::infinity(), maxEdge = -minEdge;
        double minNear = minEdge, maxNear = -minEdge;
        for (const Candidate& c : candidates) {
            maxSpacing = std::max(maxSpacing, c.spacing);
            maxCurvature = std::max(maxCurvature, c.curvature);
            minEdge = std::min(minEdge, c.edge);
            maxEdge = std::max(maxEdge, c.edge);
            minNear = std::min(minNear, c.neighbour);
            maxNear = std::max(maxNear, c.neighbour);
        }
        const double spacingScale = maxSpacing > 0.0 ? alpha / maxSpacing : 0.0;
        const double curvatureScale = maxCurvature > 0.0 ? beta / maxCurvature : 0.0;
        const double edgeScale = gamma / std::max(maxEdge - minEdge, edgeFloor);
        const double nearScale = delta / std::max(maxNear - minNear, 1.0);

        size_t chosen = 0;
        double best = 0.0, current = 0.0;
        for (size_t k = 0; k < candidates.size(); ++k) {
            const Candidate& c = candidates[k];
            const double energy = spacingScale * c.spacing + curvatureScale * c.curvature
                + edgeScale * (c.edge - minEdge) + nearScale * (c.neighbour - minNear);
            if (k == 0)
                current = energy;
            if (k == 0 || energy < best - kTie) {
                best = energy;
                chosen = k;
            }
        }
        if (chosen != 0 && best < current - hysteresis) {
            pts[i] = candidates[chosen].q;
            anyMoved = true;
        }
    }

    if (wanted > 0.0 && Respace(pts, wanted, allowed))
        anyMoved = true;
    if (anyMoved)
        SetPoints(pts);
    moved = anyMoved;
}

// --- Shrink ------------------------------------------------------------------------------------

void Snake::Shrink(double shrinkage, double distance)
{
    std::vector<Point> pts = GetPoints();
    bool changed = false;
    const double area2 = SignedArea2(pts);
    if (pts.size() >= 3 && AllFinite(pts) && std::isfinite(shrinkage) && shrinkage != 0.0
        && std::fabs(area2) / 2.0 >= kMinArea) {
        const int sign = area2 > 0.0 ? 1 : -1;
        const double amount = std::clamp(shrinkage, -kMaxShrink, kMaxShrink);
        const double direction = amount > 0.0 ? 1.0 : -1.0;
        double left = std::fabs(amount);
        double h = std::max(kShrinkStep, left / double(kMaxShrinkSteps));
        std::vector<Point> kept;
        for (int round = 0, halvings = 0; left > 1.0e-9 && round < 2 * kMaxShrinkSteps; ++round) {
            const double step = std::min(h, left);
            if (OffsetOnce(pts, kept, sign, direction * step)) {
                pts.swap(kept);
                left -= step;
                changed = true;
            } else if (++halvings <= 8) {
                h = step / 2.0; // too far for what is left of the contour: approach it in smaller steps
            } else {
                break; // the contour stays at its smallest size
            }
        }
    }
    if (distance > 0.0 && Respace(pts, distance, [](const Point&) { return true; }))
        changed = true;
    if (changed)
        SetPoints(pts);
}

// --- Geometry ----------------------------------------------------------------------------------

Point Snake::GetCenter() const
{
    const std::vector<Point> pts = GetPoints();
    const size_t n = pts.size();
    if (n == 0)
        return Point();
    double area2 = 0.0, sx = 0.0, sy = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double x0 = pts[i].x, y0 = pts[i].y;
        const double x1 = pts[(i + 1) % n].x, y1 = pts[(i + 1) % n].y;
        const double cross = x0 * y1 - x1 * y0;
        area2 += cross;
        sx += (x0 + x1) * cross;
        sy += (y0 + y1) * cross;
    }
    // Scale of the coordinates, so that "no area" is judged relative to the contour's size.
    double extent = 0.0;
    for (const Point& p : pts)
        extent = std::max({extent, std::fabs(double(p.x) - pts[0].x), std::fabs(double(p.y) - pts[0].y)});
    if (std::fabs(area2) > 1.0e-9 * std::max(extent * extent, 1.0))
        return Point(float(sx / (3.0 * area2)), float(sy / (3.0 * area2)));
    double mx = 0.0, my = 0.0; // no area: the mean of the nodes
    for (const Point& p : pts) {
        mx += p.x;
        my += p.y;
    }
    return Point(float(mx / double(n)), float(my / double(n)));
}

std::pair<Point, Point> Snake::GetBoundingBox() const
{
    if (nodes.empty())
        return {Point(), Point()};
    Point lo = *nodes.front(), hi = lo;
    for (const auto& p : nodes) {
        lo.x = std::min(lo.x, p->x);
        lo.y = std::min(lo.y, p->y);
        hi.x = std::max(hi.x, p->x);
        hi.y = std::max(hi.y, p->y);
    }
    return {lo, hi};
}

double Snake::GetArea() const
{
    return std::fabs(SignedArea2(GetPoints())) / 2.0;
}

Point Snake::GetInteriorPoint() const
{
    const std::vector<Point> pts = GetPoints();
    const Point centre = GetCenter();
    if (pts.size() < 3 || !AllFinite(pts) || GetArea() <= 0.0)
        return centre;

    // The centroid, when it is inside and not right on the outline.
    if (Inside(pts, centre.x, centre.y)) {
        double d2 = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < pts.size(); ++i)
            d2 = std::min(d2, SegmentDist2(centre.x, centre.y, pts[i], pts[(i + 1) % pts.size()]));
        if (d2 >= 1.0)
            return centre;
    }

    // Else the middle of the widest interior run of a horizontal line: first the line through
    // the centroid, then lines across the whole height (the widest run over all of them).
    const auto box = GetBoundingBox();
    std::vector<double> xs;
    double bestWidth = 0.0;
    Point best = centre;
    auto scan = [&](double y) {
        Crossings(pts, y, xs);
        for (size_t k = 0; k + 1 < xs.size(); k += 2) {
            const double width = xs[k + 1] - xs[k];
            if (width > bestWidth) {
                bestWidth = width;
                best = Point(float((xs[k] + xs[k + 1]) / 2.0), float(y));
            }
        }
    };
    scan(centre.y);
    if (bestWidth >= 2.0)
        return best;
    const int lines = 64;
    for (int k = 1; k < lines; ++k)
        scan(box.first.y + (double(box.second.y) - box.first.y) * k / lines);
    return best;
}

// --- Mask --------------------------------------------------------------------------------------

std::unique_ptr<BoolImage> Snake::Mask(const std::vector<const Snake*>& contours, int width, int height, bool value)
{
    const int w = std::max(width, 0);
    const int h = std::max(height, 0);
    auto mask = std::make_unique<BoolImage>(w, h, RATIONAL(1, 1), RATIONAL(1, 1), "");
    const uint8_t on = value ? 1 : 0;
    if (!value) {
        const uint8_t one = 1;
        mask->SetAll(&one);
    }
    if (w == 0 || h == 0)
        return mask;

    std::vector<double> xs;
    for (const Snake* snake : contours) {
        if (!snake || snake->Size() == 0)
            continue;
        const std::vector<Point> pts = snake->GetPoints();
        if (!AllFinite(pts))
            continue;
        const size_t n = pts.size();

        // Interior: every pixel whose centre lies inside (scan lines through the pixel centres).
        if (n >= 3) {
            const auto box = snake->GetBoundingBox();
            const int y0 = int(std::max(0.0, std::ceil(double(box.first.y))));
            const int y1 = int(std::min(double(h - 1), std::floor(double(box.second.y))));
            for (int y = y0; y <= y1; ++y) {
                Crossings(pts, y, xs);
                uint8_t* row = mask->Row(y);
                for (size_t k = 0; k + 1 < xs.size(); k += 2) {
                    const double xa = std::max(0.0, std::ceil(xs[k]));
                    const double xb = std::min(double(w - 1), std::floor(xs[k + 1]));
                    for (int x = int(xa); x <= int(xb) && xa <= xb; ++x)
                        row[x] = on;
                }
            }
        }

        // Outline: the segments between the nodes, through the pixels the nodes lie on. Each
        // segment is clipped to the image (with a one-pixel margin) before it is walked.
        for (size_t i = 0; i < n; ++i) {
            double ax = pts[i].x, ay = pts[i].y;
            double bx = pts[(i + 1) % n].x, by = pts[(i + 1) % n].y;
            double t0 = 0.0, t1 = 1.0;
            const double dx = bx - ax, dy = by - ay;
            const double lo[2] = {-1.0, -1.0}, hi[2] = {double(w), double(h)};
            const double start[2] = {ax, ay}, dir[2] = {dx, dy};
            bool visible = true;
            for (int axis = 0; axis < 2 && visible; ++axis) {
                if (dir[axis] == 0.0) {
                    visible = start[axis] >= lo[axis] && start[axis] <= hi[axis];
                    continue;
                }
                double ta = (lo[axis] - start[axis]) / dir[axis];
                double tb = (hi[axis] - start[axis]) / dir[axis];
                if (ta > tb)
                    std::swap(ta, tb);
                t0 = std::max(t0, ta);
                t1 = std::min(t1, tb);
                visible = t0 <= t1;
            }
            if (!visible)
                continue;
            bx = ax + t1 * dx;
            by = ay + t1 * dy;
            ax += t0 * dx;
            ay += t0 * dy;
            const int steps = int(std::ceil(std::max(std::fabs(bx - ax), std::fabs(by - ay))));
            for (int k = 0; k <= steps; ++k) {
                const double t = steps == 0 ? 0.0 : double(k) / steps;
                int px, py;
                if (PixelOf(Point(float(ax + t * (bx - ax)), float(ay + t * (by - ay))), px, py)
                    && mask->Contains(px, py))
                    mask->At(px, py) = on;
            }
        }
    }
    return mask;
}
