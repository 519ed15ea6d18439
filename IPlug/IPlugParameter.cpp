#include "IPlug/IPlugParameter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace iplug {

namespace {

bool IsUtf8Continuation(char c)
{
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where to cut `text` (at least `limit` + 1 bytes long) so at most `limit` bytes stay and no UTF-8 character
// is split. Bytes that are not valid UTF-8 are cut bytewise.
size_t CutPoint(const char* text, size_t limit)
{
  size_t cut = limit;
  for (int i = 0; i < 3 && cut > 0 && IsUtf8Continuation(text[cut]); ++i)
    --cut;
  return IsUtf8Continuation(text[cut]) ? limit : cut;
}

// Copies a C string into a fixed field; never writes past it. Null reads as empty.
template <size_t N>
void CopyText(char (&field)[N], const char* text)
{
  constexpr size_t limit = N - 1;
  size_t length = 0;
  if (text != nullptr)
  {
    while (length <= limit && text[length] != '\0')
      ++length;
    if (length > limit)
      length = CutPoint(text, limit);
    std::memcpy(field, text, length);
  }
  field[length] = '\0';
}

void CutString(std::string& text, size_t limit)
{
  if (text.size() > limit)
    text.resize(CutPoint(text.c_str(), limit));
}

double Clamp01(double n)
{
  if (!(n > 0.0)) // NaN included
    return 0.0;
  return n > 1.0 ? 1.0 : n;
}

bool FitsInt(double v)
{
  return v >= static_cast<double>(INT_MIN) && v <= static_cast<double>(INT_MAX);
}

constexpr size_t kJsonPieceLimit = 8192;

[[gnu::format(printf, 2, 3)]] void AppendFormatted(std::string& out, const char* format, ...)
{
  char piece[kJsonPieceLimit];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(piece, sizeof piece, format, args);
  va_end(args);
  if (length > 0)
    out.append(piece, std::min(static_cast<size_t>(length), sizeof piece - 1));
}

} // namespace

// ---------------------------------------------------------------------------------------------- shapes

Shape::~Shape() = default;

std::unique_ptr<Shape> ShapeLinear::Duplicate() const
{
  return std::make_unique<ShapeLinear>(*this);
}

double ShapeLinear::MapFromNormalized(double n, const IParam& param) const
{
  return param.GetMin() + n * (param.GetMax() - param.GetMin());
}

double ShapeLinear::MapToNormalized(double v, const IParam& param) const
{
  const double range = param.GetMax() - param.GetMin();
  return range == 0.0 ? 0.0 : (v - param.GetMin()) / range;
}

std::unique_ptr<Shape> ShapePowCurve::Duplicate() const
{
  return std::make_unique<ShapePowCurve>(*this);
}

int ShapePowCurve::CurveCode() const
{
  if (mExponent > 2.5)
    return kDisplayCubed;
  if (mExponent > 1.5)
    return kDisplaySquared;
  if (mExponent < 0.4)
    return kDisplayCubeRoot;
  if (mExponent < 2.0 / 3.0)
    return kDisplaySquareRoot;
  return kDisplayLinear;
}

double ShapePowCurve::MapFromNormalized(double n, const IParam& param) const
{
  return param.GetMin() + (param.GetMax() - param.GetMin()) * std::pow(n, mExponent);
}

double ShapePowCurve::MapToNormalized(double v, const IParam& param) const
{
  const double range = param.GetMax() - param.GetMin();
  const double ratio = range == 0.0 ? 0.0 : (v - param.GetMin()) / range;
  // A fractional power of a negative base is NaN; below min is 0 anyway.
  return ratio > 0.0 ? std::pow(ratio, 1.0 / mExponent) : 0.0;
}

std::unique_ptr<Shape> ShapeExp::Duplicate() const
{
  return std::make_unique<ShapeExp>(*this);
}

void ShapeExp::Prepare(const IParam& param)
{
  const double lowest = param.GetMin() > 0.0 ? param.GetMin() : 1e-8; // ln(0) would be -inf
  mAdd = std::log(lowest);
  mMul = std::log(param.GetMax() / lowest);
}

double ShapeExp::MapFromNormalized(double n, const IParam&) const
{
  return std::exp(mAdd + n * mMul);
}

double ShapeExp::MapToNormalized(double v, const IParam&) const
{
  return mMul == 0.0 ? 0.0 : (std::log(v) - mAdd) / mMul;
}

// ---------------------------------------------------------------------------------------------- definers

IParam::IParam()
  : mShape(std::make_unique<ShapeLinear>())
{
}

IParam::~IParam() = default;

void IParam::DefineDouble(const char* name, double defaultValue, double min, double max, double step,
                          const char* label, int flags, const char* group, const Shape& shape, ParamUnit unit,
                          DisplayFunc displayFunc)
{
  if (mType == kTypeNone)
    mType = kTypeDouble;

  CopyText(mName, name);
  CopyText(mLabel, label);
  CopyText(mGroup, group);

  mMin = min;
  mStep = step;
  mMax = min + step > max ? min + step : max; // never narrower than one step

  mDefault = defaultValue;
  mUnit = unit;
  mFlags = flags;
  mDisplayFunc = std::move(displayFunc);

  mValue.store(ClampToRange(defaultValue), std::memory_order_relaxed);

  mDisplayPrecision = 0;
  for (double d = step; mDisplayPrecision < 6 && std::floor(d) != d; d *= 10.0)
    ++mDisplayPrecision;

  std::unique_ptr<Shape> own = shape.Duplicate();
  if (own != nullptr)
    mShape = std::move(own);
  mShape->Prepare(*this);
}

void IParam::DefineInt(const char* name, int defaultValue, int min, int max, const char* label, int flags,
                       const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeInt;
  DefineDouble(name, defaultValue, min, max, 1.0, label, flags | StepSnapped, group, ShapeLinear{}, kUnitCustom,
               nullptr);
}

void IParam::DefineEnum(const char* name, int defaultValue, int count, const char* label, int flags,
                        const char* group, std::initializer_list<const char*> texts)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;
  // count - 1 would overflow for INT_MIN; any negative max widens to 0..1 all the same.
  DefineInt(name, defaultValue, 0, count > 0 ? count - 1 : -1, label, flags | StepSnapped, group);

