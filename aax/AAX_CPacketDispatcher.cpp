#include "aax/AAX_CPacketDispatcher.h"

#include <string_view>

void AAX_CPacketDispatcher::Initialize(AAX_IController* controller)
{
  AAX_StLock_Guard guard(mMutex);
  mController = controller;
}

AAX_Result AAX_CPacketDispatcher::RegisterPacket(AAX_CParamID id, AAX_CFieldIndex field, Handler handler)
{
  if (id == nullptr || !handler)
    return AAX_ERROR_NULL_OBJECT;
  AAX_StLock_Guard guard(mMutex);
  mPackets.emplace(id, Packet{id, field, std::move(handler), true, {}});
  return AAX_SUCCESS;
}

AAX_Result AAX_CPacketDispatcher::SetDirty(AAX_CParamID id, bool dirty)
{
  if (id == nullptr)
    return AAX_SUCCESS;
  AAX_StLock_Guard guard(mMutex);
  const auto [first, last] = mPackets.equal_range(std::string_view(id));
  for (auto it = first; it != last; ++it)
    it->second.mDirty = dirty;
  return AAX_SUCCESS;
}

AAX_Result AAX_CPacketDispatcher::Dispatch()
{
  AAX_StLock_Guard guard(mMutex);
  for (auto& [id, packet] : mPackets)
  {
    if (!packet.mDirty)
      continue;
    packet.mDirty = false;
    if (const AAX_Result result = packet.mHandler(packet.mID.c_str(), packet.mData); result != AAX_SUCCESS)
      return result;
    if (mController == nullptr)
      return AAX_ERROR_NOT_INITIALIZED;
    const AAX_Result posted = mController->PostPacket(packet.mField, packet.mData.data(),
                                                      static_cast<uint32_t>(packet.mData.size()));
    if (posted != AAX_SUCCESS)
      return posted;
  }
  return AAX_SUCCESS;
}
