#pragma once
// Pointer events sent to a window as the X server would deliver them, for tests that drive an editor.

#include <X11/Xlib.h>

namespace quorvane::test {

// A button press or release, or a motion (button 0). Pointer events share their leading fields
// (window, time, position, state), so one layout serves all three; a motion's button field is its
// (unset) hint flag. Flushed, not waited for.
inline void SendPointerEvent(Display* display, Window window, int type, int x, int y, unsigned int state,
                             unsigned int button, unsigned long time)
{
  XEvent e{};
  e.xbutton.type = type;
  e.xbutton.display = display;
  e.xbutton.window = window;
  e.xbutton.root = DefaultRootWindow(display);
  e.xbutton.time = time;
  e.xbutton.x = x;
  e.xbutton.y = y;
  e.xbutton.state = state;
  e.xbutton.button = button;
  e.xbutton.same_screen = True;
  const long mask = type == ButtonPress ? ButtonPressMask : type == ButtonRelease ? ButtonReleaseMask : PointerMotionMask;
  XSendEvent(display, window, False, mask, &e);
  XFlush(display);
}

} // namespace quorvane::test
