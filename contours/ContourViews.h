#pragma once

#include <QString>

class QLineEdit;

// The user interface of contour sequences in the views: their overlay and their control panels.
namespace ContourViews {

// Installs the overlay maker for contour sequences and the maker of their control panels. Called
// once at start-up (again is harmless).
void Register();

// How the panels show and read their fields: floats in the general format with 6 significant
// digits, integers in base 10; text that is no number (or no finite one) reads as 0.
QString FloatText(float value);
float ReadFloat(const QLineEdit* edit);

} // namespace ContourViews
