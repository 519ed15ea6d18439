#include "editor/platform/IGraphicsLinux.h"

#include <epoxy/gl.h>
#include <epoxy/glx.h>

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "IPlug/IGEditorDelegate.h"
#include "IPlug/IPlugTimer.h"
#include "editor/platform/PlatformRules.h"

namespace iplug::igraphics {

namespace {

// One connection to the X server for every editor of the process, opened with the first window and
// kept: servers do not always accept connections opened and closed in quick succession, and a host
// opens and closes editors often.
Display* SharedDisplay()
{
  static std::mutex mutex;
  static Display* display = nullptr;
  std::lock_guard lock(mutex);
  if (display == nullptr)
    display = XOpenDisplay(nullptr);
  return display;
}

// Xlib's default error handler ends the process. A host may destroy its window (and with it ours)
// before it lets the editor close; the X and GLX calls that then name our window fail, and must not
// take the host down. While a trap lives, errors are counted instead; the previous handler comes back
// after. UI thread only, as every call on the editor's connection is.
class XErrorTrap
{
public:
  explicit XErrorTrap(Display* display)
    : mDisplay(display)
  {
    XSync(mDisplay, False);
    sErrors = 0;
    mPrevious = XSetErrorHandler(&Count);
  }
  ~XErrorTrap()
  {
    XSync(mDisplay, False);
    XSetErrorHandler(mPrevious);
  }
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;

  // Whether any request so far failed (waits for the server's answers).
  bool Failed() const
  {
    XSync(mDisplay, False);
    return sErrors != 0;
  }

private:
  static int Count(Display*, XErrorEvent*)
  {
    ++sErrors;
    return 0;
  }

