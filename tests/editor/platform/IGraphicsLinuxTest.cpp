// The X11 window: opening inside a parent, closing and reopening, growing with the zoom, the density
// read from the server, and pointer and key events as the X server delivers them.

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "IPlug/IGEditorDelegate.h"
#include "IPlug/IPlugParameter.h"
#include "editor/controls/IBitmapControls.h"
#include "editor/platform/IGraphicsLinux.h"
#include "resources/EmbeddedResources.h"
#include "tests/support/XPointerEvents.h"

using namespace iplug::igraphics;

namespace quorvane::test {
namespace {

TEST(LinuxWindow, TickIntervalFollowsTheFrameRateButNeverBelow20ms)
{
  EXPECT_EQ(IGraphicsLinux::TimerIntervalMs(60), 15);
  EXPECT_EQ(IGraphicsLinux::TimerIntervalMs(30), 33);
  EXPECT_EQ(IGraphicsLinux::TimerIntervalMs(50), 20);
  EXPECT_EQ(IGraphicsLinux::TimerIntervalMs(0), 15);
}

TEST(LinuxWindow, DensityComesFromXftDpi)
{
  EXPECT_EQ(IGraphicsLinux::ScaleFromResources(nullptr), 1.0f);
  EXPECT_EQ(IGraphicsLinux::ScaleFromResources(""), 1.0f);
  EXPECT_EQ(IGraphicsLinux::ScaleFromResources("Xft.antialias:\t1\n"), 1.0f);
  EXPECT_EQ(IGraphicsLinux::ScaleFromResources("Xft.dpi:\t96\n"), 1.0f);
  EXPECT_EQ(IGraphicsLinux::ScaleFromResources("Xft.antialias:\t1\nXft.dpi:\t144\n"), 1.5f);
  EXPECT_EQ(IGraphicsLinux::ScaleFromResources("Xft.dpi: 192"), 2.0f);
  // Nonsense is no density at all rather than a broken one.
  EXPECT_EQ(IGraphicsLinux::ScaleFromResources("Xft.dpi:\tlots\n"), 1.0f);
  EXPECT_EQ(IGraphicsLinux::ScaleFromResources("Xft.dpi:\t-96\n"), 1.0f);
  EXPECT_EQ(IGraphicsLinux::ScaleFromResources("Xft.dpi:\t1e30\n"), 1.0f);
}

Display* TestDisplay()
{
  static Display* display = XOpenDisplay(nullptr);
  return display;
}

class WindowDelegate : public iplug::IGEditorDelegate
{
public:
  WindowDelegate() : IGEditorDelegate(2)
  {
    SetEditorSize(605, 602);
    SetSizeConstraints(302, 1210, 301, 1204);
    GetParam(0)->DefineDouble("Threshold", 0.5, 0.0, 1.0, 0.001);
    GetParam(1)->DefineBool("Bypass", false);
  }
  void BeginParamGestureFromUI(int idx) override { log.push_back("begin " + std::to_string(idx)); }
  void EndParamGestureFromUI(int idx) override { log.push_back("end " + std::to_string(idx)); }
  bool ResizeRequestFromEditor(int, int, bool) override { return false; } // the window grows its parent
  void OnEditorOpened() override
  {
    ++opened;
    IGEditorDelegate::OnEditorOpened();
  }

