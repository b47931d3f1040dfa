#include "contours/SharedSnakeParams.h"

#include "model/Settings.h"

SnakeParams& SharedSnakeParams::Get()
{
    static SnakeParams params;
    return params;
}

void SharedSnakeParams::UpdateFromSettings()
{
    const Settings::ActiveContours& ac = Settings::Values().activeContours;
    SnakeParams& p = Get();
    p.alpha = ac.alpha;
    p.beta = ac.beta;
    p.gamma = ac.gamma;
    p.delta = ac.delta;
    p.depth = ac.depth;
    p.disp = ac.disp;
    p.distance = ac.distance;
    p.shrinkage = ac.shrinkage;
    // Unknown indices fall back to the first item, as the combo box shows them.
    p.background = ac.background >= 0 && ac.background <= SnakeParams::None ? SnakeParams::Background(ac.background)
                                                                            : SnakeParams::White;
}