  if (texts.size() == 0 || *texts.begin() == nullptr)
    return;
  int i = 0;
  for (const char* text : texts)
  {
    if (i >= count)
      break;
    AddDisplayText(i++, text);
  }
}

void IParam::DefineBool(const char* name, bool defaultValue, const char* label, int flags, const char* group,
                        const char* offText, const char* onText)
{
  if (mType == kTypeNone)
    mType = kTypeBool;
  DefineEnum(name, defaultValue ? 1 : 0, 2, label, flags, group);
  AddDisplayText(0, offText);
  AddDisplayText(1, onText);
}

void IParam::DefineGain(const char* name, double defaultValue, double min, double max, double step, int flags,
                        const char* group)
{
  DefineDouble(name, defaultValue, min, max, step, "dB", flags, group, ShapeLinear{}, kUnitDB);
}

void IParam::DefinePercentage(const char* name, double defaultValue, double min, double max, int flags,
                              const char* group)
{
  DefineDouble(name, defaultValue, min, max, 1.0, "%", flags, group, ShapeLinear{}, kUnitPercentage);
}

void IParam::DefineSeconds(const char* name, double defaultValue, double min, double max, double step, int flags,
                           const char* group)
{
  DefineDouble(name, defaultValue, min, max, step, "Seconds", flags, group, ShapeLinear{}, kUnitSeconds);
}

void IParam::DefineMilliseconds(const char* name, double defaultValue, double min, double max, int flags,
                                const char* group)
{
  DefineDouble(name, defaultValue, min, max, 1.0, "ms", flags, group, ShapeLinear{}, kUnitMilliseconds);
}

void IParam::DefineDegrees(const char* name, double defaultValue, double min, double max, int flags,
                           const char* group)
{
  DefineDouble(name, defaultValue, min, max, 1.0, "degrees", flags, group, ShapeLinear{}, kUnitDegrees);
}

void IParam::DefineFrequency(const char* name, double defaultValue, double min, double max, double step,
                             int flags, const char* group)
{
  DefineDouble(name, defaultValue, min, max, step, "Hz", flags, group, ShapeExp{}, kUnitFrequency);
}

void IParam::DefinePitch(const char* name, int defaultNote, int noteCount, int flags, const char* group,
                         int lowestOctave)
{
  static constexpr const char* kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  if (mType == kTypeNone)
    mType = kTypeEnum;
  DefineEnum(name, defaultNote, noteCount, "", flags, group);
  for (int i = 0; i < noteCount; ++i)
  {
    char text[kMaxTextLength + 1];
    // 64-bit so an extreme lowest octave cannot overflow; prints as "%s%i" would.
    const long long octave = static_cast<long long>(lowestOctave) + i / 12;
    std::snprintf(text, sizeof text, "%s%lld", kNoteNames[i % 12], octave);
    AddDisplayText(i, text);
  }
}

void IParam::AddDisplayText(double value, const char* text)
{
  ValueText& entry = mDisplayTexts.emplace_back();
  entry.mValue = value;
  CopyText(entry.mText, text);
}

// ---------------------------------------------------------------------------------------------- values

double IParam::ClampToRange(double v) const
{
  // Half away from zero, on a grid anchored at 0 rather than at min. A non-positive step has no grid.
  if ((mFlags & StepSnapped) != 0 && mStep > 0.0)
    v = std::round(v / mStep) * mStep;
  // Written so that NaN also lands on min: a stored NaN would defeat every later comparison.
  if (!(v >= mMin))
    v = mMin;
  if (v > mMax)
    v = mMax;
  return v;
}

double IParam::NormalizedFromValue(double v) const
{
  return Clamp01(mShape->MapToNormalized(ClampToRange(v), *this));
}

