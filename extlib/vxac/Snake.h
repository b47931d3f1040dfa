#pragma once

#include "Point.h"
#include "SnakeParams.h"

#include <deque>
#include <memory>
#include <utility>
#include <vector>

class BoolImage;
class Image;

// A closed active contour: a ring of nodes (column, row) in one slice image. Pixel centres are at
// integer coordinates: a node at (x, y) lies on pixel (round(x), round(y)). The nodes may run
// clockwise or counter-clockwise; "outward" is worked out from the sign of the enclosed area.
//
// Energy. Step moves every node, in order (a greedy pass: each node sees its predecessor's new
// position), to the position p = node + (i, j), |i|, |j| <= `disp` (a square window of whole
// pixel offsets), that minimises
//   alpha * spacing + beta * curvature + gamma * edge + delta * neighbour
// where, with a and b the previous and next node:
//   spacing   = ((|p - a| - d)^2 + (|p - b| - d)^2) / 2, d = `distance` when positive, else the
//               mean node spacing;
//   curvature = |a - 2p + b|^2;
//   edge      = minus the strongest edge met along the outward normal n (taken from b - a) within
//               `depth` pixels of p on either side: the derivative grad . n (bilinear in the ddx
//               and ddy images), signed by the background preference (White: the outside is
//               brighter, so the intensity must rise outward; Black: it must fall; None: |grad . n|)
//               and weighted 0.7 (1 - k / (depth + 1)) + 0.3 max(0, 1 - k / 2) at k pixels from p,
//               so that edges far off are found and a node settles right on the nearest one;
//   neighbour = squared distance from p to the neighbouring slice's contour (its closed polyline).
// Each term is normalised over the candidate window so that the weights are comparable: spacing
// and curvature are divided by their largest value in the window; edge and neighbour are taken
// relative to their smallest value and divided by their range (edge: at least a tenth of the
// strongest edge any node of the contour sees, so noise in flat parts is not blown up; neighbour:
// at least 1 pixel^2). The current position is candidate 0 and is left only for an energy lower by
// more than 2 % of the sum of the weights (the normalisation moves with the window, and without
// this margin a node can swap between two nearly equal places for ever), so with all weights 0
// nothing moves. Candidates on a pixel that the mask marks, outside the image, or not strictly
// between a and b along the chord a -> b (a node never passes a neighbour) are never taken.
// `disp` is limited to 20 and `depth` to 64 pixels; no contour holds more than 65536 nodes.
class Snake {
public:
    using NodeBuffer = std::deque<std::unique_ptr<Point>>;

    // A circle of diameter `size` about the centre, counter-clockwise from angle 0, with
    // max(8, round(pi * size / spacing)) nodes; a spacing of 0 or less gives 16 nodes.
    Snake(const Point& centre, double size, double spacing, const SnakeParams* params);
    Snake(const Point* nodes, size_t count, const SnakeParams* params); // copies the points
    Snake(const Snake& other);
    Snake& operator=(const Snake& other);
    ~Snake();

    NodeBuffer& GetBuffer() { return nodes; }
    const NodeBuffer& GetBuffer() const { return nodes; }
    size_t Size() const { return nodes.size(); }
    Point& operator[](size_t i) { return *nodes[i]; }
    const Point& operator[](size_t i) const { return *nodes[i]; }
    void SetNode(size_t i, float x, float y) { nodes[i] = std::make_unique<Point>(x, y); }
    void SetNode(size_t i, const Point& p) { nodes[i] = std::make_unique<Point>(p); }
    bool GetIsMoved() const { return moved; }
    void SetIsMoved(bool m) { moved = m; }
    const SnakeParams* GetParams() const { return params; }
    void SetParams(const SnakeParams* p) { params = p; }
    std::vector<Point> GetPoints() const;
    void SetPoints(const std::vector<Point>& points); // replaces all nodes

    // One greedy pass over all nodes (see the class comment). ddx and ddy are the derivative
    // images of the slice; mask (may be null) marks forbidden pixels; neighbour may be null.
    // Sets the moved flag (a node moved, or re-spacing added or removed nodes). When `distance` is
    // positive the nodes are then re-spaced: nodes are inserted where neighbours are more than
    // 1.5 x distance apart (never on a masked pixel) and removed where closer than 0.5 x distance
    // (at least 3 nodes stay). With all weights 0, or without parameters, nothing happens.
    void Step(const Image& ddx, const Image& ddy, const BoolImage* mask, const Snake* neighbour);
    // Moves every node `shrinkage` pixels inward along its normal (negative: outward), in
    // sub-steps of at most half a pixel; nodes whose neighbourhood would fold over are dropped,
    // and shrinking stops before the enclosed area would fall below 3 pixels^2, so a small
    // contour ends as a tiny contour about its centre. Then re-spaces to `distance` when it is
    // positive, as Step does. A contour without area is not shrunk.
    void Shrink(double shrinkage, double distance);

    Point GetCenter() const;                        // the centroid of the enclosed area (node mean without area)
    std::pair<Point, Point> GetBoundingBox() const; // lower and upper corner of the nodes
    // A point strictly inside: the centroid when it is inside and at least a pixel from the
    // outline, else the middle of the widest interior run of a horizontal line (through the
    // centroid, or across the height). Contours without area give GetCenter().
    Point GetInteriorPoint() const;
    double GetArea() const; // enclosed area (absolute value of the shoelace sum)

    // A new mask of width x height (resolution 1/1, unit "") in which the interiors and outlines of
    // the contours are set to `value` and everything else to !value. Interior: pixels whose centre
    // is inside; outline: the pixels of the segments between the nodes, the nodes' own included.
    static std::unique_ptr<BoolImage> Mask(
        const std::vector<const Snake*>& contours, int width, int height, bool value);

private:
    NodeBuffer nodes;
    const SnakeParams* params = nullptr;
    bool moved = false;
};
