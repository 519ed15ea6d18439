// The host's editor windows on X11: one top-level window that is also the view container's window, the
// server's Xft.dpi set while a density is announced, and the window's pixels read back with XGetImage.

#include "host/HostWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

namespace quorvane::host {

namespace {

// The server's resource string with its Xft.dpi line replaced (or added).
std::string WithDpi(const std::string& resources, double dpi)
{
  std::string out;
  std::size_t start = 0;
  while (start < resources.size())
  {
    std::size_t end = resources.find('\n', start);
    if (end == std::string::npos)
      end = resources.size();
    const std::string line = resources.substr(start, end - start);
    if (line.rfind("Xft.dpi:", 0) != 0 && !line.empty())
      out += line + "\n";
    start = end + 1;
  }
  char entry[64];
  std::snprintf(entry, sizeof entry, "Xft.dpi:\t%g\n", dpi);
  return out + entry;
}

class X11Windows final : public HostWindows
{
public:
  X11Windows() = default;
  ~X11Windows() override;
  X11Windows(const X11Windows&) = delete;
  X11Windows& operator=(const X11Windows&) = delete;

  bool Connect(double screenScale, std::string& error) override;
  bool Create(int width, int height, std::string& error) override;
  void Destroy() override;
  void Resize(int width, int height) override;
  NativeWindow TopLevel() const override { return mTopLevel; }
  // The editor opens straight in the top-level window.
  NativeWindow Container() const override { return mTopLevel; }
  NativeWindow EditorWindow() const override;
  void TopLevelSize(int& width, int& height) const override;
  void Pump() override;
  bool Capture(std::vector<uint8_t>& rgb, int& width, int& height, std::string& error) const override;
  void* Display() const override { return mDisplay; }

private:
  void SetScreenDensity(double scale);
  void RestoreScreenDensity();

  ::Display* mDisplay = nullptr;
  Window mTopLevel = 0;
  Atom mDeleteAtom = 0;
  bool mDensityChanged = false;
  bool mHadResources = false;
  std::string mSavedResources;
};

X11Windows::~X11Windows()
{
  Destroy();
  RestoreScreenDensity();
  if (mDisplay)
    XCloseDisplay(mDisplay);
}

bool X11Windows::Connect(double screenScale, std::string& error)
{
  if (mDisplay == nullptr)
    mDisplay = XOpenDisplay(nullptr);
  if (mDisplay == nullptr)
  {
    error = "cannot open the X display (is DISPLAY set? run under xvfb-run for a virtual one)";
    return false;
  }
  if (screenScale > 0.0)
    SetScreenDensity(screenScale);
  return true;
}

void X11Windows::SetScreenDensity(double scale)
{
  const Window root = DefaultRootWindow(mDisplay);
  const Atom property = XInternAtom(mDisplay, "RESOURCE_MANAGER", False);
  if (!mDensityChanged)
  {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(mDisplay, root, property, 0, 1 << 16, False, XA_STRING, &type, &format, &count,
                           &remaining, &data) == Success &&
        type == XA_STRING && data)
    {
      mHadResources = true;
      mSavedResources.assign(reinterpret_cast<char*>(data), count);
    }
    if (data)
      XFree(data);
  }
  const std::string updated = WithDpi(mSavedResources, 96.0 * scale);
  XChangeProperty(mDisplay, root, property, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(updated.data()), static_cast<int>(updated.size()));
  XSync(mDisplay, False);
  mDensityChanged = true;
}

void X11Windows::RestoreScreenDensity()
{
  if (!mDensityChanged || mDisplay == nullptr)
    return;
  const Atom property = XInternAtom(mDisplay, "RESOURCE_MANAGER", False);
  if (mHadResources)
    XChangeProperty(mDisplay, DefaultRootWindow(mDisplay), property, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(mSavedResources.data()),
                    static_cast<int>(mSavedResources.size()));
  else
    XDeleteProperty(mDisplay, DefaultRootWindow(mDisplay), property);
  XSync(mDisplay, False);
  mDensityChanged = false;
}

bool X11Windows::Create(int width, int height, std::string& error)
{
  XSetWindowAttributes wa{};
  wa.background_pixel = BlackPixel(mDisplay, DefaultScreen(mDisplay));
  wa.event_mask = StructureNotifyMask | KeyPressMask | KeyReleaseMask;
  mTopLevel = XCreateWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, static_cast<unsigned int>(width),
                            static_cast<unsigned int>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixel | CWEventMask, &wa);
  if (mTopLevel == 0)
  {
    error = "cannot create the host window";
    return false;
  }
  XStoreName(mDisplay, mTopLevel, "Quorvane");
  mDeleteAtom = XInternAtom(mDisplay, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(mDisplay, mTopLevel, &mDeleteAtom, 1);
  XMapWindow(mDisplay, mTopLevel);
  XSync(mDisplay, False);
  return true;
}

void X11Windows::Destroy()
{
  if (mTopLevel == 0)
    return;
  XDestroyWindow(mDisplay, mTopLevel);
  XSync(mDisplay, False);
  mTopLevel = 0;
}

void X11Windows::Resize(int width, int height)
{
  if (mTopLevel == 0)
    return;
  XResizeWindow(mDisplay, mTopLevel, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
  XSync(mDisplay, False);
}

HostWindows::NativeWindow X11Windows::EditorWindow() const
{
  if (mTopLevel == 0)
    return 0;
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  NativeWindow child = 0;
  if (XQueryTree(mDisplay, mTopLevel, &root, &parent, &children, &n) && n > 0)
    child = children[0];
  if (children)
    XFree(children);
  return child;
}

void X11Windows::TopLevelSize(int& width, int& height) const
{
  width = height = 0;
  if (mTopLevel == 0)
    return;
  XWindowAttributes a{};
  XGetWindowAttributes(mDisplay, mTopLevel, &a);
  width = a.width;
  height = a.height;
}

void X11Windows::Pump()
{
  if (mDisplay == nullptr)
    return;
  while (XPending(mDisplay))
  {
    XEvent e;
    XNextEvent(mDisplay, &e);
    if (e.type == KeyPress && e.xkey.window == mTopLevel)
      ++mKeysForwarded;
    else if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == mDeleteAtom)
      mCloseRequested = true;
  }
}

bool X11Windows::Capture(std::vector<uint8_t>& rgb, int& width, int& height, std::string& error) const
{
  TopLevelSize(width, height);
  XImage* image = XGetImage(mDisplay, mTopLevel, 0, 0, static_cast<unsigned int>(width),
                            static_cast<unsigned int>(height), AllPlanes, ZPixmap);
  if (image == nullptr)
  {
    error = "cannot read the window's pixels";
    return false;
  }
  rgb.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
    {
      const unsigned long p = XGetPixel(image, x, y);
      uint8_t* out = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      out[0] = static_cast<uint8_t>((p & image->red_mask) >> __builtin_ctzl(image->red_mask));
      out[1] = static_cast<uint8_t>((p & image->green_mask) >> __builtin_ctzl(image->green_mask));
      out[2] = static_cast<uint8_t>((p & image->blue_mask) >> __builtin_ctzl(image->blue_mask));
    }
  XDestroyImage(image);
  return true;
}

} // namespace

std::unique_ptr<HostWindows> HostWindows::Make() { return std::make_unique<X11Windows>(); }

} // namespace quorvane::host