  std::vector<std::string> log;
  int opened = 0;
};

class LinuxWindowTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    d = TestDisplay();
    if (!d)
    {
      if (std::getenv("QUORVANE_REQUIRE_DISPLAY"))
        FAIL() << "no X display";
      GTEST_SKIP() << "no X display";
    }
    parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 605, 602, 0, 0, 0);
    XSelectInput(d, parent, KeyPressMask | StructureNotifyMask);
    XMapWindow(d, parent);
    XSync(d, False);
    dlg.SetLayoutFunc([](iplug::IGraphicsContext* context) {
      auto& ui = static_cast<IGraphicsLinux&>(*context);
      ui.AddBackground("BG.png");
      ui.AddControl(new IBKnobControl(55, 250, ui.LoadBitmapResource("AKNOB.png", 121), 0));
      ui.AddControl(new IBSwitchControl(360, 97, ui.LoadBitmapResource("BSW.png", 2), 1));
    });
    dlg.SetMakeGraphicsFunc([this]() -> std::unique_ptr<iplug::IGraphicsContext> {
      auto graphics = std::make_unique<IGraphicsLinux>(dlg, 605, 602);
      graphics->SetModuleResources(&resources);
      return graphics;
    });
  }

  // Through the delegate, as a plug-in opens its editor: the controls then get the parameters' values.
  void* Open()
  {
    void* handle = dlg.OpenEditor(Parent());
    ui = static_cast<IGraphicsLinux*>(dlg.GetUI());
    return handle;
  }

  void TearDown() override
  {
    dlg.CloseEditor();
    ui = nullptr;
    if (d && parent)
    {
      XDestroyWindow(d, parent);
      XSync(d, False);
    }
  }

  void* Parent() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)); }

  void Geometry(Window w, unsigned int& width, unsigned int& height)
  {
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    XGetGeometry(d, w, &root, &x, &y, &width, &height, &border, &depth);
  }

  std::vector<Window> Children()
  {
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    std::vector<Window> out;
    if (XQueryTree(d, parent, &root, &up, &children, &n) && children)
    {
      out.assign(children, children + n);
      XFree(children);
    }
    return out;
  }

  // The event, then one tick of the editor to take it in.
  void SendButton(int type, int x, int y, unsigned int button, unsigned int state)
  {
    SendPointerEvent(d, ui->GetWindow(), type, x, y, state, button, mTime += 1000);
    XSync(d, False);
    ui->Tick();
  }

  void SendMotion(int x, int y, unsigned int state) { SendButton(MotionNotify, x, y, 0, state); }

  void SetServerDpi(const char* resources)
  {
    const Atom property = XInternAtom(d, "RESOURCE_MANAGER", False);
    if (resources)
      XChangeProperty(d, DefaultRootWindow(d), property, XA_STRING, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(resources), static_cast<int>(std::strlen(resources)));
    else
      XDeleteProperty(d, DefaultRootWindow(d), property);
    XSync(d, False);
  }

  Display* d = nullptr;
  Window parent = 0;
  TableResourceSource resources = TableResourceSource::FromTable(quorvane::resources::All());
  WindowDelegate dlg;
  IGraphicsLinux* ui = nullptr;
  unsigned long mTime = 1000;
};

TEST_F(LinuxWindowTest, OpensInsideTheParentClosesAndReopens)
{
  ASSERT_NE(Open(), nullptr);
  XSync(d, False);
  EXPECT_EQ(Children(), std::vector<Window>{ui->GetWindow()});
  unsigned int w = 0;
  unsigned int h = 0;
  Geometry(ui->GetWindow(), w, h);
  EXPECT_EQ(w, 605u);
  EXPECT_EQ(h, 602u);
  EXPECT_EQ(ui->NControls(), 3);
  EXPECT_EQ(dlg.opened, 1);
  EXPECT_EQ(ui->LayerPixelWidth(), 605);
  ui->Tick();
  const int painted = ui->FramesPainted();
  EXPECT_GE(painted, 1);
  ui->Tick();
  EXPECT_EQ(ui->FramesPainted(), painted); // nothing dirty, nothing painted

  ui->CloseWindow();
  XSync(d, False);
  EXPECT_TRUE(Children().empty());
  EXPECT_EQ(ui->NControls(), 0);
  EXPECT_FALSE(ui->IsOpen());

  ASSERT_NE(ui->OpenWindow(Parent()), nullptr);
  XSync(d, False);
  EXPECT_EQ(Children().size(), 1u);
  EXPECT_EQ(ui->NControls(), 3);
  EXPECT_EQ(dlg.opened, 2);
}

TEST_F(LinuxWindowTest, ANonWindowParentOpensNothing)
{
  EXPECT_EQ(dlg.OpenEditor(nullptr), nullptr);
  ui = static_cast<IGraphicsLinux*>(dlg.GetUI());
  EXPECT_EQ(ui->NControls(), 0);
  EXPECT_EQ(dlg.opened, 0);
}

TEST_F(LinuxWindowTest, ZoomGrowsTheWindowAndItsParent)
{
  ASSERT_NE(Open(), nullptr);
  ui->Resize(605, 602, 2.0f, true);
  XSync(d, False);
  unsigned int w = 0;
  unsigned int h = 0;
  Geometry(ui->GetWindow(), w, h);
  EXPECT_EQ(w, 1210u);
  EXPECT_EQ(h, 1204u);
  Geometry(parent, w, h);
  EXPECT_EQ(w, 1210u);
  EXPECT_EQ(h, 1204u);
  EXPECT_EQ(ui->LayerPixelWidth(), 1210);
}

