// The parameter model: definition, the step grid, shapes, display and parsing, text limits, and
// value access from two threads.

#include "IPlug/IPlugParameter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <thread>

using namespace iplug;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Format(const IParam& param, double value, bool withDisplayText = true)
{
  std::string text = "stale";
  param.FormatForDisplay(value, false, text, withDisplayText);
  return text;
}

// Defined the way the plug-in defines its stepped choices: an int with texts added afterwards.
void DefineRatio(IParam& param)
{
  param.DefineInt("Ratio", 0, 0, 5);
  int i = 0;
  for (const char* text : {"1.5:1", "2:1", "3:1", "4:1", "5:1", "10:1"})
    param.AddDisplayText(i++, text);
}

} // namespace

TEST(ParamDefine, RangePrecisionAndTypes)
{
  IParam fresh;
  EXPECT_EQ(fresh.Type(), kTypeNone);
  EXPECT_EQ(fresh.Unit(), kUnitCustom);

  IParam zero;
  zero.DefineDouble("Zero", 0.0, 0.0, 0.0, 1.0);
  EXPECT_EQ(zero.GetMax(), 1.0); // never narrower than one step

  const std::pair<double, int> precisions[] = {{1.0, 0}, {0.1, 1}, {0.01, 2}, {0.001, 3}, {0.25, 2}, {1e-7, 6}};
  for (const auto& [step, precision] : precisions)
  {
    IParam p;
    p.DefineDouble("p", 0.0, 0.0, 10.0, step);
    EXPECT_EQ(p.GetPrecision(), precision) << step;
  }

  // The outer definer's type survives the inner calls.
  IParam flag;
  flag.DefineBool("Flag", true);
  EXPECT_EQ(flag.Type(), kTypeBool);
  EXPECT_TRUE(flag.GetStepSnapped());
  EXPECT_STREQ(flag.GetDisplayText(1), "on");

  IParam choice;
  choice.DefineEnum("Mode", 1, 3, "", 0, "", {"a", "b", "c"});
  EXPECT_EQ(choice.Type(), kTypeEnum);
  EXPECT_EQ(choice.GetMax(), 2.0);

  IParam pitch;
  pitch.DefinePitch("Note", 60);
  EXPECT_EQ(pitch.GetMax(), 127.0);
  EXPECT_STREQ(pitch.GetDisplayText(0), "C-1");
  EXPECT_STREQ(pitch.GetDisplayText(1), "C#-1");
  EXPECT_EQ(Format(pitch, 60), "C4");

  IParam freq;
  freq.DefineFrequency("Freq", 1000.0, 20.0, 20000.0);
  EXPECT_EQ(freq.Unit(), kUnitFrequency);
  EXPECT_EQ(freq.CurveCode(), kDisplayExp);
}

TEST(ParamClamp, GridAnchoredAtZeroHalvesAwayAndNaN)
{
  IParam offset;
  offset.DefineDouble("Offset", 20.0, 20.0, 100.0, 3.0, "", StepSnapped);
  EXPECT_EQ(offset.ClampToRange(21.4), 21.0); // round(21.4 / 3) × 3, not 20 + 3k

  IParam stepped;
  stepped.DefineInt("Stepped", 0, -10, 10);
  EXPECT_EQ(stepped.ClampToRange(2.5), 3.0);
  EXPECT_EQ(stepped.ClampToRange(-2.5), -3.0);
  EXPECT_EQ(stepped.ClampToRange(std::numeric_limits<double>::infinity()), 10.0);

  // A NaN never gets stored: it lands on min.
  EXPECT_EQ(stepped.ClampToRange(kNaN), -10.0);
  stepped.Set(kNaN);
  EXPECT_EQ(stepped.Value(), -10.0);
  stepped.SetFromNormalized(kNaN);
  EXPECT_EQ(stepped.Value(), -10.0);
  EXPECT_EQ(stepped.NormalizedFromValue(kNaN), 0.0);
}

