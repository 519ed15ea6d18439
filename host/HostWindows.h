#pragma once
// The host's own windows around a plug-in editor, one file per platform (EditorHostX11.cpp,
// EditorHostWin.cpp): the top-level window, the container window the editor opens in (on X11 the
// top-level itself; on Windows a child window inside it, as DAWs have), and the window system's events
// for them. EditorHost drives it; main thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::host {

class HostWindows
{
public:
  // An X11 window id or an HWND.
  using NativeWindow = std::uintptr_t;

  static std::unique_ptr<HostWindows> Make();
  virtual ~HostWindows() = default;

  // Connects to the window system (again: nothing). With screenScale > 0 the display announces that density
  // for as long as this object lives, where the platform lets a program do that; false with a reason.
  virtual bool Connect(double screenScale, std::string& error) = 0;
  // A shown top-level window whose client area, and the container in it, are width x height pixels.
  virtual bool Create(int width, int height, std::string& error) = 0;
  // The windows go (the editor must have closed first).
  virtual void Destroy() = 0;
  // The top-level's client area and the container take this size.
  virtual void Resize(int width, int height) = 0;

  virtual NativeWindow TopLevel() const = 0;
  virtual NativeWindow Container() const = 0;
  // The container's first child (the editor's window), 0 when none.
  virtual NativeWindow EditorWindow() const = 0;
  virtual void TopLevelSize(int& width, int& height) const = 0;
  // The window system's events for the host's own windows (on Windows the module's message pump has
  // dispatched them already).
  virtual void Pump() = 0;
  // The top-level's pixels as RGB rows, top row first.
  virtual bool Capture(std::vector<uint8_t>& rgb, int& width, int& height, std::string& error) const = 0;
  // The X11 Display* (null on Windows).
  virtual void* Display() const = 0;

  // Keys the editor passed on to the top-level, and whether someone asked the top-level to close.
  int KeysForwarded() const { return mKeysForwarded; }
  bool CloseRequested() const { return mCloseRequested; }

protected:
  int mKeysForwarded = 0;
  bool mCloseRequested = false;
};

} // namespace quorvane::host