TEST_F(LinuxWindowTest, ZoomAlsoGrowsAGrandparentThatIsNotAWindowManagersFrame)
{
  // The host's view (our parent) sits inside the host's plug-in window.
  const Window host = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 705, 652, 0, 0, 0);
  XReparentWindow(d, parent, host, 50, 50);
  XMapWindow(d, host);
  XSync(d, False);
  ASSERT_NE(Open(), nullptr);
  ui->Resize(605, 602, 2.0f, true);
  XSync(d, False);
  unsigned int w = 0;
  unsigned int h = 0;
  Geometry(host, w, h);
  EXPECT_EQ(w, 705u + 605u);
  EXPECT_EQ(h, 652u + 602u);

  // A window manager's client (WM_STATE set): its parent is the manager's frame, which is not ours.
  const Atom wmState = XInternAtom(d, "WM_STATE", False);
  const long normal[2] = {1, 0};
  XChangeProperty(d, parent, wmState, wmState, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(normal), 2);
  XSync(d, False);
  ui->Resize(605, 602, 1.0f, true);
  XSync(d, False);
  Geometry(parent, w, h);
  EXPECT_EQ(w, 605u);
  Geometry(host, w, h);
  EXPECT_EQ(w, 705u + 605u) << "the frame keeps its size";

  dlg.CloseEditor();
  XReparentWindow(d, parent, DefaultRootWindow(d), 0, 0);
  XDestroyWindow(d, host);
  XSync(d, False);
}

TEST_F(LinuxWindowTest, ADensityChangeWaitsWhileTheCornerIsDragged)
{
  dlg.SetLayoutFunc([](iplug::IGraphicsContext* context) {
    auto& ui = static_cast<IGraphicsLinux&>(*context);
    ui.AddBackground("BG.png");
    ui.AddCornerResizer(EUIResizerMode::Scale, false, IColor(10, 0, 0, 0), IColor(255, 0, 0, 0),
                        IColor(255, 0, 0, 0), 20.0f);
  });
  ASSERT_NE(Open(), nullptr);
  ui->Tick();
  // Each step of a corner drag resizes, and a resize releases the controls' capture: the button is
  // still down all the same.
  SendButton(ButtonPress, 600, 597, Button1, 0);
  SendMotion(700, 697, Button1Mask);
  ASSERT_GT(ui->GetDrawScale(), 1.0f);
  SetServerDpi("Xft.dpi:\t144\n");
  SendMotion(720, 717, Button1Mask);
  EXPECT_EQ(ui->GetScreenScale(), 1.0f) << "not in the middle of a drag";
  SendButton(ButtonRelease, 720, 717, Button1, Button1Mask);
  EXPECT_EQ(ui->GetScreenScale(), 1.5f);
  SetServerDpi(nullptr);
  ui->Tick();
  EXPECT_EQ(ui->GetScreenScale(), 1.0f);
}

TEST_F(LinuxWindowTest, ADensityChangeReachesTheEditorOnTheNextTick)
{
  SetServerDpi("Xft.dpi:\t144\n");
  ASSERT_NE(Open(), nullptr);
  // Opened at the whole part of the density, then the tick applies the exact value.
  EXPECT_EQ(ui->GetScreenScale(), 1.0f);
  ui->Tick();
  EXPECT_EQ(ui->GetScreenScale(), 1.5f);
  EXPECT_EQ(ui->LayerPixelWidth(), static_cast<int>(605 * 1.5f));
  const auto* knob = static_cast<IBKnobControl*>(ui->GetControl(1));
  EXPECT_EQ(knob->GetBitmap().mAPIBitmap->SourceScale(), 2.0f);
  SetServerDpi(nullptr);
  ui->Tick();
  EXPECT_EQ(ui->GetScreenScale(), 1.0f);
}

TEST_F(LinuxWindowTest, AKnobDragHidesThePointerAndShowsItWhereThePressWas)
{
  ASSERT_NE(Open(), nullptr);
  ui->Tick();
  const double before = dlg.GetParam(0)->Value();
  SendButton(ButtonPress, 87, 282, Button1, 0);
  SendMotion(87, 262, Button1Mask);
  EXPECT_TRUE(ui->IsPointerHidden());
  EXPECT_GT(dlg.GetParam(0)->Value(), before);
  SendMotion(87, 242, Button1Mask);
  SendButton(ButtonRelease, 87, 242, Button1, Button1Mask);
  EXPECT_FALSE(ui->IsPointerHidden());
  float x = 0.0f;
  float y = 0.0f;
  ui->PointerPosition(x, y);
  EXPECT_NEAR(x, 87.0f, 1.0f);
  EXPECT_NEAR(y, 282.0f, 1.0f);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"begin 0", "end 0"}));
}

TEST_F(LinuxWindowTest, AMiddleButtonPressEndsWithItsRelease)
{
  ASSERT_NE(Open(), nullptr);
  SendButton(ButtonPress, 87, 282, Button2, 0);
  SendButton(ButtonRelease, 87, 282, Button2, Button2Mask);
  EXPECT_TRUE(ui->GetCapturedControls().empty());
  EXPECT_FALSE(ui->IsPointerHidden());
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"begin 0", "end 0"}));
}

