// The Windows window's ticks from the display's vertical blank: a thread per open window waits for each
// blank of the window's display and posts it to the window, falling back to a 16 ms sleep.
#include "editor/platform/IGraphicsWin.h"

#include <memory>

#include "editor/platform/IGraphicsWin_Shared.h"

namespace iplug::igraphics {

namespace {

constexpr DWORD kVBlankSleepMs = 16;
constexpr DWORD kAdapterRetryMs = 1000;

// The kernel's display calls, declared here as gdi32 exports them (no SDK header for them in mingw).
using D3DKMT_HANDLE = UINT;
struct D3DKMTOpenAdapterFromHdcArgs
{
  HDC hDc;
  D3DKMT_HANDLE hAdapter;
  LUID AdapterLuid;
  UINT VidPnSourceId;
};
struct D3DKMTCloseAdapterArgs
{
  D3DKMT_HANDLE hAdapter;
};
struct D3DKMTWaitForVerticalBlankEventArgs
{
  D3DKMT_HANDLE hAdapter;
  D3DKMT_HANDLE hDevice;
  UINT VidPnSourceId;
};
using OpenAdapterFn = LONG(APIENTRY*)(D3DKMTOpenAdapterFromHdcArgs*);
using CloseAdapterFn = LONG(APIENTRY*)(D3DKMTCloseAdapterArgs*);
using WaitForVBlankFn = LONG(APIENTRY*)(D3DKMTWaitForVerticalBlankEventArgs*);

} // namespace

namespace win {

// The version the system really is: RtlGetVersion is not subject to the compatibility manifest that
// makes GetVersionEx answer 6.2 to every program that does not declare Windows 8.1 or later.
bool SystemHasVerticalBlankWaits()
{
  using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  const auto getVersion = ProcAddress<RtlGetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  RTL_OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (getVersion == nullptr || getVersion(&info) != 0)
    return false;
  return platform::HasVerticalBlankWaits(info.dwMajorVersion, info.dwMinorVersion);
}

} // namespace win

using win::ProcAddress;

DWORD WINAPI IGraphicsWin::VBlankThread(void* param)
{
  const std::unique_ptr<std::shared_ptr<VBlankShared>> holder(static_cast<std::shared_ptr<VBlankShared>*>(param));
  VBlankShared& shared = **holder;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);

  const HMODULE gdi = LoadLibraryW(L"gdi32.dll");
  const auto openAdapter = ProcAddress<OpenAdapterFn>(gdi, "D3DKMTOpenAdapterFromHdc");
  const auto closeAdapter = ProcAddress<CloseAdapterFn>(gdi, "D3DKMTCloseAdapter");
  const auto waitForVBlank = ProcAddress<WaitForVBlankFn>(gdi, "D3DKMTWaitForVerticalBlankEvent");
  const bool canWait = openAdapter && closeAdapter && waitForVBlank;

  bool adapterOpen = false;
  D3DKMT_HANDLE adapter = 0;
  UINT source = 0;
  bool failedBefore = false;
  DWORD lastFailure = 0;
  while (!shared.stop.load())
  {
    if (!canWait)
    {
      Sleep(kVBlankSleepMs);
    }
    else if (!adapterOpen)
    {
      // An adapter that would not open is asked again at most once a second; ticks go on meanwhile.
      if (failedBefore && GetTickCount() - lastFailure < kAdapterRetryMs)
      {
        Sleep(kVBlankSleepMs);
      }
      else
      {
        const HDC dc = GetDC(shared.window);
        D3DKMTOpenAdapterFromHdcArgs args{};
        args.hDc = dc;
        if (dc != nullptr && openAdapter(&args) >= 0)
        {
          adapterOpen = true;
          adapter = args.hAdapter;
          source = args.VidPnSourceId;
        }
        else
        {
          failedBefore = true;
          lastFailure = GetTickCount();
        }
        if (dc != nullptr)
          ReleaseDC(shared.window, dc);
        if (!adapterOpen)
          Sleep(kVBlankSleepMs);
      }
    }
    else
    {
      D3DKMTWaitForVerticalBlankEventArgs args{};
      args.hAdapter = adapter;
      args.VidPnSourceId = source;
      if (waitForVBlank(&args) < 0)
      {
        D3DKMTCloseAdapterArgs close{adapter};
        closeAdapter(&close);
        adapterOpen = false;
        Sleep(kVBlankSleepMs);
      }
    }
    const std::uint32_t counter = shared.counter.fetch_add(1) + 1;
    PostMessageW(shared.window, kVBlankMessage, static_cast<WPARAM>(counter), 0);
  }
  if (adapterOpen)
  {
    D3DKMTCloseAdapterArgs close{adapter};
    closeAdapter(&close);
  }
  if (gdi)
    FreeLibrary(gdi);
  return 0;
}

void IGraphicsWin::OnVBlank(std::uint32_t posted)
{
  if (mVBlank && mVBlankGate.Serve(posted, mVBlank->counter.load()))
    Tick();
}

} // namespace iplug::igraphics
