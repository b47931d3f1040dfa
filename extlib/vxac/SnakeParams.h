#pragma once

// The parameters shared by every active contour of the program (one record, filled from the
// settings). Energies and sizes are in pixels.
struct SnakeParams {
    enum Background { White = 0, Black = 1, None = 2 };

    double alpha = 0.0;     // weight of the spacing term: nodes keep `distance` apart
    double beta = 0.0;      // weight of the curvature term: the contour stays smooth
    double gamma = 0.0;     // weight of the image term: nodes are drawn to edges
    double delta = 0.0;     // weight of the attraction to the neighbouring slice's contour
    double depth = 7.0;     // how far (pixels) along the normal a node looks for an edge
    double disp = 3.0;      // how far (pixels) a node may move in one step
    double distance = 0.0;  // wanted node spacing; 0 keeps the current spacing
    double shrinkage = 0.0; // how far (pixels) Shrink moves the nodes inward
    Background background = White;

    SnakeParams() = default;
    SnakeParams(
        double a, double b, double g, double d, double dep, double dis, double dist, double shr, Background bg = White)
        : alpha(a), beta(b), gamma(g), delta(d), depth(dep), disp(dis), distance(dist), shrinkage(shr), background(bg)
    {
    }
};
