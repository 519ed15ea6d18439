#pragma once
// An AAX parameter: identifier, name, value, a taper delegate (normalized <-> real) and a display
// delegate (real <-> text). The value is a whole-value atomic: the audio thread may read it while a host
// thread updates it. Setting a value asks the host (touch, set-value request, release); the value itself
// changes only when the host answers with an update.

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>

#include "aax/AAX.h"
#include "aax/AAX_Delegates.h"
#include "aax/AAX_Interfaces.h"

// A value copied out of a parameter (the synchronized hand-off keeps these).
class AAX_IParameterValue
{
public:
  virtual ~AAX_IParameterValue() = default;
  virtual std::unique_ptr<AAX_IParameterValue> Clone() const = 0;
  virtual AAX_CParamID Identifier() const = 0;
  virtual bool GetValueAsBool(bool* value) const = 0;
  virtual bool GetValueAsInt32(int32_t* value) const = 0;
  virtual bool GetValueAsDouble(double* value) const = 0;
};

class AAX_IParameter
{
public:
  virtual ~AAX_IParameter() = default;

  // Fixed after creation: any thread.
  virtual AAX_CParamID Identifier() const = 0;
  virtual const std::string& Name() const = 0;
  virtual std::string ShortenedName(int32_t length) const = 0;
  virtual bool Automatable() const = 0;
  virtual int32_t GetNumberOfSteps() const = 0;
  virtual AAX_EParameterType GetType() const = 0;
  virtual double GetNormalizedDefaultValue() const = 0;
  // creation time
  virtual void SetNumberOfSteps(int32_t steps) = 0;
  virtual void SetType(AAX_EParameterType type) = 0;
  virtual void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) = 0;

  // Value: any thread, audio thread included (no allocation).
  virtual double GetNormalizedValue() const = 0;
  virtual bool GetValueAsBool(bool* value) const = 0;
  virtual bool GetValueAsInt32(int32_t* value) const = 0;
  virtual bool GetValueAsDouble(double* value) const = 0;
  // host thread: stores without telling the host (its answer to a request, automation, chunk)
  virtual void UpdateNormalizedValue(double normalized) = 0;

  // Towards the host (host or UI thread): touch, set-value request, release; stored directly when
  // no automation delegate is there to ask.
  virtual void SetNormalizedValue(double normalized) = 0;
  virtual void Touch() = 0;
  virtual void Release() = 0;

  // Text: not the audio thread.
  virtual bool GetValueString(int32_t maxChars, std::string* text) const = 0;
  virtual bool GetStringFromNormalizedValue(double normalized, int32_t maxChars, std::string* text) const = 0;
  virtual bool GetNormalizedValueFromString(const std::string& text, double* normalized) const = 0;

  // any thread but the audio thread (allocates)
  virtual std::unique_ptr<AAX_IParameterValue> CloneValue() const = 0;
};

// A typed read succeeds only for the type the value is stored as.
template <typename Stored, typename Wanted>
bool AAX_ReadValueAs(Stored stored, Wanted* out)
{
  if constexpr (std::is_same_v<Stored, Wanted>)
  {
    *out = stored;
    return true;
  }
  else
    return false;
}

template <typename T>
class AAX_CParameterValue final : public AAX_IParameterValue
{
public:
  AAX_CParameterValue(std::string id, T value) : mID(std::move(id)), mValue(value) {}
  std::unique_ptr<AAX_IParameterValue> Clone() const override { return std::make_unique<AAX_CParameterValue>(*this); }
  AAX_CParamID Identifier() const override { return mID.c_str(); }
  bool GetValueAsBool(bool* value) const override { return AAX_ReadValueAs(mValue, value); }
  bool GetValueAsInt32(int32_t* value) const override { return AAX_ReadValueAs(mValue, value); }
  bool GetValueAsDouble(double* value) const override { return AAX_ReadValueAs(mValue, value); }

private:
  std::string mID;
  T mValue;
};

