#include "BoolImage.h"

BoolImage::BoolImage() : TypedImage(0, 0, RATIONAL(1, 1), RATIONAL(1, 1), "")
{
}

BoolImage::BoolImage(int w, int h, const RATIONAL& xr, const RATIONAL& yr, const std::string& u)
    : TypedImage(w, h, xr, yr, u)
{
}