  static inline int sErrors = 0;
  Display* mDisplay;
  XErrorHandler mPrevious;
};

// What the window listens to.
constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                            LeaveWindowMask | KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask;

// Press-to-press time and distance within which a second press is a double-click.
constexpr unsigned long kDoubleClickMs = 400;
constexpr int kDoubleClickPixels = 4;

// X key symbols to the virtual-key codes the editor's key handling uses.
int32_t VirtualKeyFor(KeySym sym)
{
  if (sym >= XK_a && sym <= XK_z)
    return static_cast<int32_t>('A' + (sym - XK_a));
  if (sym >= XK_A && sym <= XK_Z)
    return static_cast<int32_t>('A' + (sym - XK_A));
  if (sym >= XK_0 && sym <= XK_9)
    return static_cast<int32_t>('0' + (sym - XK_0));
  if (sym >= XK_F1 && sym <= XK_F12)
    return static_cast<int32_t>(0x70 + (sym - XK_F1));
  switch (sym)
  {
    case XK_BackSpace: return 0x08;
    case XK_Tab: return 0x09;
    case XK_Return:
    case XK_KP_Enter: return 0x0D;
    case XK_Shift_L:
    case XK_Shift_R: return 0x10;
    case XK_Control_L:
    case XK_Control_R: return 0x11;
    case XK_Alt_L:
    case XK_Alt_R: return 0x12;
    case XK_Escape: return 0x1B;
    case XK_space: return 0x20;
    case XK_Page_Up: return 0x21;
    case XK_Page_Down: return 0x22;
    case XK_End: return 0x23;
    case XK_Home: return 0x24;
    case XK_Left: return 0x25;
    case XK_Up: return 0x26;
    case XK_Right: return 0x27;
    case XK_Down: return 0x28;
    case XK_Insert: return 0x2D;
    case XK_Delete: return 0x2E;
    default: return 0;
  }
}

unsigned int XCursorFor(ECursor cursor)
{
  switch (cursor)
  {
    case ECursor::ARROW: return XC_left_ptr;
    case ECursor::IBEAM: return XC_xterm;
    case ECursor::WAIT: return XC_watch;
    case ECursor::CROSS: return XC_crosshair;
    case ECursor::UPARROW: return XC_sb_up_arrow;
    case ECursor::SIZENWSE: return XC_bottom_right_corner;
    case ECursor::SIZENESW: return XC_bottom_left_corner;
    case ECursor::SIZEWE: return XC_sb_h_double_arrow;
    case ECursor::SIZENS: return XC_sb_v_double_arrow;
    case ECursor::SIZEALL: return XC_fleur;
    case ECursor::INO: return XC_X_cursor;
    case ECursor::HAND: return XC_hand2;
    case ECursor::APPSTARTING: return XC_watch;
    case ECursor::HELP: return XC_question_arrow;
  }
  return XC_left_ptr;
}

} // namespace

struct IGraphicsLinux::XState
{
  Display* display = nullptr;
  Colormap colormap = 0;
  Visual* visual = nullptr; // the window's, for a stand-in when the window is gone
  int depth = 0;
  GLXContext context = nullptr;
  Cursor shapeCursor = 0;
  Cursor invisibleCursor = 0;
  // The context current before each activation, restored afterwards.
  Display* previousDisplay = nullptr;
  GLXContext previousContext = nullptr;
  GLXDrawable previousDraw = 0;
  GLXDrawable previousRead = 0;
};

IGraphicsLinux::IGraphicsLinux(IGEditorDelegate& dlg, int w, int h, int fps, float drawScale)
  : IGraphicsNanoVG(dlg, w, h, fps, drawScale), mX(std::make_unique<XState>())
{
}

IGraphicsLinux::~IGraphicsLinux()
{
  if (mWindow)
    ClosePlatformWindow();
}

int IGraphicsLinux::TimerIntervalMs(int fps)
{
  return platform::TimerIntervalMs(fps);
}

float IGraphicsLinux::ScaleFromResources(const char* resources)
{
  if (resources == nullptr)
    return 1.0f;
  const char* entry = std::strstr(resources, "Xft.dpi:");
  if (entry == nullptr)
    return 1.0f;
  char* end = nullptr;
  const double dpi = std::strtod(entry + 8, &end);
  if (end == entry + 8 || !(dpi > 0.0) || dpi > 9600.0 || dpi == 96.0)
    return 1.0f;
  return static_cast<float>(dpi / 96.0);
}

// Read from the root window each time (Xlib's copy is taken at connection), so a density change made
// while the editor is open reaches it on the next tick.
float IGraphicsLinux::ReadScreenScale() const
{
  if (mX->display == nullptr)
    return 1.0f;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const Atom property = XInternAtom(mX->display, "RESOURCE_MANAGER", True);
  if (property == None ||
      XGetWindowProperty(mX->display, DefaultRootWindow(mX->display), property, 0, 1 << 16, False, XA_STRING, &type,
                         &format, &count, &remaining, &data) != Success)
    return 1.0f;
  const float scale = (type == XA_STRING && format == 8 && data) ? ScaleFromResources(reinterpret_cast<char*>(data)) : 1.0f;
  if (data)
    XFree(data);
  return scale;
}

const IResourceSource& IGraphicsLinux::GetResourceSource() const
{
  static const TableResourceSource kNoResources({});
  return mResources ? *mResources : kNoResources;
}

// ------------------------------------------------------------------------------------ open / close

void* IGraphicsLinux::OpenPlatformWindow(void* parent)
{
  const XID parentWindow = static_cast<XID>(reinterpret_cast<std::uintptr_t>(parent));
  Display* display = SharedDisplay();
  if (display == nullptr || parentWindow == 0)
    return nullptr;

  mX->display = display;
  const int si = std::max(1, static_cast<int>(ReadScreenScale()));

  // Reopening on the same object keeps the window's place and size.
  int x = 0;
  int y = 0;
  unsigned int w = static_cast<unsigned int>(si * WindowWidth());
  unsigned int h = static_cast<unsigned int>(si * WindowHeight());
  if (mWindow)
  {
    Window root = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    XGetGeometry(display, mWindow, &root, &x, &y, &w, &h, &border, &depth);
    ClosePlatformWindow();
    mX->display = display;
  }
  mParent = parentWindow;

  const int attribs[] = {GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
                         GLX_DOUBLEBUFFER, True, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                         GLX_DEPTH_SIZE, 24, GLX_STENCIL_SIZE, 8, None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attribs, &count);
  if (configs == nullptr || count == 0)
  {
    if (configs)
      XFree(configs);
    ReleaseWindow();
    return nullptr;
  }
  const GLXFBConfig config = configs[0];
  XFree(configs);
  XVisualInfo* visual = glXGetVisualFromFBConfig(display, config);
  if (visual == nullptr)
  {
    ReleaseWindow();
    return nullptr;
  }

  mX->colormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
  XSetWindowAttributes wa{};
  wa.colormap = mX->colormap;
  wa.border_pixel = 0;
  wa.background_pixmap = None;
  wa.event_mask = kEventMask;
  mWindow = XCreateWindow(display, mParent, x, y, std::max(1u, w), std::max(1u, h), 0, visual->depth, InputOutput,
                          visual->visual, CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &wa);
  mX->visual = visual->visual;
  mX->depth = visual->depth;
  XFree(visual);
  mX->context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
  if (mWindow == 0 || mX->context == nullptr)
  {
    ReleaseWindow();
    return nullptr;
  }
  XMapWindow(display, mWindow);
  XFlush(display);

  bool ready = false;
  if (ActivateGLContext())
  {
    ready = OnViewInitialized();
    DeactivateGLContext();
  }
  if (!ready)
  {
    ReleaseWindow();
    return nullptr;
  }

  ApplyScreenScale(static_cast<float>(si));
  ApplyPlatformCursor(GetPointerShape());

  mTimer = Timer::Create([this](Timer&) { Tick(); }, static_cast<uint32_t>(TimerIntervalMs(FPS())));
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(mWindow));
}