template <typename T>
class AAX_CParameter final : public AAX_IParameter
{
  static_assert(std::atomic<T>::is_always_lock_free, "the audio thread reads parameter values");

public:
  AAX_CParameter(std::string id, std::string name, T defaultValue, const AAX_ITaperDelegate<T>& taper,
                 const AAX_IDisplayDelegate<T>& display, bool automatable)
    : mID(std::move(id))
    , mName(std::move(name))
    , mDefault(taper.ConstrainRealValue(defaultValue))
    , mValue(mDefault)
    , mTaper(taper.Clone())
    , mDisplay(display.Clone())
    , mAutomatable(automatable)
  {
  }

  AAX_CParamID Identifier() const override { return mID.c_str(); }
  const std::string& Name() const override { return mName; }
  std::string ShortenedName(int32_t length) const override
  {
    return length <= 0 ? std::string() : mName.substr(0, static_cast<size_t>(length));
  }
  bool Automatable() const override { return mAutomatable; }
  int32_t GetNumberOfSteps() const override { return mSteps; }
  AAX_EParameterType GetType() const override { return mType; }
  double GetNormalizedDefaultValue() const override { return mTaper->RealToNormalized(mDefault); }
  void SetNumberOfSteps(int32_t steps) override { mSteps = steps; }
  void SetType(AAX_EParameterType type) override { mType = type; }
  void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) override { mAutomation = delegate; }

  double GetNormalizedValue() const override { return mTaper->RealToNormalized(GetValue()); }
  T GetValue() const { return mValue.load(std::memory_order_relaxed); }
  T GetDefaultValue() const { return mDefault; }
  bool GetValueAsBool(bool* value) const override { return AAX_ReadValueAs(GetValue(), value); }
  bool GetValueAsInt32(int32_t* value) const override { return AAX_ReadValueAs(GetValue(), value); }
  bool GetValueAsDouble(double* value) const override { return AAX_ReadValueAs(GetValue(), value); }
  void UpdateNormalizedValue(double normalized) override
  {
    mValue.store(mTaper->NormalizedToReal(Sanitize(normalized)), std::memory_order_relaxed);
  }

  void SetNormalizedValue(double normalized) override
  {
    normalized = Sanitize(normalized);
    if (mAutomation == nullptr)
    {
      UpdateNormalizedValue(normalized);
      return;
    }
    mAutomation->TouchParameter(Identifier());
    mAutomation->PostSetValueRequest(Identifier(), normalized);
    mAutomation->ReleaseParameter(Identifier());
  }
  void Touch() override
  {
    if (mAutomation != nullptr)
      mAutomation->TouchParameter(Identifier());
  }
  void Release() override
  {
    if (mAutomation != nullptr)
      mAutomation->ReleaseParameter(Identifier());
  }

  bool GetValueString(int32_t maxChars, std::string* text) const override
  {
    return mDisplay->ValueToString(GetValue(), maxChars, text);
  }
  bool GetStringFromNormalizedValue(double normalized, int32_t maxChars, std::string* text) const override
  {
    return mDisplay->ValueToString(mTaper->NormalizedToReal(Sanitize(normalized)), maxChars, text);
  }
  bool GetNormalizedValueFromString(const std::string& text, double* normalized) const override
  {
    T value{};
    if (!mDisplay->StringToValue(text, &value))
      return false;
    *normalized = mTaper->RealToNormalized(mTaper->ConstrainRealValue(value));
    return true;
  }
  std::unique_ptr<AAX_IParameterValue> CloneValue() const override
  {
    return std::make_unique<AAX_CParameterValue<T>>(mID, GetValue());
  }

  const AAX_ITaperDelegate<T>& TaperDelegate() const { return *mTaper; }
  const AAX_IDisplayDelegate<T>& DisplayDelegate() const { return *mDisplay; }

private:
  // Host values outside [0, 1] (or NaN) never reach a taper.
  static double Sanitize(double normalized)
  {
    if (!(normalized >= 0.0))
      return 0.0;
    return normalized > 1.0 ? 1.0 : normalized;
  }

  std::string mID;
  std::string mName;
  T mDefault;
  std::atomic<T> mValue;
  std::unique_ptr<AAX_ITaperDelegate<T>> mTaper;
  std::unique_ptr<AAX_IDisplayDelegate<T>> mDisplay;
  bool mAutomatable;
  int32_t mSteps = 128;
  AAX_EParameterType mType = AAX_eParameterType_Continuous;
  AAX_IAutomationDelegate* mAutomation = nullptr;
};
