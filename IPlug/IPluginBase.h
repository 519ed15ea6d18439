#pragma once
// The plug-in's identity (names, ids, version, the host it runs in), its preset slots, and the
// conversion of every parameter value to and from the flat state bytes the host stores.

#include <cstdint>
#include <string>
#include <vector>

#include "IPlug/IGEditorDelegate.h"
#include "IPlug/PluginConfig.h"
#include "IPlug/StateBuffer.h"

namespace iplug {

struct IPreset
{
  static constexpr int kMaxNameLength = 255;
  bool mInitialized = false;
  std::string mName = "empty";
  StateBuffer mState;
};

class IPluginBase : public IGEditorDelegate
{
public:
  static constexpr int kMaxIdentityLength = 128;
  static constexpr int kMaxVersionTextLength = 32;

  // construction (UI thread); copies the identity, creates the parameters (undefined) and the presets
  IPluginBase(const PluginConfig& config, int apiCode);
  ~IPluginBase() override;

  // host thread. Appends every parameter's real value as a float64, in index order.
  bool SerializeParams(StateBuffer& chunk) const;
  // host thread. Reads the values from `startPos`, stepped and clamped, then re-notifies every
  // parameter. Returns the position after the last value, or -1 when the chunk ran short.
  int UnserializeParams(const StateBuffer& chunk, int startPos);

  // host thread; the whole state. The base writes and reads the parameters only.
  virtual bool WriteState(StateBuffer& chunk) const;
  virtual int ReadState(const StateBuffer& chunk, int startPos);
  // host thread; how every format but AAX restores. A state shorter than the one this version writes
  // would restore only part of the instance: it changes nothing and is refused (false). A state taken is
  // shown in the editor. Safe beside a running block: the values are atomics the next block reads.
  bool RestoreWholeState(const void* data, size_t size);

  // any thread
  const char* GetPluginName() const { return mPluginName.c_str(); }
  const char* GetProductName() const { return mProductName.c_str(); }
  const char* GetMakerName() const { return mMakerName.c_str(); }
  const char* GetBundleID() const { return mBundleID.c_str(); }
  uint32_t GetUniqueID() const { return mUniqueID; }
  uint32_t GetMakerID() const { return mMakerID; }
  int GetAPI() const { return mAPI; }
  bool StateAsChunks() const { return mStateAsChunks; }
  bool HasEditor() const { return mHasEditor; }
  bool HostMayResizeEditor() const { return mHostResize; }

  // any thread. Packed (major in bits 31..16, minor 15..8, patch 7..0) or as major·10000 + minor·100 + patch.
  int GetPluginVersion(bool decimal) const;
  // "v%d.%d.%d"
  std::string GetPluginVersionStr() const;
  int GetHostVersion(bool decimal) const;
  std::string GetHostVersionStr() const;
  // -1 until the host is identified, then its code (0 unknown)
  int GetHost() const { return mHost; }

  // UI thread
  int NPresets() const { return static_cast<int>(mPresets.size()); }
  const IPreset* GetPreset(int index) const;
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }

  static int UnpackDecimalVersion(int packed);
  static std::string FormatVersion(int packed);

protected:
  void SetHostCode(int host, int version)
  {
    mHost = host;
    mHostVersion = version;
  }

private:
  int mCurrentPresetIdx = 0;
  bool mStateAsChunks;
  std::string mPluginName;
  std::string mProductName;
  std::string mMakerName;
  uint32_t mUniqueID;
  uint32_t mMakerID;
  int mVersion;
  int mHostVersion = 0;
  int mHost = -1;
  int mAPI;
  std::string mBundleID;
  bool mHasEditor;
  bool mHostResize;
  std::vector<IPreset> mPresets;
};

} // namespace iplug
