#pragma once
// Taper delegates (normalized <-> real value) and display delegates (real value <-> host text) of the
// AAX parameters. Text operations may allocate: never on the audio thread.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <type_traits>

template <typename T>
class AAX_ITaperDelegate
{
public:
  virtual ~AAX_ITaperDelegate() = default;
  virtual std::unique_ptr<AAX_ITaperDelegate> Clone() const = 0;
  virtual T GetMinimumValue() const = 0;
  virtual T GetMaximumValue() const = 0;
  virtual T ConstrainRealValue(T value) const = 0;
  virtual T NormalizedToReal(double normalized) const = 0;
  virtual double RealToNormalized(T real) const = 0;
};

template <typename T>
class AAX_IDisplayDelegate
{
public:
  virtual ~AAX_IDisplayDelegate() = default;
  virtual std::unique_ptr<AAX_IDisplayDelegate> Clone() const = 0;
  virtual bool ValueToString(T value, std::string* text) const = 0;
  // at most maxChars characters
  virtual bool ValueToString(T value, int32_t maxChars, std::string* text) const = 0;
  virtual bool StringToValue(const std::string& text, T* value) const = 0;
};

// ------------------------------------------------------------------------------------------- tapers
// Linear between min and max; RealPrecision 1 rounds to whole numbers.
template <typename T, int RealPrecision = 1000>
class AAX_CLinearTaperDelegate final : public AAX_ITaperDelegate<T>
{
public:
  AAX_CLinearTaperDelegate(T minValue, T maxValue) : mMin(minValue), mMax(maxValue) {}
  std::unique_ptr<AAX_ITaperDelegate<T>> Clone() const override
  {
    return std::make_unique<AAX_CLinearTaperDelegate>(*this);
  }
  T GetMinimumValue() const override { return mMin; }
  T GetMaximumValue() const override { return mMax; }
  T ConstrainRealValue(T value) const override
  {
    if (mMin == mMax)
      return mMin;
    const T lo = std::min(mMin, mMax);
    const T hi = std::max(mMin, mMax);
    return std::clamp(value, lo, hi);
  }
  T NormalizedToReal(double normalized) const override
  {
    double real = static_cast<double>(mMin) + normalized * (static_cast<double>(mMax) - static_cast<double>(mMin));
    if (RealPrecision > 0)
      real = std::floor(real * RealPrecision + 0.5) / RealPrecision;
    if (!(real == real)) // NaN in: the minimum
      real = static_cast<double>(mMin);
    real = std::clamp(real, static_cast<double>(std::min(mMin, mMax)), static_cast<double>(std::max(mMin, mMax)));
    return ConstrainRealValue(static_cast<T>(real));
  }
  double RealToNormalized(T real) const override
  {
    if (mMin == mMax)
      return 0.5;
    real = ConstrainRealValue(real);
    return (static_cast<double>(real) - static_cast<double>(mMin)) /
           (static_cast<double>(mMax) - static_cast<double>(mMin));
  }

private:
  T mMin;
  T mMax;
};

// Any normalized value above 0 is true.
template <typename T>
class AAX_CBinaryTaperDelegate final : public AAX_ITaperDelegate<T>
{
public:
  std::unique_ptr<AAX_ITaperDelegate<T>> Clone() const override
  {
    return std::make_unique<AAX_CBinaryTaperDelegate>(*this);
  }
  T GetMinimumValue() const override { return false; }
  T GetMaximumValue() const override { return true; }
  T ConstrainRealValue(T value) const override { return value; }
  T NormalizedToReal(double normalized) const override { return normalized > 0.0; }
  double RealToNormalized(T real) const override { return real ? 1.0 : 0.0; }
};

// ------------------------------------------------------------------------------------------ display
// A plain number with Precision decimals and SpaceAfter trailing spaces.
template <typename T, int Precision = 2, int SpaceAfter = 0>
class AAX_CNumberDisplayDelegate final : public AAX_IDisplayDelegate<T>
{
public:
  std::unique_ptr<AAX_IDisplayDelegate<T>> Clone() const override
  {
    return std::make_unique<AAX_CNumberDisplayDelegate>(*this);
  }
  bool ValueToString(T value, std::string* text) const override
  {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.*f", Precision, static_cast<double>(value));
    *text = buffer;
    text->append(static_cast<size_t>(SpaceAfter), ' ');
    return true;
  }
  bool ValueToString(T value, int32_t maxChars, std::string* text) const override
  {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.*f", Precision, static_cast<double>(value));
    *text = buffer;
    const size_t limit = maxChars > 0 ? static_cast<size_t>(maxChars) : 0;
    if (text->size() > limit)
      text->resize(limit);
    if (maxChars > 0 && !text->empty() && text->back() == '.') // no dangling decimal point
      text->pop_back();
    const size_t room = limit > text->size() ? limit - text->size() : 0;
    text->append(std::min(room, static_cast<size_t>(SpaceAfter)), ' ');
    return true;
  }
  bool StringToValue(const std::string& text, T* value) const override
  {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double parsed = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(parsed))
      return false;
    if constexpr (std::is_integral_v<T>)
    {
      // A double beyond T's range does not convert (undefined behaviour); such text reads as T's end.
      if (parsed < static_cast<double>(std::numeric_limits<T>::lowest()))
      {
        *value = std::numeric_limits<T>::lowest();
        return true;
      }
      if (parsed >= std::ldexp(1.0, std::numeric_limits<T>::digits))
      {
        *value = std::numeric_limits<T>::max();
        return true;
      }
    }
    *value = static_cast<T>(parsed);
    return true;
  }
};

