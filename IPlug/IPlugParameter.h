#pragma once
// One automatable plug-in parameter: range, step, default, the current value, texts, and the curve
// (Shape) that maps the real value to the 0..1 normalised value hosts and controls use.
// Defined once on the UI thread before processing starts; afterwards only the value changes.

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace iplug {

enum ParamType : int32_t
{
  kTypeNone = 0,
  kTypeBool = 1,
  kTypeInt = 2,
  kTypeEnum = 3,
  kTypeDouble = 4,
};

// Only stored and reported; no arithmetic depends on it.
enum ParamUnit : int32_t
{
  kUnitPercentage = 0,
  kUnitSeconds = 1,
  kUnitMilliseconds = 2,
  kUnitDB = 4,
  kUnitDegrees = 8,
  kUnitFrequency = 12,
  kUnitCustom = 21,
};

enum ParamFlags : int32_t
{
  kNoParamFlags = 0,
  NotAutomatable = 1,
  StepSnapped = 2,
  DisplayNegated = 4,
  DisplaySigned = 8,
};

// How a shape's curve is described to hosts.
enum DisplayCurve : int32_t
{
  kDisplayLinear = 0,
  kDisplayExp = 1,
  kDisplaySquareRoot = 3, // power curves with exponent in [0.4, 2/3)
  kDisplaySquared = 4,    // (1.5, 2.5]
  kDisplayCubeRoot = 5,   // below 0.4
  kDisplayCubed = 6,      // above 2.5
};

class IParam;

// Maps between a parameter's real value and its normalised value; reads min and max from the parameter.
class Shape
{
public:
  virtual ~Shape();
  virtual std::unique_ptr<Shape> Duplicate() const = 0;
  // definition time, once the parameter's range is set
  virtual void Prepare(const IParam&) {}
  virtual int CurveCode() const = 0;
  virtual double MapFromNormalized(double n, const IParam& param) const = 0;
  virtual double MapToNormalized(double v, const IParam& param) const = 0;
};

class ShapeLinear final : public Shape
{
public:
  std::unique_ptr<Shape> Duplicate() const override;
  int CurveCode() const override { return kDisplayLinear; }
  double MapFromNormalized(double n, const IParam& param) const override;
  double MapToNormalized(double v, const IParam& param) const override;
};

// value = min + (max - min) × n^exponent
class ShapePowCurve final : public Shape
{
public:
  explicit ShapePowCurve(double exponent) : mExponent(exponent) {}
  std::unique_ptr<Shape> Duplicate() const override;
  int CurveCode() const override;
  double MapFromNormalized(double n, const IParam& param) const override;
  double MapToNormalized(double v, const IParam& param) const override;
  double Exponent() const { return mExponent; }

private:
  double mExponent;
};

// value = exp(ln(m) + n × ln(max / m)), m = min, or 1e-8 when min is not positive.
class ShapeExp final : public Shape
{
public:
  std::unique_ptr<Shape> Duplicate() const override;
  void Prepare(const IParam& param) override;
  int CurveCode() const override { return kDisplayExp; }
  double MapFromNormalized(double n, const IParam& param) const override;
  double MapToNormalized(double v, const IParam& param) const override;

private:
  double mMul = 1.0;
  double mAdd = 0.0;
};

// Replaces the built-in formatting of FormatForDisplay.
using DisplayFunc = std::function<void(double value, std::string& text)>;

class IParam
{
public:
  static constexpr int kMaxTextLength = 31;    // name, label, group, display texts (bytes, UTF-8)
  static constexpr int kMaxDisplayLength = 32; // FormatForDisplay output

  struct ValueText
  {
    double mValue = 0.0;
    char mText[kMaxTextLength + 1] = {};
  };

  // any thread; undefined: type none, unit custom, range 0..1, step 1, value and default 0, linear
  IParam();
  ~IParam();
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // Definers: UI thread, before processing starts. Each sets the type only while it is still none, so a
  // definer that calls another keeps the outer type. Texts longer than kMaxTextLength bytes are cut.
  void DefineDouble(const char* name, double defaultValue, double min, double max, double step,
                    const char* label = "", int flags = 0, const char* group = "",
                    const Shape& shape = ShapeLinear{}, ParamUnit unit = kUnitCustom,
                    DisplayFunc displayFunc = nullptr);
  void DefineInt(const char* name, int defaultValue, int min, int max, const char* label = "", int flags = 0,
                 const char* group = "");
  // Adds texts 0..count-1 from `texts` (fewer if fewer are given; none if the first is null).
  void DefineEnum(const char* name, int defaultValue, int count, const char* label = "", int flags = 0,
                  const char* group = "", std::initializer_list<const char*> texts = {});
  void DefineBool(const char* name, bool defaultValue, const char* label = "", int flags = 0,
                  const char* group = "", const char* offText = "off", const char* onText = "on");
  void DefineGain(const char* name, double defaultValue, double min, double max, double step = 0.1,
                  int flags = 0, const char* group = "");
  void DefinePercentage(const char* name, double defaultValue, double min = 0.0, double max = 100.0,
                        int flags = 0, const char* group = "");
  void DefineSeconds(const char* name, double defaultValue, double min, double max, double step = 0.1,
                     int flags = 0, const char* group = "");
  void DefineMilliseconds(const char* name, double defaultValue, double min, double max, int flags = 0,
                          const char* group = "");
  void DefineDegrees(const char* name, double defaultValue, double min = 0.0, double max = 360.0,
                     int flags = 0, const char* group = "");
  void DefineFrequency(const char* name, double defaultValue, double min, double max, double step = 0.1,
                       int flags = 0, const char* group = "");
  // An enum of `noteCount` note names "C-1", "C#-1", ... ; entry i is in octave lowestOctave + i / 12.
  void DefinePitch(const char* name, int defaultNote, int noteCount = 128, int flags = 0,
                   const char* group = "", int lowestOctave = -1);
  // UI thread, definition time (allocates)
  void AddDisplayText(double value, const char* text);

  // Value operations: any thread, audio thread included; no allocation, no lock.
  // A NaN reads as lying below the range: it clamps to min.
  double ClampToRange(double v) const;
  double NormalizedFromValue(double v) const; // in [0, 1]
  double ValueFromNormalized(double n) const;
  double SnapNormalized(double n) const; // in [0, 1]
  double Value() const { return mValue.load(std::memory_order_relaxed); }
  double GetNormalized() const { return NormalizedFromValue(Value()); }
  void Set(double v) { mValue.exchange(ClampToRange(v), std::memory_order_relaxed); }
  void SetFromNormalized(double n) { mValue.exchange(ValueFromNormalized(n), std::memory_order_relaxed); }
  void SetToDefault() { Set(mDefault); }

  // Fixed after definition: any thread.
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetStep() const { return mStep; }
  double GetDefault(bool normalized = false) const;
  int GetPrecision() const { return mDisplayPrecision; }
  int GetFlags() const { return mFlags; }
  bool GetCanAutomate() const { return (mFlags & NotAutomatable) == 0; }
  bool GetStepSnapped() const { return (mFlags & StepSnapped) != 0; }
  const char* GetName() const { return mName; }
  const char* GetLabel() const { return mLabel; }
  const char* GetGroup() const { return mGroup; }
  ParamType Type() const { return mType; }
  ParamUnit Unit() const { return mUnit; }
  int CurveCode() const { return mShape->CurveCode(); }
  const Shape& GetShape() const { return *mShape; }

  // Text operations: any thread but the audio thread (they may allocate).
  // At most kMaxDisplayLength bytes, display-function output included.
  void FormatForDisplay(double value, bool normalized, std::string& text, bool withDisplayText = true) const;
  // A null text reads as empty.
  double ParseDisplayText(const char* text) const;
  // Empty when the current value, truncated, has a non-empty display text; else the label.
  const char* LabelForHost() const;
  int NDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }
  // "" out of range (and *value untouched)
  const char* GetDisplayText(int index, double* value = nullptr) const;
  // "" when none matches exactly
  const char* DisplayTextForValue(double value) const;
  // exact, case-sensitive match; false (and *value untouched) when none
  bool MapDisplayText(const char* text, double* value) const;
  // appends this parameter's JSON description, with `index` as its id
  void GetJSON(std::string& json, int index) const;

private:
  const ValueText* FindDisplayText(double value) const;

  ParamType mType = kTypeNone;
  ParamUnit mUnit = kUnitCustom;
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  int mFlags = 0;
  char mName[kMaxTextLength + 1] = {};
  char mLabel[kMaxTextLength + 1] = {};
  char mGroup[kMaxTextLength + 1] = {};
  std::unique_ptr<Shape> mShape;
  DisplayFunc mDisplayFunc;
  std::vector<ValueText> mDisplayTexts;

  static_assert(std::atomic<double>::is_always_lock_free, "parameter values are read on the audio thread");
};

} // namespace iplug
