#include "Rational.h"

#include <cmath>

RATIONAL& RATIONAL::operator=(double value)
{
    if (!std::isfinite(value) || value <= 0.0) {
        num = 0;
        den = 1;
        return *this;
    }
    if (value >= 4294967295.0) {
        num = 0xFFFFFFFFu;
        den = 1;
        return *this;
    }
    // Convergents h/k of the continued fraction of value, stopping before a part overflows.
    double h0 = 0, h1 = 1, k0 = 1, k1 = 0;
    double x = value;
    for (int i = 0; i < 64; ++i) {
        const double a = std::floor(x);
        const double h2 = a * h1 + h0;
        const double k2 = a * k1 + k0;
        if (h2 > 4294967295.0 || k2 > 4294967295.0)
            break;
        h0 = h1;
        h1 = h2;
        k0 = k1;
        k1 = k2;
        if (std::fabs(h1 / k1 - value) <= value * 1e-12)
            break;
        const double frac = x - a;
        if (frac < 1e-15)
            break;
        x = 1.0 / frac;
    }
    num = uint32_t(h1);
    den = uint32_t(k1);
    if (den == 0) { // value below 1 / 2^32
        num = 0;
        den = 1;
    }
    return *this;
}