TEST(ParamShapes, RoundTripsAndEndPoints)
{
  const std::unique_ptr<Shape> shapes[] = {std::make_unique<ShapeLinear>(), std::make_unique<ShapePowCurve>(2.0),
                                           std::make_unique<ShapePowCurve>(0.5), std::make_unique<ShapeExp>()};
  for (const auto& shape : shapes)
  {
    IParam p;
    p.DefineDouble("p", 20.0, 20.0, 20000.0, 0.001, "", 0, "", *shape);
    for (double n = 0.0; n <= 1.0; n += 0.125)
      EXPECT_NEAR(p.NormalizedFromValue(p.ValueFromNormalized(n)), n, 1e-12) << shape->CurveCode();
    EXPECT_EQ(p.NormalizedFromValue(25000.0), 1.0);
    EXPECT_EQ(p.NormalizedFromValue(-5.0), 0.0);
  }

  IParam exp;
  exp.DefineDouble("Exp", 50.0, 0.0, 100.0, 0.001, "", 0, "", ShapeExp{});
  EXPECT_NEAR(exp.ValueFromNormalized(0.0), 1e-8, 1e-20); // a zero min would make ln(min) -inf
  EXPECT_NEAR(exp.ValueFromNormalized(1.0), 100.0, 1e-10);

  IParam pow2;
  pow2.DefineDouble("Pow", 0.0, 0.0, 100.0, 0.001, "", 0, "", ShapePowCurve{2.0});
  EXPECT_DOUBLE_EQ(pow2.ValueFromNormalized(0.5), 25.0);

  const std::pair<double, int> curves[] = {{3.0, 6}, {2.5, 4}, {2.0, 4}, {1.0, 0}, {0.5, 3}, {0.3, 5}};
  for (const auto& [exponent, code] : curves)
    EXPECT_EQ(ShapePowCurve(exponent).CurveCode(), code) << exponent;

  IParam ratio;
  DefineRatio(ratio);
  EXPECT_DOUBLE_EQ(ratio.SnapNormalized(0.45), 0.4);
  EXPECT_DOUBLE_EQ(ratio.SnapNormalized(0.5), 0.6);
}

TEST(ParamFormat, SignsRoundingTextsAndLimits)
{
  IParam negated;
  negated.DefineDouble("Neg", 0.0, -10.0, 10.0, 1.0, "", DisplayNegated);
  EXPECT_EQ(Format(negated, 0.0), "0");
  EXPECT_EQ(Format(negated, 3.0), "-3");
  IParam negatedFine;
  negatedFine.DefineDouble("Neg", 0.0, -10.0, 10.0, 0.1, "", DisplayNegated);
  EXPECT_EQ(Format(negatedFine, 0.0), "0.0");

  IParam sign;
  sign.DefineDouble("Sign", 0.0, -10.0, 10.0, 0.1, "", DisplaySigned);
  EXPECT_EQ(Format(sign, 1.5), "+1.5");
  EXPECT_EQ(Format(sign, 0.0), "0.0");
  std::string text;
  sign.FormatForDisplay(0.75, true, text); // normalised 0.75 of -10..10
  EXPECT_EQ(text, "+5.0");

  IParam whole;
  whole.DefineDouble("Whole", 0.0, -1e300, 1e300, 1.0);
  EXPECT_EQ(Format(whole, 2.5), "3");
  EXPECT_EQ(Format(whole, -2.5), "-3");
  EXPECT_EQ(Format(whole, 3e9), "3000000000"); // beyond int
  EXPECT_EQ(Format(whole, -1e300), "-1e+300");

  IParam ratio;
  DefineRatio(ratio);
  EXPECT_EQ(Format(ratio, 3.0), "4:1");
  EXPECT_EQ(Format(ratio, 3.0, false), "3");
  ratio.AddDisplayText(7.0, "");
  EXPECT_EQ(Format(ratio, 7.0), "7"); // an empty text falls back to the number

  IParam custom;
  custom.DefineDouble("Custom", 0.0, 0.0, 1.0, 0.1, "", 0, "", ShapeLinear{}, kUnitCustom,
                      [](double, std::string& out) { out = std::string(40, 'x'); });
  EXPECT_EQ(Format(custom, 0.5), std::string(IParam::kMaxDisplayLength, 'x'));
}