void IGraphicsLinux::ClosePlatformWindow()
{
  if (mWindow == 0)
    return;
  mTimer.reset();
  Display* display = mX->display;
  XErrorTrap trap(display);
  // Is the window still there? A host may have destroyed it with its own. Then an unmapped stand-in of
  // the same visual takes its place while the renderer lets go of its resources.
  XWindowAttributes attributes{};
  const XID window = mWindow;
  XID standIn = 0;
  if (XGetWindowAttributes(display, window, &attributes) == 0 || trap.Failed())
  {
    XSetWindowAttributes wa{};
    wa.colormap = mX->colormap;
    wa.border_pixel = 0;
    standIn = XCreateWindow(display, RootWindow(display, DefaultScreen(display)), 0, 0, 1, 1, 0, mX->depth, InputOutput,
                            mX->visual, CWColormap | CWBorderPixel, &wa);
    mWindow = standIn;
  }
  // Controls go first, with the context current: their bitmaps belong to the renderer.
  const bool active = ActivateGLContext();
  RemoveAllControls();
  OnViewDestroyed();
  if (active)
    DeactivateGLContext();
  if (standIn != 0)
  {
    XDestroyWindow(display, standIn);
    mWindow = window;
  }
  ReleaseWindow();
}

void IGraphicsLinux::ReleaseWindow()
{
  Display* display = mX->display;
  if (display)
  {
    if (mX->context)
    {
      if (glXGetCurrentContext() == mX->context)
        glXMakeContextCurrent(display, None, None, nullptr);
      glXDestroyContext(display, mX->context);
    }
    if (mWindow)
      XDestroyWindow(display, mWindow);
    if (mX->colormap)
      XFreeColormap(display, mX->colormap);
    if (mX->shapeCursor)
      XFreeCursor(display, mX->shapeCursor);
    if (mX->invisibleCursor)
      XFreeCursor(display, mX->invisibleCursor);
    XSync(display, False);
  }
  *mX = XState{};
  mWindow = 0;
  mParent = 0;
  mCaptured = false;
  mLocked = false;
}

bool IGraphicsLinux::ActivateGLContext()
{
  if (mX->context == nullptr || mWindow == 0)
    return false;
  mX->previousContext = glXGetCurrentContext();
  mX->previousDisplay = glXGetCurrentDisplay();
  mX->previousDraw = glXGetCurrentDrawable();
  mX->previousRead = glXGetCurrentReadDrawable();
  return glXMakeContextCurrent(mX->display, mWindow, mWindow, mX->context);
}

void IGraphicsLinux::DeactivateGLContext()
{
  if (mX->previousContext && mX->previousDisplay)
    glXMakeContextCurrent(mX->previousDisplay, mX->previousDraw, mX->previousRead, mX->previousContext);
  else if (mX->display)
    glXMakeContextCurrent(mX->display, None, None, nullptr);
  mX->previousContext = nullptr;
  mX->previousDisplay = nullptr;
}

// --------------------------------------------------------------------------------- tick and paint

