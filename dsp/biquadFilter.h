#pragma once
// Second-order IIR section (transposed direct form II) with seven response types. The detector uses
// it in single precision at its ports and double precision inside.

#include "dsp/numeric.h"

namespace dsp {

class biquadFilter
{
public:
  enum Type
  {
    kLowPass = 0,
    kHighPass = 1,
    kBandPass = 2,
    kNotch = 3,
    kPeak = 4,
    kLowShelf = 5,
    kHighShelf = 6,
  };

  // Store the design values and redesign; the state is kept so a running filter can be retuned.
  void setup(int type, double freq, double q, double dbGain);

  // One sample; audio thread.
  float process(float in) noexcept
  {
    const double x = in;
    const double y = x * b0 + z1;
    z1 = x * b1 + z2 - a1 * y;
    z2 = x * b2 - a2 * y;
    return static_cast<float>(y);
  }

  // Zeroes the state if it is not finite, so one bad value cannot stick in the recursion; true when
  // it had to. Audio thread.
  bool clearNonFiniteState() noexcept;

  int type = kLowPass;
  double b0 = 1.0, b1 = 0.0, b2 = 0.0;
  double a1 = 0.0, a2 = 0.0;
  double freq = 0.5;
  double q = 0.707;
  double dbGain = 0.0;
  double z1 = 0.0, z2 = 0.0;

private:
  void design();
  bool designed = false;
};

// The same recursion for two filters at once (the chain's left and right), lane by lane: loaded from the
// two filters, stepped, and stored back. Bit for bit what process() does with each.
struct biquadPair
{
  double2 b0, b1, b2, a1, a2, z1, z2;

  biquadPair(const biquadFilter& l, const biquadFilter& r) noexcept
    : b0{l.b0, r.b0}
    , b1{l.b1, r.b1}
    , b2{l.b2, r.b2}
    , a1{l.a1, r.a1}
    , a2{l.a2, r.a2}
    , z1{l.z1, r.z1}
    , z2{l.z2, r.z2}
  {
  }

  // Takes and returns single-precision values held in doubles, as process() takes and returns floats.
  double2 process(double2 x) noexcept
  {
    const double2 y = x * b0 + z1;
    z1 = x * b1 + z2 - a1 * y;
    z2 = x * b2 - a2 * y;
    return roundToFloat(y);
  }

  void store(biquadFilter& l, biquadFilter& r) const noexcept
  {
    l.z1 = z1[0];
    l.z2 = z2[0];
    r.z1 = z1[1];
    r.z2 = z2[1];
  }
};

} // namespace dsp
