#include "IPlug/IPluginBase.h"

#include <cstdio>
#include <limits>

namespace iplug {

namespace {

std::string Bounded(const char* text, size_t maxLength)
{
  std::string s = text != nullptr ? text : "";
  if (s.size() > maxLength)
    s.resize(maxLength);
  return s;
}

} // namespace

IPluginBase::IPluginBase(const PluginConfig& config, int apiCode)
  : IGEditorDelegate(config.mParamCount)
  , mStateAsChunks(config.mStateAsChunks)
  , mPluginName(Bounded(config.mPluginName, kMaxIdentityLength))
  , mProductName(Bounded(config.mProductName, kMaxIdentityLength))
  , mMakerName(Bounded(config.mMakerName, kMaxIdentityLength))
  , mUniqueID(config.mUniqueId)
  , mMakerID(config.mMakerId)
  , mVersion(config.mVersion)
  , mAPI(apiCode)
  , mBundleID(Bounded(config.mBundleId, kMaxIdentityLength))
  , mHasEditor(config.mHasEditor)
  , mHostResize(config.mHostMayResizeEditor)
  , mPresets(static_cast<size_t>(config.mPresetCount > 0 ? config.mPresetCount : 0))
{
}

IPluginBase::~IPluginBase() = default;

bool IPluginBase::SerializeParams(StateBuffer& chunk) const
{
  for (int i = 0; i < NParams(); ++i)
    chunk.Put(GetParam(i)->Value());
  return true;
}

int IPluginBase::UnserializeParams(const StateBuffer& chunk, int startPos)
{
  int pos = startPos;
  for (int i = 0; i < NParams() && pos >= 0; ++i)
  {
    double value = 0.0;
    pos = chunk.Get(value, pos);
    // A chunk that ends inside this value leaves it as it was rather than forcing it to 0.
    if (pos >= 0)
      GetParam(i)->Set(value);
  }
  NotifyAllParamsChanged(kPresetRecall);
  return pos;
}

bool IPluginBase::WriteState(StateBuffer& chunk) const { return SerializeParams(chunk); }

int IPluginBase::ReadState(const StateBuffer& chunk, int startPos) { return UnserializeParams(chunk, startPos); }

bool IPluginBase::RestoreWholeState(const void* data, size_t size)
{
  StateBuffer current;
  WriteState(current);
  if (data == nullptr || size < static_cast<size_t>(current.Size()) ||
      size > static_cast<size_t>(std::numeric_limits<int>::max()))
    return false;
  const StateBuffer state(data, static_cast<int>(size));
  ReadState(state, 0);
  OnStateRestored();
  return true;
}

int IPluginBase::UnpackDecimalVersion(int packed)
{
  const int major = (packed >> 16) & 0xFFFF;
  const int minor = (packed >> 8) & 0xFF;
  const int patch = packed & 0xFF;
  return major * 10000 + minor * 100 + patch;
}

std::string IPluginBase::FormatVersion(int packed)
{
  char text[kMaxVersionTextLength + 1];
  std::snprintf(text, sizeof text, "v%d.%d.%d", (packed >> 16) & 0xFFFF, (packed >> 8) & 0xFF, packed & 0xFF);
  return text;
}

int IPluginBase::GetPluginVersion(bool decimal) const { return decimal ? UnpackDecimalVersion(mVersion) : mVersion; }

std::string IPluginBase::GetPluginVersionStr() const { return FormatVersion(mVersion); }

int IPluginBase::GetHostVersion(bool decimal) const
{
  return decimal ? UnpackDecimalVersion(mHostVersion) : mHostVersion;
}

std::string IPluginBase::GetHostVersionStr() const { return FormatVersion(mHostVersion); }

const IPreset* IPluginBase::GetPreset(int index) const
{
  if (index < 0 || index >= NPresets())
    return nullptr;
  return &mPresets[static_cast<size_t>(index)];
}

} // namespace iplug