void IGraphicsLinux::Tick()
{
  if (mWindow == 0)
    return;
  ProcessEvents();
  if (mWindow == 0)
    return;
  // Not while a button is held: a corner drag releases the controls' capture on every resize step, but
  // the user is still dragging.
  if (!mCaptured)
  {
    const float scale = ReadScreenScale();
    if (scale != GetScreenScale())
      ApplyScreenScale(scale);
  }
  IRectList rects;
  if (NeedsRedraw(rects))
  {
    MarkAllClean();
    Paint(rects);
  }
}

void IGraphicsLinux::Paint(IRectList& rects)
{
  if (!ActivateGLContext())
    return;
  Draw(rects);
  glXSwapBuffers(mX->display, mWindow);
  DeactivateGLContext();
  ++mFramesPainted;
}

void IGraphicsLinux::ProcessEvents()
{
  Display* display = mX->display;
  // Only this window's events: other editors of the process share the connection.
  XEvent event;
  while (mWindow != 0 && XCheckWindowEvent(display, mWindow, kEventMask, &event))
    HandleEvent(&event);
  // A new keyboard layout reaches every client; Xlib's copy of the key map must follow it.
  while (XCheckTypedEvent(display, MappingNotify, &event))
    XRefreshKeyboardMapping(&event.xmapping);
}

IPointerMods IGraphicsLinux::ModsFromState(unsigned int state, bool left, bool right) const
{
  IPointerMods mods;
  mods.L = left;
  mods.R = right;
  mods.S = (state & ShiftMask) != 0;
  mods.C = (state & ControlMask) != 0;
  mods.A = (state & Mod1Mask) != 0;
  return mods;
}

void IGraphicsLinux::PointerFromPixels(int px, int py, float& x, float& y)
{
  const float scale = GetDrawScale() * GetScreenScale();
  x = static_cast<float>(px) / scale;
  y = static_cast<float>(py) / scale;
  RememberPointer(x, y);
}

