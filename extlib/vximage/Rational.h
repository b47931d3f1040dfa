#pragma once

#include <cstdint>

// A resolution as TIFF stores it: numerator / denominator, both unsigned 32-bit.
// Element 0 is the numerator, element 1 the denominator.
class RATIONAL {
public:
    RATIONAL() = default; // 0 / 1
    explicit RATIONAL(uint32_t numerator) : num(numerator) { }
    RATIONAL(uint32_t numerator, uint32_t denominator) : num(numerator), den(denominator) { }

    // The quotient; 0 when the denominator is 0.
    operator float() const { return den == 0 ? 0.0f : float(double(num) / double(den)); }
    double ToDouble() const { return den == 0 ? 0.0 : double(num) / double(den); }

    // The closest fraction with 32-bit parts (continued fractions); negative and non-finite
    // values give 0 / 1, values beyond the 32-bit range the largest numerator.
    RATIONAL& operator=(double value);

    // 0 or 'n' selects the numerator, 1 or 'd' the denominator.
    uint32_t& operator[](char part) { return IsDenominator(part) ? den : num; }
    uint32_t operator[](char part) const { return IsDenominator(part) ? den : num; }

    uint32_t Numerator() const { return num; }
    uint32_t Denominator() const { return den; }
    bool operator==(const RATIONAL& o) const { return num == o.num && den == o.den; }
    bool operator!=(const RATIONAL& o) const { return !(*this == o); }

private:
    static bool IsDenominator(char part) { return part == 1 || part == 'd'; }

    uint32_t num = 0;
    uint32_t den = 1;
};
