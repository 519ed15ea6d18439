#include "host/EditorHost.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include "host/AudioFile.h"
#include "host/AudioThread.h"
#include "host/Commands.h"
#include "host/Demo.h"
#include "host/HostInstance.h"
#include "host/HostModule.h"
#include "host/HostViewContainer.h"
#include "host/Session.h"

namespace quorvane::host {

namespace {

::Display* X(void* display) { return static_cast<::Display*>(display); }

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

} // namespace

EditorHost::EditorHost(HostModule& module, HostInstance& instance) : mModule(module), mInstance(instance) {}

EditorHost::~EditorHost()
{
  Close();
  mGUI.reset();
  RestoreScreenDensity();
  if (mDisplay)
    XCloseDisplay(X(mDisplay));
}

bool EditorHost::Connect(double screenScale, std::string& error)
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

void EditorHost::SetScreenDensity(double scale)
{
  ::Display* d = X(mDisplay);
  const Window root = DefaultRootWindow(d);
  const Atom property = XInternAtom(d, "RESOURCE_MANAGER", False);
  if (!mDensityChanged)
  {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, root, property, 0, 1 << 16, False, XA_STRING, &type, &format, &count, &remaining,
                           &data) == Success &&
        type == XA_STRING && data)
    {
      mHadResources = true;
      mSavedResources.assign(reinterpret_cast<char*>(data), count);
    }
    if (data)
      XFree(data);
  }
  const std::string updated = WithDpi(mSavedResources, 96.0 * scale);
  XChangeProperty(d, root, property, XA_STRING, 8, PropModeReplace, reinterpret_cast<const unsigned char*>(updated.data()),
                  static_cast<int>(updated.size()));
  XSync(d, False);
  mDensityChanged = true;
}

void EditorHost::RestoreScreenDensity()
{
  if (!mDensityChanged || mDisplay == nullptr)
    return;
  ::Display* d = X(mDisplay);
  const Atom property = XInternAtom(d, "RESOURCE_MANAGER", False);
  if (mHadResources)
    XChangeProperty(d, DefaultRootWindow(d), property, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(mSavedResources.data()),
                    static_cast<int>(mSavedResources.size()));
  else
    XDeleteProperty(d, DefaultRootWindow(d), property);
  XSync(d, False);
  mDensityChanged = false;
}

bool EditorHost::Open(std::string& error)
{
  if (mDisplay == nullptr && !Connect(0.0, error))
    return false;
  if (mTopLevel != 0)
    return true;
  if (mGUI == nullptr)
  {
    mGUI = mInstance.CreateEffectGUI(error);
    if (!mGUI)
      return false;
  }

  ::Display* d = X(mDisplay);
  AAX_Point size = ViewSize();
  const unsigned int w = size.horz >= 1.0f ? static_cast<unsigned int>(size.horz) : 605u;
  const unsigned int h = size.vert >= 1.0f ? static_cast<unsigned int>(size.vert) : 602u;
  XSetWindowAttributes wa{};
  wa.background_pixel = BlackPixel(d, DefaultScreen(d));
  wa.event_mask = StructureNotifyMask | KeyPressMask | KeyReleaseMask;
  mTopLevel = XCreateWindow(d, DefaultRootWindow(d), 0, 0, w, h, 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixel | CWEventMask, &wa);
  if (mTopLevel == 0)
  {
    error = "cannot create the host window";
    return false;
  }
  XStoreName(d, mTopLevel, "Quorvane");
  Atom deleteAtom = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, mTopLevel, &deleteAtom, 1);
  mDeleteAtom = deleteAtom;
  XMapWindow(d, mTopLevel);
  XSync(d, False);

  mContainer = std::make_unique<HostViewContainer>(static_cast<std::uintptr_t>(mTopLevel));
  mContainer->SetResizeFunc([this](float width, float height) {
    if (mTopLevel != 0 && width >= 1.0f && height >= 1.0f)
    {
      XResizeWindow(X(mDisplay), mTopLevel, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
      XFlush(X(mDisplay));
    }
  });
  mGUI->SetViewContainer(mContainer.get());
  if (EditorWindow() == 0)
  {
    error = "the editor did not open (no OpenGL 2 on this display?)";
    Close();
    return false;
  }
  // Opening may have restored a stored size or zoom: the window takes the size the view has now.
  size = ViewSize();
  if (size.horz >= 1.0f && size.vert >= 1.0f &&
      (static_cast<unsigned int>(size.horz) != w || static_cast<unsigned int>(size.vert) != h))
    XResizeWindow(d, mTopLevel, static_cast<unsigned int>(size.horz), static_cast<unsigned int>(size.vert));
  XSync(d, False);
  return true;
}

void EditorHost::Close()
{
  if (mTopLevel == 0)
    return;
  if (mGUI)
    mGUI->SetViewContainer(nullptr);
  mContainer.reset();
  XDestroyWindow(X(mDisplay), mTopLevel);
  XSync(X(mDisplay), False);
  mTopLevel = 0;
}

AAX_Point EditorHost::ViewSize() const
{
  AAX_Point size{};
  if (mGUI)
    mGUI->GetViewSize(&size);
  return size;
}

EditorHost::XID EditorHost::EditorWindow() const
{
  if (mTopLevel == 0)
    return 0;
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  XID child = 0;
  if (XQueryTree(X(mDisplay), mTopLevel, &root, &parent, &children, &n) && n > 0)
    child = children[0];
  if (children)
    XFree(children);
  return child;
}

