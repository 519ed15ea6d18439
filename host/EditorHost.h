#pragma once
// The host's side of a plug-in editor: its windows (HostWindows.h: a top-level window holding the view
// container's window), the editor object made by the module's create procedure 1, and the main-thread
// loop that pumps the plug-ins' timers, the editor's painting and the host windows' own events.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "aax/AAX_Interfaces.h"
#include "host/HostInstance.h"
#include "host/HostWindows.h"

namespace quorvane::host {

class HostModule;
class HostViewContainer;

class EditorHost final
{
public:
  using NativeWindow = HostWindows::NativeWindow;

  // main thread
  EditorHost(HostModule& module, HostInstance& instance);
  // main thread; closes the editor and the window, restores the screen density it changed
  ~EditorHost();

  EditorHost(const EditorHost&) = delete;
  EditorHost& operator=(const EditorHost&) = delete;

  // main thread; connects to the window system. With screenScale > 0 on X11 the server's Xft.dpi is set to
  // 96 x screenScale for as long as this object lives (the way a desktop announces its density); Windows
  // takes the density from the system and refuses a scale with a reason.
  bool Connect(double screenScale, std::string& error);
  // main thread; creates the editor object (once), the host windows and opens the editor in them
  bool Open(std::string& error);
  // main thread; the editor closes, the windows go; the editor object stays for a later Open
  void Close();
  bool IsOpen() const { return mWindows->TopLevel() != 0; }

  // main thread; one pass: the plug-ins' due timers (and on Windows every message of the thread), then the
  // host windows' events
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
  // main thread; the host's top-level window, the container handed to the editor (on X11 the top-level
  // itself) and the editor's window inside it (0 when none)
  NativeWindow TopLevel() const { return mWindows->TopLevel(); }
  NativeWindow ContainerWindow() const { return mWindows->Container(); }
  NativeWindow EditorWindow() const { return mWindows->EditorWindow(); }
  // main thread; the top-level window's client size in pixels
  void TopLevelSize(int& width, int& height) const { mWindows->TopLevelSize(width, height); }
  // the X connection the host uses (an X11 Display*; null on Windows)
  void* Display() const { return mWindows->Display(); }
  HostViewContainer& Container() { return *mContainer; }
  AAX_IEffectGUI* GUI() const { return mGUI.get(); }
  // main thread; keys the editor passed on to the host window
  int KeysForwarded() const { return mWindows->KeysForwarded(); }
  // main thread; true once the window manager or the user asked the window to close
  bool CloseRequested() const { return mWindows->CloseRequested(); }

private:
  HostModule& mModule;
  HostInstance& mInstance;
  EffectGUIPtr mGUI;
  std::unique_ptr<HostViewContainer> mContainer;
  std::unique_ptr<HostWindows> mWindows;
};

} // namespace quorvane::host