TEST(ParamParse, TextsNumbersAndFallbacks)
{
  IParam choice;
  choice.DefineEnum("Mode", 0, 3, "", 0, "", {"a", "b", "c"});
  EXPECT_EQ(choice.ParseDisplayText("b"), 1.0);
  EXPECT_EQ(choice.ParseDisplayText("2"), 0.0); // enums never parse numbers

  IParam level;
  level.DefineDouble("Level", 50.0, 20.0, 100.0, 0.1);
  EXPECT_EQ(level.ParseDisplayText("42.5 dB"), 42.5);
  EXPECT_EQ(level.ParseDisplayText("999"), 100.0);
  EXPECT_EQ(level.ParseDisplayText("loud"), 20.0);
  EXPECT_EQ(level.ParseDisplayText(nullptr), 20.0);

  IParam negated;
  negated.DefineDouble("Neg", 0.0, -10.0, 10.0, 1.0, "", DisplayNegated);
  EXPECT_EQ(negated.ParseDisplayText("3"), -3.0);

  IParam ratio;
  DefineRatio(ratio);
  EXPECT_EQ(ratio.ParseDisplayText("2"), 2.0); // ints parse numbers
}

TEST(ParamLabel, EmptyWhereTheValueHasAText)
{
  IParam ratio;
  DefineRatio(ratio);
  for (int v = 0; v <= 5; ++v)
  {
    ratio.Set(v);
    EXPECT_STREQ(ratio.LabelForHost(), "") << v;
  }

  IParam gain;
  gain.DefineDouble("Gain", 2.7, 0.0, 10.0, 0.1, "dB");
  EXPECT_STREQ(gain.LabelForHost(), "dB");
  gain.AddDisplayText(2.0, "two");
  EXPECT_STREQ(gain.LabelForHost(), ""); // 2.7 truncates to 2
}

TEST(ParamText, CutsAt31BytesAndWholeCharacters)
{
  const std::string longText(40, 'n');
  IParam p;
  p.DefineDouble(longText.c_str(), 0.0, 0.0, 1.0, 0.1, longText.c_str(), 0, longText.c_str());
  p.AddDisplayText(0.0, longText.c_str());
  const std::string cut(IParam::kMaxTextLength, 'n');
  EXPECT_EQ(p.GetName(), cut);
  EXPECT_EQ(p.GetLabel(), cut);
  EXPECT_EQ(p.GetGroup(), cut);
  EXPECT_EQ(p.GetDisplayText(0), cut);

  // "é" is two bytes; at bytes 30-31 it would be split, so it goes whole.
  const std::string a30(30, 'a');
  p.DefineDouble((a30 + "\xC3\xA9" "b").c_str(), 0.0, 0.0, 1.0, 0.1);
  EXPECT_EQ(p.GetName(), a30);
  const std::string a29(29, 'a');
  p.DefineDouble((a29 + "\xC3\xA9" "b").c_str(), 0.0, 0.0, 1.0, 0.1);
  EXPECT_EQ(p.GetName(), a29 + "\xC3\xA9");
}

TEST(ParamJSON, Pieces)
{
  IParam ratio;
  DefineRatio(ratio);
  std::string json = "[";
  ratio.GetJSON(json, 14);
  EXPECT_EQ(json, "[{\"id\":14, \"name\":\"Ratio\", \"type\":\"int\", \"min\":0.000000, \"max\":5.000000, "
                  "\"default\":0.000000, \"rate\":\"control\"}");

  IParam undefined;
  json.clear();
  undefined.GetJSON(json, 0);
  EXPECT_EQ(json, "{\"id\":0, \"name\":\"\", \"min\":0.000000, \"max\":1.000000, \"default\":0.000000, "
                  "\"rate\":\"control\"}");
}

TEST(ParamConcurrency, ReadsSeeOnlyWrittenValues)
{
  // Two values whose halves differ, so a torn read would show up as a third value.
  constexpr double kA = 0.123456789012345;
  constexpr double kB = -987654.3210987;
  IParam p;
  p.DefineDouble("Shared", kA, -1e6, 1e6, 1e-6);

  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 200000; ++i)
      p.Set(i % 2 == 0 ? kB : kA);
    done.store(true);
  });
  int bad = 0;
  while (!done.load())
  {
    const double v = p.Value();
    bad += v != kA && v != kB;
  }
  writer.join();
  EXPECT_EQ(bad, 0);
}