void IGraphicsLinux::HandleEvent(void* rawEvent)
{
  XEvent& event = *static_cast<XEvent*>(rawEvent);
  switch (event.type)
  {
    case Expose:
    {
      if (event.xexpose.count == 0)
      {
        IRectList all;
        all.Add(IBounds(0.0f, 0.0f, static_cast<float>(Width()), static_cast<float>(Height())));
        Paint(all);
      }
      break;
    }
    case ButtonPress:
    {
      const XButtonEvent& b = event.xbutton;
      float x = 0.0f;
      float y = 0.0f;
      PointerFromPixels(b.x, b.y, x, y);
      if (b.button == Button4 || b.button == Button5)
      {
        WheelTurned(x, y, ModsFromState(b.state, false, false), b.button == Button4 ? 1.0f : -1.0f);
        break;
      }
      if (b.button != Button1 && b.button != Button2 && b.button != Button3)
        break;
      const IPointerMods mods = ModsFromState(b.state, b.button == Button1, b.button == Button3);
      const bool isDouble = b.button == mLastPressButton && b.button != Button2 &&
                            b.time - mLastPressTime <= kDoubleClickMs &&
                            std::abs(b.x - mLastPressX) <= kDoubleClickPixels &&
                            std::abs(b.y - mLastPressY) <= kDoubleClickPixels;
      mLastPressButton = b.button;
      mLastPressTime = b.time;
      mLastPressX = b.x;
      mLastPressY = b.y;
      XSetInputFocus(mX->display, mWindow, RevertToParent, CurrentTime);
      if (isDouble)
      {
        // A third press starts counting anew.
        mLastPressButton = 0;
        if (PointerDoubleClick(x, y, mods))
          mCaptured = true;
        break;
      }
      mCaptured = true;
      PointerDown({IPointerEvent{x, y, 0.0f, 0.0f, mods}});
      break;
    }
    case ButtonRelease:
    {
      const XButtonEvent& b = event.xbutton;
      // The middle button ends its press too, so no capture, hidden cursor or host gesture stays open.
      if (b.button != Button1 && b.button != Button2 && b.button != Button3)
        break;
      float x = 0.0f;
      float y = 0.0f;
      PointerFromPixels(b.x, b.y, x, y);
      mCaptured = false;
      PointerUp({IPointerEvent{x, y, 0.0f, 0.0f, ModsFromState(b.state, b.button == Button1, b.button == Button3)}});
      break;
    }
    case MotionNotify:
    {
      const XMotionEvent& m = event.xmotion;
      const bool left = (m.state & Button1Mask) != 0;
      const bool right = (m.state & Button3Mask) != 0;
      const bool middle = (m.state & Button2Mask) != 0;
      const float lastX = mLastPointerX;
      const float lastY = mLastPointerY;
      float x = 0.0f;
      float y = 0.0f;
      PointerFromPixels(m.x, m.y, x, y);
      if ((left || right || middle) && mCaptured)
      {
        const float dX = x - lastX;
        const float dY = y - lastY;
        if (dX != 0.0f || dY != 0.0f)
        {
          PointerDrag({IPointerEvent{x, y, dX, dY, ModsFromState(m.state, left, right)}});
          if (IsPointerLocked())
            WarpPointer(mHiddenCursorX, mHiddenCursorY);
        }
      }
      else if (!left && !right && !middle)
      {
        PointerOver(x, y, ModsFromState(m.state, false, false));
      }
      break;
    }
    case LeaveNotify:
      if (event.xcrossing.mode == NotifyNormal && !mCaptured)
        PointerLeft();
      break;
    case KeyPress:
    case KeyRelease:
    {
      XKeyEvent& k = event.xkey;
      char latin1[8] = {};
      KeySym sym = NoSymbol;
      XLookupString(&k, latin1, sizeof latin1 - 1, &sym, nullptr); // the keysym, with Shift applied
      // The text from the keysym in UTF-8 (XLookupString's own text is Latin-1: "é" would be one
      // invalid byte). xkbcommon wants room for 7 bytes; a character is at most 4 and the NUL.
      char utf8[8] = {};
      if (sym != NoSymbol)
        xkb_keysym_to_utf8(static_cast<xkb_keysym_t>(sym), utf8, sizeof utf8);
      IKeyPress key;
      std::memcpy(key.mUtf8, utf8, sizeof key.mUtf8 - 1);
      key.mVirtualKey = VirtualKeyFor(sym);
      key.mShift = (k.state & ShiftMask) != 0;
      key.mControl = (k.state & ControlMask) != 0;
      key.mAlt = (k.state & Mod1Mask) != 0;
      // Where the pointer was when the key went down, not where it is by now.
      float x = 0.0f;
      float y = 0.0f;
      PointerFromPixels(k.x, k.y, x, y);
      const bool handled = event.type == KeyPress ? OnKeyDown(x, y, key) : OnKeyUp(x, y, key);
      if (!handled)
        ForwardKeyToHost(&event);
      break;
    }
    case DestroyNotify:
      if (event.xdestroywindow.window == mWindow)
        mWindow = 0; // the host destroyed its window and ours with it
      break;
    default:
      break;
  }
}

void IGraphicsLinux::ForwardKeyToHost(void* rawEvent)
{
  XEvent event = *static_cast<XEvent*>(rawEvent);
  // The top-level ancestor: the host's own window, whose shortcuts must keep working.
  Window current = mWindow;
  Window topLevel = mParent;
  for (int depth = 0; depth < 32; ++depth)
  {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(mX->display, current, &root, &parent, &children, &n))
      break;
    if (children)
      XFree(children);
    if (parent == root || parent == 0)
    {
      topLevel = current;
      break;
    }
    current = parent;
  }
  event.xkey.window = topLevel;
  XSendEvent(mX->display, topLevel, False, event.type == KeyPress ? KeyPressMask : KeyReleaseMask, &event);
  XFlush(mX->display);
}

// ------------------------------------------------------------------------------ size and cursor

void IGraphicsLinux::ResizePlatformWindow(bool parentHasResized)
{
  if (mWindow == 0)
    return;
  unsigned int w = 0;
  unsigned int h = 0;
  WindowSize(mWindow, w, h);
  const int dW = WindowPixelWidth() - static_cast<int>(w);
  const int dH = WindowPixelHeight() - static_cast<int>(h);
  if (dW == 0 && dH == 0)
    return;
  GrowBy(mWindow, dW, dH);
  if (!parentHasResized && mParent != 0)
  {
    // The parent grows by as much; so does the grandparent when the parent is itself a child window
    // inside the host's (a host's view inside its plug-in window). Never a window manager's frame (the
    // parent then is a top-level window the manager looks after) and never the root window.
    GrowBy(mParent, dW, dH);
    Window root = 0;
    Window grandparent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(mX->display, mParent, &root, &grandparent, &children, &n))
    {
      if (children)
        XFree(children);
      if (grandparent != 0 && grandparent != root && !IsTopLevelClient(mParent))
        GrowBy(grandparent, dW, dH);
    }
  }
  XFlush(mX->display);
}

