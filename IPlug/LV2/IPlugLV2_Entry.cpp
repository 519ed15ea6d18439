#include "IPlug/LV2/IPlugLV2_Entry.h"

#include <array>
#include <atomic>
#include <memory>
#include <string_view>

#include <lv2/state/state.h>

#include "IPlug/LV2/IPlugLV2.h"

namespace iplug {

namespace {

std::atomic<const IPlugLV2_Info*> gInfo{nullptr};

IPlugLV2* Plug(LV2_Handle handle) { return static_cast<IPlugLV2*>(handle); }

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double rate, const char*, const LV2_Feature* const* features)
{
  const IPlugLV2_Info* info = gInfo.load();
  const IPlugLV2_Variant* variant = info != nullptr && descriptor != nullptr ? info->FindVariant(descriptor->URI) : nullptr;
  if (variant == nullptr || info->mCreate == nullptr)
    return nullptr;
  try
  {
    std::unique_ptr<IPlugHosted> made(info->mCreate());
    if (!made)
      return nullptr;
    auto plug = std::make_unique<IPlugLV2>(std::move(made), *info, *variant);
    if (!plug->InstantiateDSP(rate, features))
      return nullptr;
    return plug.release();
  }
  catch (...)
  {
    return nullptr;
  }
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) { Plug(handle)->ConnectPort(port, data); }
void Activate(LV2_Handle handle) { Plug(handle)->Activate(); }
void Run(LV2_Handle handle, uint32_t frames) { Plug(handle)->Run(frames); }
void Deactivate(LV2_Handle) {} // Activate starts afresh, so stopping keeps nothing to undo
void Cleanup(LV2_Handle handle) { delete Plug(handle); }

LV2_State_Status Save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const*)
{
  try
  {
    return Plug(handle)->SaveState(store, state);
  }
  catch (...)
  {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status Restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const*)
{
  try
  {
    return Plug(handle)->RestoreState(retrieve, state);
  }
  catch (...)
  {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

const void* ExtensionData(const char* uri)
{
  static const LV2_State_Interface state = {Save, Restore};
  if (uri != nullptr && std::string_view(uri) == LV2_STATE__interface)
    return &state;
  return nullptr;
}

} // namespace

const LV2_Descriptor* IPlugLV2_Descriptor(const IPlugLV2_Info& info, uint32_t index)
{
  if (index >= static_cast<uint32_t>(info.mNumVariants) || index >= IPlugLV2_Info::kMaxVariants)
    return nullptr;
  // Made once, from the one info a module has; later calls only read the table.
  static const std::array<LV2_Descriptor, IPlugLV2_Info::kMaxVariants> descriptors = [&info] {
    gInfo.store(&info);
    std::array<LV2_Descriptor, IPlugLV2_Info::kMaxVariants> made{};
    for (int i = 0; i < info.mNumVariants && i < IPlugLV2_Info::kMaxVariants; ++i)
      made[static_cast<size_t>(i)] = {info.mVariants[i].mURI, Instantiate, ConnectPort, Activate, Run, Deactivate,
                                      Cleanup, ExtensionData};
    return made;
  }();
  return &descriptors[index];
}

} // namespace iplug