void EditorHost::TopLevelSize(int& width, int& height) const
{
  width = height = 0;
  if (mTopLevel == 0)
    return;
  XWindowAttributes a{};
  XGetWindowAttributes(X(mDisplay), mTopLevel, &a);
  width = a.width;
  height = a.height;
}

void EditorHost::Pump()
{
  mModule.PumpRunLoop();
  ::Display* d = X(mDisplay);
  if (d == nullptr)
    return;
  while (XPending(d))
  {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == KeyPress && e.xkey.window == mTopLevel)
      ++mKeysForwarded;
    else if (e.type == ClientMessage && static_cast<unsigned long>(e.xclient.data.l[0]) == mDeleteAtom)
      mCloseRequested = true;
  }
}

void EditorHost::PumpFor(int ms, const std::function<void()>& between)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end)
  {
    if (between)
      between();
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

bool EditorHost::WaitForFirstFrame(int timeoutMs, const std::function<void()>& between)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<uint8_t> rgb;
  int w = 0;
  int h = 0;
  std::string error;
  while (std::chrono::steady_clock::now() < end)
  {
    PumpFor(20, between);
    if (!Capture(rgb, w, h, error))
      return false;
    for (std::size_t i = 0; i < rgb.size(); i += 3 * 97)
      if (rgb[i] != 0 || rgb[i + 1] != 0 || rgb[i + 2] != 0)
        return true;
  }
  return false;
}

bool EditorHost::Capture(std::vector<uint8_t>& rgb, int& width, int& height, std::string& error) const
{
  if (mTopLevel == 0)
  {
    error = "no editor window to capture";
    return false;
  }
  TopLevelSize(width, height);
  XImage* image = XGetImage(X(mDisplay), mTopLevel, 0, 0, static_cast<unsigned int>(width),
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

bool EditorHost::Screenshot(const std::string& path, std::string& error) const
{
  std::vector<uint8_t> rgb;
  int w = 0;
  int h = 0;
  if (!Capture(rgb, w, h, error))
    return false;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(w);
  png.height = static_cast<png_uint_32>(h);
  png.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(png, size, 0, rgb.data(), 0, nullptr))
  {
    error = "cannot encode the screenshot";
    return false;
  }
  std::vector<uint8_t> bytes(size);
  if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, rgb.data(), 0, nullptr))
  {
    error = "cannot encode the screenshot";
    return false;
  }
  bytes.resize(size);
  AtomicFile file;
  if (!file.Create(path, error) || !file.WriteBytes(bytes.data(), bytes.size(), error) || !file.Commit(error))
    return false;
  return true;
}

// --------------------------------------------------------------------------------- the command

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

} // namespace

int RunEditor(const CommandLine& cl)
{
  constexpr double kRate = 48000.0;
  constexpr int kBlock = 512;
  std::string error;

  Session session(cl);
  auto instance = session.Open(kStereoComponent, kRate, kBlock, error);
  if (!instance)
    return Fail(error);
  std::vector<std::string> settings = DemoSettings();
  settings.insert(settings.end(), cl.sets.begin(), cl.sets.end());
  if (!ApplyAssignments(*instance, settings, error))
    return Fail(error);

  EditorHost editor(session.Module(), *instance);
  if (!editor.Connect(cl.scale, error) || !editor.Open(error))
    return Fail(error);

  // The programme plays in a loop on the audio thread, paced in real time, so the needle moves.
  const Audio programme = SynthesiseDemoProgramme(kRate, 8.0);
  std::vector<std::vector<float>> out(2, std::vector<float>(kBlock));
  float* outputs[2] = {out[0].data(), out[1].data()};
  const float* inputs[2] = {nullptr, nullptr};
  AudioThread audio(*instance);
  int64_t position = 0;
  int64_t blocksRendered = 0;
  const auto start = std::chrono::steady_clock::now();
  auto nextBlock = start;
  bool blockOut = false;
  auto feed = [&] {
    const auto now = std::chrono::steady_clock::now();
    if (now < nextBlock)
      return;
    if (blockOut)
      audio.Wait();
    if (position + kBlock > programme.Frames())
      position = 0;
    inputs[0] = programme.channels[0].data() + position;
    inputs[1] = programme.channels[1].data() + position;
    audio.Start(inputs, nullptr, outputs, kBlock);
    blockOut = true;
    position += kBlock;
    ++blocksRendered;
    nextBlock += std::chrono::microseconds(static_cast<int64_t>(1e6 * kBlock / kRate));
  };

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  int result = 0;
  if (!cl.screenshot.empty())
  {
    // The first frame, then long enough for the meter to settle on the programme and for several
    // editor frames after it.
    if (!editor.WaitForFirstFrame(10000, feed))
      result = Fail("the editor drew nothing within 10 s");
    else if (editor.PumpFor(2500, feed), !editor.Screenshot(cl.screenshot, error))
      result = Fail(error);
    else
      std::printf("wrote %s (%d blocks rendered while the editor ran)\n", cl.screenshot.c_str(),
                  static_cast<int>(blocksRendered));
  }
  else
  {
    const auto until = start + std::chrono::duration<double>(cl.seconds);
    while (!gStop && !editor.CloseRequested() && (cl.seconds <= 0.0 || std::chrono::steady_clock::now() < until))
      editor.PumpFor(50, feed);
  }
  if (blockOut)
    audio.Wait();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  return result;
}

} // namespace quorvane::host