double IParam::ValueFromNormalized(double n) const
{
  return ClampToRange(mShape->MapFromNormalized(n, *this));
}

double IParam::SnapNormalized(double n) const
{
  return Clamp01(mShape->MapToNormalized(ClampToRange(mShape->MapFromNormalized(n, *this)), *this));
}

double IParam::GetDefault(bool normalized) const
{
  return normalized ? NormalizedFromValue(mDefault) : mDefault;
}

// ---------------------------------------------------------------------------------------------- texts

const IParam::ValueText* IParam::FindDisplayText(double value) const
{
  for (const ValueText& entry : mDisplayTexts)
  {
    if (entry.mValue == value)
      return &entry;
  }
  return nullptr;
}

void IParam::FormatForDisplay(double value, bool normalized, std::string& text, bool withDisplayText) const
{
  if (normalized)
    value = ValueFromNormalized(value);

  if (mDisplayFunc)
  {
    text.clear();
    mDisplayFunc(value, text);
    CutString(text, kMaxDisplayLength);
    return;
  }

  if (withDisplayText)
  {
    // Only the first exact match counts; an empty text there falls through to the number.
    const ValueText* entry = FindDisplayText(value);
    if (entry != nullptr && entry->mText[0] != '\0')
    {
      text = entry->mText;
      return;
    }
  }

  if ((mFlags & DisplayNegated) != 0)
    value = -value;
  if (value == 0.0)
    value = 0.0; // -0.0 would print a minus sign

  const bool showSign = (mFlags & DisplaySigned) != 0 && mDisplayPrecision > 0;
  char buffer[kMaxDisplayLength + 1];
  int length = 0;
  if (mDisplayPrecision == 0)
  {
    const double rounded = std::round(value); // half away from zero
    // An int conversion of a value outside int's range is undefined, so those print as doubles.
    length = FitsInt(rounded) ? std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(rounded))
                              : std::snprintf(buffer, sizeof buffer, "%.0f", rounded);
  }
  else if (showSign && value != 0.0)
    length = std::snprintf(buffer, sizeof buffer, "%+.*f", mDisplayPrecision, value);
  else
    length = std::snprintf(buffer, sizeof buffer, "%.*f", mDisplayPrecision, value);

  // Only values far outside any sane range get here; a cut digit string would misstate the magnitude.
  if (length > kMaxDisplayLength)
    length = std::snprintf(buffer, sizeof buffer, showSign ? "%+g" : "%g", value);

  text.assign(buffer, static_cast<size_t>(std::clamp(length, 0, kMaxDisplayLength)));
}

double IParam::ParseDisplayText(const char* text) const
{
  if (text == nullptr)
    text = "";

  double value = 0.0;
  if (MapDisplayText(text, &value))
    return value;
  if (mType == kTypeBool || mType == kTypeEnum)
    return 0.0;

  value = std::strtod(text, nullptr); // 0.0 when no number leads the text
  if ((mFlags & DisplayNegated) != 0)
    value = -value;
  return ClampToRange(value);
}

const char* IParam::LabelForHost() const
{
  // trunc on the double: the same as an int truncation in int's range, and defined outside it.
  const ValueText* entry = FindDisplayText(std::trunc(Value()));
  return entry != nullptr && entry->mText[0] != '\0' ? "" : mLabel;
}

const char* IParam::GetDisplayText(int index, double* value) const
{
  if (index < 0 || index >= NDisplayTexts())
    return "";
  const ValueText& entry = mDisplayTexts[static_cast<size_t>(index)];
  if (value != nullptr)
    *value = entry.mValue;
  return entry.mText;
}

const char* IParam::DisplayTextForValue(double value) const
{
  const ValueText* entry = FindDisplayText(value);
  return entry != nullptr ? entry->mText : "";
}

bool IParam::MapDisplayText(const char* text, double* value) const
{
  if (text == nullptr)
    return false;
  for (const ValueText& entry : mDisplayTexts)
  {
    if (std::strcmp(entry.mText, text) == 0)
    {
      if (value != nullptr)
        *value = entry.mValue;
      return true;
    }
  }
  return false;
}

void IParam::GetJSON(std::string& json, int index) const
{
  json += "{";
  AppendFormatted(json, "\"id\":%i, ", index);
  AppendFormatted(json, "\"name\":\"%s\", ", mName);
  switch (mType)
  {
  case kTypeBool: json += "\"type\":\"bool\", "; break;
  case kTypeInt: json += "\"type\":\"int\", "; break;
  case kTypeEnum: json += "\"type\":\"enum\", "; break;
  case kTypeDouble: json += "\"type\":\"float\", "; break;
  case kTypeNone: break;
  }
  AppendFormatted(json, "\"min\":%f, ", mMin);
  AppendFormatted(json, "\"max\":%f, ", mMax);
  AppendFormatted(json, "\"default\":%f, ", mDefault);
  json += "\"rate\":\"control\"";
  json += "}";
}

} // namespace iplug
