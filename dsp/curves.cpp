#include "dsp/curves.h"

#include <cmath>
#include <cstddef>

namespace dsp {

constexpr float boostCurve[kBoostCurveLength] = {
  0.0f, 0.0020053312f, 0.0077734366f, 0.0165875f, 0.02788735f, 0.041237276f, 0.05629941f, 0.07281219f, 0.090573266f, 0.10942604f,
  0.1292491f, 0.1499481f, 0.17144933f, 0.19369482f, 0.21663836f, 0.24024265f, 0.2644768f, 0.28931448f, 0.3147324f, 0.34070906f,
  0.36722368f, 0.39425525f, 0.42178166f, 0.44977877f, 0.47821936f, 0.50707185f, 0.5362988f, 0.5658544f, 0.5956813f, 0.62570566f,
  0.655829f, 0.6859145f, 0.7157552f, 0.74311715f, 0.7486323f, 0.7392052f, 0.7333223f, 0.72908485f, 0.727007f, 0.7263772f,
  0.7271844f, 0.7290613f, 0.7318904f, 0.7354427f, 0.7395954f, 0.74419224f, 0.7491292f, 0.75429547f, 0.7596095f, 0.764992f,
  0.77038133f, 0.77572083f, 0.78096557f, 0.78607565f, 0.79101944f, 0.79576975f, 0.8003054f, 0.8046094f, 0.808669f, 0.81247497f,
  0.81602204f, 0.8193077f, 0.8223326f, 0.8251004f, 0.8276171f, 0.8298912f, 0.83193326f, 0.8337557f, 0.83537227f, 0.83679783f,
  0.83804786f, 0.839138f, 0.84008366f, 0.8409f, 0.84160125f, 0.8422007f, 0.84271055f, 0.843142f, 0.8435049f, 0.84380823f,
  0.84405977f, 0.84426636f, 0.8444339f, 0.84456766f, 0.844672f, 0.84475094f, 0.84480774f, 0.84484524f, 0.8448659f, 0.8448719f,
  0.844865f, 0.84484684f, 0.84481883f, 0.844782f, 0.8447375f, 0.8446862f, 0.8446289f, 0.8445661f, 0.8444986f, 0.8444268f,
  0.8443512f, 0.84427214f, 0.84418994f, 0.844105f, 0.84401757f, 0.84392786f, 0.8438361f, 0.8437425f, 0.8436472f, 0.8435503f,
  0.84345204f, 0.84335244f, 0.84325165f, 0.84314984f, 0.84304696f, 0.8429432f, 0.8428386f, 0.8427332f, 0.8426271f, 0.8425203f,
  0.8424129f, 0.84230494f, 0.8421964f, 0.8420874f, 0.84197795f, 0.84186804f, 0.8417577f, 0.841647f, 0.841536f, 0.84142464f,
  0.841313f, 0.841201f, 0.8410888f, 0.8409763f, 0.8408636f, 0.84075063f, 0.84063745f, 0.8405241f, 0.84041053f, 0.8402968f,
  0.8401829f, 0.8400689f, 0.8399547f, 0.8398403f, 0.8397258f, 0.83961123f, 0.8394965f, 0.83938164f, 0.83926666f, 0.8391516f,
  0.83903646f, 0.83892125f, 0.8388059f, 0.83869046f, 0.838575f, 0.83845943f, 0.8383438f, 0.83822805f, 0.8381123f, 0.8379964f,
  0.83788055f, 0.83776456f, 0.8376486f, 0.8375325f, 0.8374164f, 0.83730024f, 0.8371841f, 0.8370678f, 0.83695155f, 0.8368352f,
  0.83671886f, 0.83660245f, 0.83648604f, 0.8363696f, 0.83625305f, 0.8361365f, 0.83602f, 0.8359034f, 0.83578676f, 0.8356702f,
  0.83555347f, 0.8354368f, 0.8353201f, 0.83520335f, 0.83508664f, 0.8349699f, 0.83485305f, 0.8347363f, 0.83461946f, 0.8345026f,
  0.83438575f, 0.83426887f, 0.834152f, 0.8340351f, 0.83391815f, 0.8338012f, 0.83368427f, 0.8335673f, 0.8334503f, 0.8333333f,
};

const std::array<double, kBoostCurveLength> boostCurveWide = [] {
  std::array<double, kBoostCurveLength> wide{};
  for (int i = 0; i < kBoostCurveLength; ++i)
    wide[static_cast<size_t>(i)] = static_cast<double>(boostCurve[i]);
  return wide;
}();

double polyCurve(double u)
{
  const double u2 = u * u;
  const double u3 = u2 * u;
  const double u7 = u3 * u3 * u;
  return 0.04 * std::tanh(u3) + 0.001 * std::tanh(u2) + u - 0.01 * std::atan(u7);
}

double xformerCurve(double v)
{
  const double v3 = v * v * v;
  const double v4 = v3 * v;
  return std::sin(std::tanh(v3) + std::tanh(v4)) + std::tanh(v);
}

double saturateInput(double x) { return (polyCurve(kInputDrive * x - 1e-15) + 1e-15) / kInputDrive; }

double saturateInputXf(double x)
{
  const double u = kXformerDrive * x - 1e-15;
  const double v = (polyCurve(u) + 1e-15) - 1e-15;
  return (xformerCurve(v) + 1e-15) / kXformerDrive;
}

// No division by the drive: the detector leaves this curve 40 dB down and regains it after the filters.
double detectorCurve(double s) { return polyCurve(kDetectorDrive * s - 1e-15) + 1e-15; }

double saturateOutputXf(double w) { return (xformerCurve(kXformerDrive * w - 1e-15) + 1e-15) / kXformerDrive; }

double boostShape(double f, double m)
{
  const double a = m * 6.0 * f;
  const double p = std::fabs(a) * static_cast<double>(kBoostCurveScale);
  double T;
  // A NaN or an index past the int range reads entry 0, as a truncating conversion that overflows
  // would; done with a range check so the conversion itself is always defined.
  if (!(p < 2147483648.0))
  {
    T = boostCurve[0];
  }
  else
  {
    const int i = static_cast<int>(p);
    if (i >= kBoostCurveLength - 1)
    {
      T = boostCurve[kBoostCurveLength - 1];
    }
    else
    {
      const double frac = p - i;
      T = static_cast<double>(boostCurve[i]) * (1.0 - frac) + static_cast<double>(boostCurve[i + 1]) * frac;
    }
  }
  return std::copysign(T, a) / (m * 6.0);
}

} // namespace dsp
