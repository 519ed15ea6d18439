#pragma once
// Coefficient packets: a parameter identifier marked dirty makes its registered packets be built and
// posted to their context fields on the next coefficient pass. The packet map is guarded by the
// re-entrant writer mutex (a handler may mark further identifiers dirty).

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "aax/AAX_CMutex.h"
#include "aax/AAX_Interfaces.h"

class AAX_CPacketDispatcher
{
public:
  // Fills `packet` for the identifier; a non-zero result stops the pass.
  using Handler = std::function<AAX_Result(AAX_CParamID id, std::vector<uint8_t>& packet)>;

  // set-up
  void Initialize(AAX_IController* controller);
  // set-up; one packet for `field`, rebuilt whenever `id` is marked dirty
  AAX_Result RegisterPacket(AAX_CParamID id, AAX_CFieldIndex field, Handler handler);
  // host thread; finds nothing (and succeeds) for an identifier without packets
  AAX_Result SetDirty(AAX_CParamID id, bool dirty = true);
  // host thread, the coefficient pass: build and post every dirty packet
  AAX_Result Dispatch();

private:
  struct Packet
  {
    std::string mID;
    AAX_CFieldIndex mField = 0;
    Handler mHandler;
    bool mDirty = false;
    std::vector<uint8_t> mData;
  };

  AAX_CMutex mMutex;
  AAX_IController* mController = nullptr;
  std::multimap<std::string, Packet, std::less<>> mPackets;
};