TEST_F(LinuxWindowTest, ClicksWheelsAndDoubleClicks)
{
  ASSERT_NE(Open(), nullptr);
  SendButton(ButtonPress, 397, 134, Button1, 0);
  SendButton(ButtonRelease, 397, 134, Button1, Button1Mask);
  EXPECT_EQ(dlg.GetParam(1)->Value(), 1.0);

  const double before = dlg.GetParam(0)->Value();
  SendButton(ButtonPress, 87, 282, Button4, 0);
  EXPECT_NEAR(dlg.GetParam(0)->Value(), before + 0.01, 1e-9);
  SendButton(ButtonPress, 87, 282, Button5, 0);
  SendButton(ButtonPress, 87, 282, Button5, 0);
  EXPECT_NEAR(dlg.GetParam(0)->Value(), before - 0.01, 1e-9);

  // Two presses close in time and place make a double-click, and a drag that starts with one does not
  // move a knob; the same presses far apart in time are a click and a drag that does.
  const double knob = dlg.GetParam(0)->Value();
  SendButton(ButtonPress, 87, 282, Button1, 0);
  SendButton(ButtonRelease, 87, 282, Button1, Button1Mask);
  mTime -= 1000 + 1000 - 150; // the next press 150 ms after the first
  SendButton(ButtonPress, 88, 283, Button1, 0);
  SendMotion(88, 243, Button1Mask);
  SendButton(ButtonRelease, 88, 243, Button1, Button1Mask);
  EXPECT_EQ(dlg.GetParam(0)->Value(), knob);

  SendButton(ButtonPress, 87, 282, Button1, 0);
  SendButton(ButtonRelease, 87, 282, Button1, Button1Mask);
  SendButton(ButtonPress, 88, 283, Button1, 0); // a second later
  SendMotion(88, 243, Button1Mask);
  SendButton(ButtonRelease, 88, 243, Button1, Button1Mask);
  EXPECT_GT(dlg.GetParam(0)->Value(), knob);
}

TEST_F(LinuxWindowTest, KeyTextArrivesAsUtf8)
{
  // A spare key code made to type "é" (the server tells every client of the new key map).
  int minCode = 0;
  int maxCode = 0;
  XDisplayKeycodes(d, &minCode, &maxCode);
  int perCode = 0;
  KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
  ASSERT_NE(map, nullptr);
  KeyCode spare = 0;
  for (int code = maxCode; code >= minCode && spare == 0; --code)
    if (std::all_of(map + (code - minCode) * perCode, map + (code - minCode + 1) * perCode,
                    [](KeySym s) { return s == NoSymbol; }))
      spare = static_cast<KeyCode>(code);
  XFree(map);
  ASSERT_NE(spare, 0);
  KeySym eacute = XK_eacute;
  XChangeKeyboardMapping(d, spare, 1, &eacute, 1);
  XSync(d, False);

  ASSERT_NE(Open(), nullptr);
  std::vector<std::string> texts;
  ui->SetKeyHandlerFunc([&](const iplug::IKeyPress& key, bool isUp) {
    if (!isUp)
      texts.emplace_back(key.mUtf8);
    return true;
  });
  XEvent e{};
  e.xkey.type = KeyPress;
  e.xkey.window = ui->GetWindow();
  e.xkey.root = DefaultRootWindow(d);
  e.xkey.same_screen = True;
  for (const KeyCode code : {spare, static_cast<KeyCode>(XKeysymToKeycode(d, 'q'))})
  {
    e.xkey.keycode = code;
    XSendEvent(d, ui->GetWindow(), False, KeyPressMask, &e);
  }
  XSync(d, False);
  ui->Tick();
  EXPECT_EQ(texts, (std::vector<std::string>{"\xC3\xA9", "q"}));

  KeySym none = NoSymbol;
  XChangeKeyboardMapping(d, spare, 1, &none, 1);
  XSync(d, False);
}

TEST_F(LinuxWindowTest, KeysTheEditorDoesNotUseGoToTheHostWindow)
{
  ASSERT_NE(Open(), nullptr);
  XEvent e{};
  e.xkey.type = KeyPress;
  e.xkey.window = ui->GetWindow();
  e.xkey.root = DefaultRootWindow(d);
  e.xkey.keycode = XKeysymToKeycode(d, 'q');
  e.xkey.same_screen = True;
  XSendEvent(d, ui->GetWindow(), False, KeyPressMask, &e);
  XSync(d, False);
  ui->Tick();
  XSync(d, False);
  XEvent received{};
  EXPECT_TRUE(XCheckWindowEvent(d, parent, KeyPressMask, &received));
  EXPECT_EQ(received.xkey.keycode, e.xkey.keycode);
}

} // namespace
} // namespace quorvane::test
