#pragma once
// Memoryless colour curves: input saturation (plain and transformer form), the detector polynomial,
// the transformer output stage and the "Boost" table shaper of the detector path. The 1e-15 offsets
// keep the arithmetic away from subnormal numbers and sit exactly where the sound was voiced.

#include <array>

namespace dsp {

inline constexpr double kInputDrive = 0.56234132519034907;   // 10^(-0.25)
inline constexpr double kXformerDrive = 0.17782794100389229; // 10^(-0.75)
inline constexpr double kDetectorDrive = 0.01;               // 10^(-2)
inline constexpr double kDetectorGain = 100.0;               // 10^2

double polyCurve(double u);
double xformerCurve(double v);

double saturateInput(double x);
double saturateInputXf(double x);
double detectorCurve(double s);
double saturateOutputXf(double w);

// Odd-symmetric table shaper; m is the linear "Boost" drive (1 to 10^(10/20)).
double boostShape(double f, double m);

// The 200-point single-precision curve behind boostShape, and its index scale (as stored: float).
inline constexpr int kBoostCurveLength = 200;
inline constexpr float kBoostCurveScale = 142.143f;
extern const float boostCurve[kBoostCurveLength];
// The same values widened to double, for vector gathers.
extern const std::array<double, kBoostCurveLength> boostCurveWide;

} // namespace dsp
