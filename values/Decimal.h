// Decimal numbers held exactly, as a count of units of 10^-scale in 128 bits,
// so that counters step and random decimals are drawn at a column's scale
// without the rounding of binary floating point.
#pragma once

#include <string>
#include <string_view>

using DecimalUnits = __int128;

// Scales beyond this are cut to it: 10^18 units leave room for 20 whole digits.
constexpr int kMaxDecimalScale = 18;

// Reads `text` (blanks around it, an optional sign, digits with an optional
// fraction) as units of 10^-scale. Digits past the scale are cut off; `exact`
// (may be null) tells whether all of them were zero. Returns false when the
// text is not such a number or does not fit.
bool ParseDecimal(std::string_view text, int scale, DecimalUnits& units, bool* exact = nullptr);

// How many digits `text` has after its decimal point (0 without one).
int DecimalPlaces(std::string_view text);

// Appends `units` as a number with `scale` decimals ("-0.50" for -50 at 2).
void AppendDecimal(std::string& out, DecimalUnits units, int scale);

double DecimalToDouble(DecimalUnits units, int scale);

// 10^scale for 0 <= scale <= kMaxDecimalScale.
DecimalUnits DecimalScale(int scale);
