#pragma once
// The host's side of a plug-in editor on X11: a top-level window that is the view container's parent,
// the editor object made by the module's create procedure 1, and the main-thread loop that pumps the
// run loop (the editor's timers and painting) and the host window's own events.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "aax/AAX_Interfaces.h"
#include "host/HostInstance.h"

namespace quorvane::host {

class HostModule;
class HostViewContainer;

class EditorHost final
{
public:
  using XID = unsigned long;

  // main thread
  EditorHost(HostModule& module, HostInstance& instance);
  // main thread; closes the editor and the window, restores the screen density it changed
  ~EditorHost();

  EditorHost(const EditorHost&) = delete;
  EditorHost& operator=(const EditorHost&) = delete;

  // main thread; connects to the X server. With screenScale > 0 the server's Xft.dpi is set to
  // 96 x screenScale for as long as this object lives (the way a desktop announces its density).
  bool Connect(double screenScale, std::string& error);
  // main thread; creates the editor object (once), the host window and opens the editor in it
  bool Open(std::string& error);
  // main thread; the editor closes, the window goes; the editor object stays for a later Open
  void Close();
  bool IsOpen() const { return mTopLevel != 0; }

  // main thread; one pass: the run loop's due timers, then the host window's events
  void Pump();
  // main thread; pumps for `ms` milliseconds, calling `between` before each pass when given
  void PumpFor(int ms, const std::function<void()>& between = {});

  // main thread; pumps until the window shows something other than the host window's black (the
  // editor's first frame reached the screen), calling `between` before each pass; false on timeout
  bool WaitForFirstFrame(int timeoutMs, const std::function<void()>& between = {});
  // main thread; the window's pixels as RGB rows (top row first)
  bool Capture(std::vector<uint8_t>& rgb, int& width, int& height, std::string& error) const;
  bool Screenshot(const std::string& path, std::string& error) const;

  // main thread; the plug-in's answer to GetViewSize
  AAX_Point ViewSize() const;
  // main thread; the host window and the editor's child window inside it (0 when none)
  XID TopLevel() const { return mTopLevel; }
  XID EditorWindow() const;
  // main thread; the host window's size in pixels
  void TopLevelSize(int& width, int& height) const;
  // the X connection the host uses (an X11 Display*)
  void* Display() const { return mDisplay; }
  HostViewContainer& Container() { return *mContainer; }
  AAX_IEffectGUI* GUI() const { return mGUI.get(); }
  // main thread; keys the editor passed on to the host window
  int KeysForwarded() const { return mKeysForwarded; }
  // main thread; true once the window manager or the user asked the window to close
  bool CloseRequested() const { return mCloseRequested; }

private:
  void SetScreenDensity(double scale);
  void RestoreScreenDensity();

  HostModule& mModule;
  HostInstance& mInstance;
  void* mDisplay = nullptr;
  XID mTopLevel = 0;
  EffectGUIPtr mGUI;
  std::unique_ptr<HostViewContainer> mContainer;
  bool mDensityChanged = false;
  bool mHadResources = false;
  std::string mSavedResources;
  int mKeysForwarded = 0;
  bool mCloseRequested = false;
  unsigned long mDeleteAtom = 0;
};

} // namespace quorvane::host
