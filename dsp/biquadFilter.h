#pragma once
// Second-order IIR section (transposed direct form II) with seven response types. The detector uses
// it in single precision at its ports and double precision inside.

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
};

} // namespace dsp