// Wraps another display delegate and appends a unit directly (no space) when it fits whole.
template <typename T>
class AAX_CUnitDisplayDelegateDecorator final : public AAX_IDisplayDelegate<T>
{
public:
  AAX_CUnitDisplayDelegateDecorator(const AAX_IDisplayDelegate<T>& inner, std::string unit)
    : mInner(inner.Clone())
    , mUnit(std::move(unit))
  {
  }
  AAX_CUnitDisplayDelegateDecorator(const AAX_CUnitDisplayDelegateDecorator& other)
    : mInner(other.mInner->Clone())
    , mUnit(other.mUnit)
  {
  }
  std::unique_ptr<AAX_IDisplayDelegate<T>> Clone() const override
  {
    return std::make_unique<AAX_CUnitDisplayDelegateDecorator>(*this);
  }
  bool ValueToString(T value, std::string* text) const override
  {
    const bool ok = mInner->ValueToString(value, text);
    *text += mUnit;
    return ok;
  }
  bool ValueToString(T value, int32_t maxChars, std::string* text) const override
  {
    const bool ok = mInner->ValueToString(value, maxChars, text);
    const size_t limit = maxChars > 0 ? static_cast<size_t>(maxChars) : 0;
    if (limit > text->size() && limit - text->size() >= mUnit.size())
      *text += mUnit;
    return ok;
  }
  bool StringToValue(const std::string& text, T* value) const override
  {
    if (!mUnit.empty() && text.size() >= mUnit.size() &&
        text.compare(text.size() - mUnit.size(), mUnit.size(), mUnit) == 0)
      return mInner->StringToValue(text.substr(0, text.size() - mUnit.size()), value);
    return mInner->StringToValue(text, value);
  }

private:
  std::unique_ptr<AAX_IDisplayDelegate<T>> mInner;
  std::string mUnit;
};

// Fixed texts keyed by value; a value without one reads "String Not Found".
template <typename T>
class AAX_CStringDisplayDelegate final : public AAX_IDisplayDelegate<T>
{
public:
  explicit AAX_CStringDisplayDelegate(std::map<T, std::string> texts) : mTexts(std::move(texts)) {}
  std::unique_ptr<AAX_IDisplayDelegate<T>> Clone() const override
  {
    return std::make_unique<AAX_CStringDisplayDelegate>(*this);
  }
  bool ValueToString(T value, std::string* text) const override
  {
    const auto found = mTexts.find(value);
    if (found == mTexts.end())
    {
      *text = "String Not Found";
      return false;
    }
    *text = found->second;
    return true;
  }
  bool ValueToString(T value, int32_t maxChars, std::string* text) const override
  {
    const bool ok = ValueToString(value, text);
    const size_t limit = maxChars > 0 ? static_cast<size_t>(maxChars) : 0;
    if (text->size() > limit)
      text->resize(limit);
    return ok;
  }
  bool StringToValue(const std::string& text, T* value) const override
  {
    for (const auto& [key, shown] : mTexts)
    {
      if (shown == text)
      {
        *value = key;
        return true;
      }
    }
    return false;
  }

private:
  std::map<T, std::string> mTexts;
};

// Two texts: one for false, one for true.
template <typename T>
class AAX_CBinaryDisplayDelegate final : public AAX_IDisplayDelegate<T>
{
public:
  AAX_CBinaryDisplayDelegate(std::string falseText, std::string trueText)
    : mFalse(std::move(falseText))
    , mTrue(std::move(trueText))
  {
  }
  std::unique_ptr<AAX_IDisplayDelegate<T>> Clone() const override
  {
    return std::make_unique<AAX_CBinaryDisplayDelegate>(*this);
  }
  bool ValueToString(T value, std::string* text) const override
  {
    *text = value ? mTrue : mFalse;
    return true;
  }
  bool ValueToString(T value, int32_t maxChars, std::string* text) const override
  {
    ValueToString(value, text);
    const size_t limit = maxChars > 0 ? static_cast<size_t>(maxChars) : 0;
    if (text->size() > limit)
      text->resize(limit);
    return true;
  }
  bool StringToValue(const std::string& text, T* value) const override
  {
    if (text == mTrue)
      *value = true;
    else if (text == mFalse)
      *value = false;
    else
      return false;
    return true;
  }

private:
  std::string mFalse;
  std::string mTrue;
};