bool IGraphicsLinux::WindowSize(XID window, unsigned int& w, unsigned int& h) const
{
  Window root = 0;
  int x = 0;
  int y = 0;
  unsigned int border = 0;
  unsigned int depth = 0;
  return XGetGeometry(mX->display, window, &root, &x, &y, &w, &h, &border, &depth) != 0;
}

void IGraphicsLinux::GrowBy(XID window, int dW, int dH)
{
  unsigned int w = 0;
  unsigned int h = 0;
  if (WindowSize(window, w, h))
    XResizeWindow(mX->display, window, static_cast<unsigned int>(std::max(1, static_cast<int>(w) + dW)),
                  static_cast<unsigned int>(std::max(1, static_cast<int>(h) + dH)));
}

// A window manager marks the top-level windows it manages with WM_STATE (and puts them in frames).
bool IGraphicsLinux::IsTopLevelClient(XID window) const
{
  const Atom wmState = XInternAtom(mX->display, "WM_STATE", True);
  if (wmState == None)
    return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const bool has = XGetWindowProperty(mX->display, window, wmState, 0, 0, False, AnyPropertyType, &type, &format,
                                      &items, &after, &data) == Success &&
                   type != None;
  if (data)
    XFree(data);
  return has;
}

void IGraphicsLinux::HidePlatformPointer(bool hide, bool lock)
{
  if (mWindow == 0)
    return;
  if (hide)
  {
    mLocked = lock;
    if (mX->invisibleCursor == 0)
    {
      static const char empty[8] = {};
      const Pixmap blank = XCreateBitmapFromData(mX->display, mWindow, empty, 8, 8);
      XColor black{};
      mX->invisibleCursor = XCreatePixmapCursor(mX->display, blank, blank, &black, &black, 0, 0);
      XFreePixmap(mX->display, blank);
    }
    XDefineCursor(mX->display, mWindow, mX->invisibleCursor);
  }
  else
  {
    // A locked cursor returns to where it was hidden.
    if (mLocked)
      WarpPointer(mHiddenCursorX, mHiddenCursorY);
    mLocked = false;
    ApplyPlatformCursor(GetPointerShape());
  }
  XFlush(mX->display);
}

void IGraphicsLinux::WarpPointer(float x, float y)
{
  if (mWindow == 0)
    return;
  const float scale = GetDrawScale() * GetScreenScale();
  const int px = static_cast<int>(std::lround(x * scale));
  const int py = static_cast<int>(std::lround(y * scale));
  XWarpPointer(mX->display, None, mWindow, 0, 0, 0, 0, px, py);
  Window root = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int winX = px;
  int winY = py;
  unsigned int mask = 0;
  XQueryPointer(mX->display, mWindow, &root, &child, &rootX, &rootY, &winX, &winY, &mask);
  // Where the pointer really is: a synthetic position (the pointer outside the screen) reads back.
  float landedX = 0.0f;
  float landedY = 0.0f;
  PointerFromPixels(winX, winY, landedX, landedY);
  mHiddenCursorX = landedX;
  mHiddenCursorY = landedY;
}

void IGraphicsLinux::ApplyPlatformCursor(ECursor cursor)
{
  if (mWindow == 0)
    return;
  if (mX->shapeCursor)
    XFreeCursor(mX->display, mX->shapeCursor);
  mX->shapeCursor = XCreateFontCursor(mX->display, XCursorFor(cursor));
  if (!IsPointerHidden())
    XDefineCursor(mX->display, mWindow, mX->shapeCursor);
  XFlush(mX->display);
}

void IGraphicsLinux::CreatePlatformTextEntry(int, const ITextStyle&, const IBounds&, int, const char*)
{
  // No control of this editor prompts for text.
}

IPopupMenu* IGraphicsLinux::CreatePlatformPopupMenu(IPopupMenu&, const IBounds&, bool& isAsync)
{
  // No control of this editor prompts with a menu: dismissed at once.
  isAsync = false;
  return nullptr;
}

} // namespace iplug::igraphics
