#pragma once

#include "SnakeParams.h"

// The one parameter record every contour of the program refers to. Contours keep a pointer to
// it, so it lives as long as the program and changes in place.
namespace SharedSnakeParams {

SnakeParams& Get();

// Copies the active-contour settings (alpha ... delta, depth, disp, distance, shrinkage,
// background) into the shared record. Call after changing those settings.
void UpdateFromSettings();

} // namespace SharedSnakeParams
