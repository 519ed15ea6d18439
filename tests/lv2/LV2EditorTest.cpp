// The editor module as a host drives it: instantiated in a parent window the test owns, ticked by idle
// calls, told about values through port events, and heard through the write, touch and resize
// functions. The X events are sent to the editor's window as the server would deliver them.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <lv2/atom/util.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "IPlug/LV2/IPlugLV2_URIs.h"
#include "tests/lv2/LilvHost.h"
// Xlib last: its Bool macro would rename a field of the atom forge.
#include <X11/Xlib.h>
#include "tests/support/XPointerEvents.h"

using namespace quorvane::test;

namespace {

// The stereo plug-in's port indexes, as the bundle lists them.
struct StereoPorts
{
  uint32_t threshold;
  uint32_t meter;
  uint32_t control;
  uint32_t notify;
};

StereoPorts FindPorts()
{
  const LilvPlugin* plugin = LilvWorldHolder::Shared().Find(kStereoURI);
  auto index = [plugin](const char* symbol) {
    LilvNode* node = lilv_new_string(LilvWorldHolder::Shared().World(), symbol);
    const uint32_t i = lilv_port_get_index(plugin, lilv_plugin_get_port_by_symbol(plugin, node));
    lilv_node_free(node);
    return i;
  };
  return {index("threshold"), index("gain_reduction"), index("control"), index("notify")};
}

class FakeUIHost
{
public:
  struct Write
  {
    uint32_t port;
    uint32_t format;
    std::vector<uint8_t> bytes;
  };

  FakeUIHost()
  {
    mResize.handle = this;
    mResize.ui_resize = [](LV2UI_Feature_Handle h, int w, int hh) {
      static_cast<FakeUIHost*>(h)->mSizes.emplace_back(w, hh);
      return 0;
    };
    mTouch.handle = this;
    mTouch.touch = [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
      static_cast<FakeUIHost*>(h)->mTouches.emplace_back(port, grabbed);
    };
    mURIs.Map(mMap.Feature(), "urn:kestrove:quorvane#");
  }

  std::vector<const LV2_Feature*> Features(unsigned long parent, bool withParent = true)
  {
    mParentFeature = {LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))};
    mMapFeature = {LV2_URID__map, mMap.Feature()};
    mResizeFeature = {LV2_UI__resize, &mResize};
    mTouchFeature = {LV2_UI__touch, &mTouch};
    std::vector<const LV2_Feature*> features = {&mMapFeature, &mResizeFeature, &mTouchFeature};
    if (withParent)
      features.push_back(&mParentFeature);
    features.push_back(nullptr);
    return features;
  }

  static void WriteFunction(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                            const void* buffer)
  {
    auto* host = static_cast<FakeUIHost*>(const_cast<void*>(controller));
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    host->mWrites.push_back({port, format, std::vector<uint8_t>(bytes, bytes + size)});
  }

  // The editor-size messages written to the control port, and whether one asked for the stored size.
  int SizeMessages(uint32_t port, int32_t& w, int32_t& h, float& s, bool& asked) const
  {
    int found = 0;
    asked = false;
    for (const Write& write : mWrites)
    {
      if (write.port != port || write.format != mURIs.atomEventTransfer)
        continue;
      const auto* atom = reinterpret_cast<const LV2_Atom*>(write.bytes.data());
      if (iplug::ReadEditorSizeMessage(mURIs, atom, w, h, s))
        ++found;
      else if (atom->type == mURIs.atomObject &&
               reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype == mURIs.editorSizeGet)
        asked = true;
    }
    return found;
  }

  URIDMap mMap;
  iplug::IPlugLV2_URIs mURIs;
  std::vector<Write> mWrites;
  std::vector<std::pair<int, int>> mSizes;
  std::vector<std::pair<uint32_t, bool>> mTouches;

private:
  LV2UI_Resize mResize{};
  LV2UI_Touch mTouch{};
  LV2_Feature mParentFeature{};
  LV2_Feature mMapFeature{};
  LV2_Feature mResizeFeature{};
  LV2_Feature mTouchFeature{};
};

class LV2Editor : public testing::Test
{
protected:
  void SetUp() override
  {
    mModule = dlopen(QUORVANE_LV2_DIR "/Quorvane.lv2/Quorvane_ui.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(mModule, nullptr) << dlerror();
    auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(mModule, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    for (uint32_t i = 0; const LV2UI_Descriptor* d = entry(i); ++i)
    {
      if (std::strcmp(d->URI, "urn:kestrove:quorvane:ui:stereo") == 0)
        mDescriptor = d;
    }
    ASSERT_NE(mDescriptor, nullptr);
    mIdle = static_cast<const LV2UI_Idle_Interface*>(mDescriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(mIdle, nullptr);
  }

  void TearDown() override
  {
    if (mDisplay != nullptr)
    {
      XDestroyWindow(mDisplay, mParent);
      XCloseDisplay(mDisplay);
    }
    if (mModule != nullptr)
      dlclose(mModule);
  }

  LV2UI_Handle Instantiate(FakeUIHost& host, bool withParent = true, LV2UI_Widget* widget = nullptr)
  {
    LV2UI_Widget ignored = nullptr;
    const auto features = host.Features(mParent, withParent);
    return mDescriptor->instantiate(mDescriptor, kStereoURI, QUORVANE_LV2_DIR "/Quorvane.lv2/",
                                    &FakeUIHost::WriteFunction, &host, widget != nullptr ? widget : &ignored,
                                    features.data());
  }

  void OpenParent()
  {
    mDisplay = XOpenDisplay(nullptr);
    ASSERT_NE(mDisplay, nullptr) << "no X display (the tests run under xvfb-run)";
    mParent = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 800, 800, 0, 0, 0);
    XMapWindow(mDisplay, mParent);
    XSync(mDisplay, False);
  }

  // The host's idle calls for a while: the editor's tick reads its events and paints.
  void IdleFor(LV2UI_Handle ui, int ms)
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end)
    {
      ASSERT_EQ(mIdle->idle(ui), 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  void* mModule = nullptr;
  const LV2UI_Descriptor* mDescriptor = nullptr;
  const LV2UI_Idle_Interface* mIdle = nullptr;
  Display* mDisplay = nullptr;
  unsigned long mParent = 0;
};

} // namespace

TEST_F(LV2Editor, WithoutADisplayOrAParentWindowThereIsNoEditor)
{
  // First in this process, before the module has a display connection of its own.
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display != nullptr ? display : "";
  unsetenv("DISPLAY");
  FakeUIHost host;
  mParent = 1;
  EXPECT_EQ(Instantiate(host), nullptr);
  EXPECT_TRUE(host.mWrites.empty());
  if (!saved.empty())
    setenv("DISPLAY", saved.c_str(), 1);

  mParent = 0;
  EXPECT_EQ(Instantiate(host, /*withParent=*/false), nullptr);
}

TEST_F(LV2Editor, OpensInTheParentTurnsValuesIntoHostWritesAndTakesItsZoomFromTheDSP)
{
  OpenParent();
  const StereoPorts ports = FindPorts();
  FakeUIHost host;
  LV2UI_Widget widget = nullptr;
  LV2UI_Handle ui = Instantiate(host, true, &widget);
  ASSERT_NE(ui, nullptr);
  ASSERT_NE(widget, nullptr);
  const auto window = static_cast<Window>(reinterpret_cast<uintptr_t>(widget));

  // The host hears the size at once, and the DSP is asked for the stored zoom.
  ASSERT_FALSE(host.mSizes.empty());
  EXPECT_EQ(host.mSizes.back(), std::make_pair(605, 602));
  int32_t w = 0;
  int32_t h = 0;
  float s = 0.0f;
  bool asked = false;
  // No size of its own yet: the size it was made with would overwrite the zoom the DSP keeps.
  EXPECT_EQ(host.SizeMessages(ports.control, w, h, s, asked), 0);
  EXPECT_TRUE(asked);

  // Host values and the meter arrive as port events (the needle moves on the editor's tick).
  const float threshold = -10.0f;
  mDescriptor->port_event(ui, ports.threshold, sizeof(float), 0, &threshold);
  const float meter = 0.4f;
  mDescriptor->port_event(ui, ports.meter, sizeof(float), 0, &meter);
  IdleFor(ui, 100);

  // A drag up on the threshold knob: a touch, values written to the threshold port, a release.
  host.mWrites.clear();
  unsigned long time = 100000;
  auto send = [&](int type, int x, int y, unsigned int state, unsigned int button) {
    SendPointerEvent(mDisplay, window, type, x, y, state, button, time += 1000);
    IdleFor(ui, 40);
  };
  send(ButtonPress, 85, 280, 0, Button1);
  send(MotionNotify, 85, 260, Button1Mask, 0);
  send(MotionNotify, 85, 240, Button1Mask, 0);
  send(ButtonRelease, 85, 240, Button1Mask, Button1);
  // On a loaded machine the server and the renderer may take longer than the idle calls above.
  for (int waited = 0; waited < 3000 && host.mTouches.size() < 2; waited += 20)
    IdleFor(ui, 20);
  ASSERT_GE(host.mTouches.size(), 2u);
  EXPECT_EQ(host.mTouches.front(), std::make_pair(ports.threshold, true));
  EXPECT_EQ(host.mTouches.back(), std::make_pair(ports.threshold, false));
  float last = threshold;
  int values = 0;
  for (const FakeUIHost::Write& write : host.mWrites)
  {
    if (write.port != ports.threshold)
      continue;
    ASSERT_EQ(write.format, 0u);
    ASSERT_EQ(write.bytes.size(), sizeof(float));
    std::memcpy(&last, write.bytes.data(), sizeof(float));
    ++values;
  }
  EXPECT_GE(values, 1);
  EXPECT_GT(last, threshold) << "dragging up raises the threshold";
  EXPECT_LE(last, 15.0f);

  // The DSP answers with a stored zoom of 2: the editor and the host's container take it.
  host.mWrites.clear();
  host.mSizes.clear();
  alignas(8) uint8_t buffer[256];
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, host.mMap.Feature());
  lv2_atom_forge_set_buffer(&forge, buffer, sizeof(buffer));
  ASSERT_TRUE(iplug::ForgeEditorSizeMessage(host.mURIs, forge, 605, 602, 2.0f));
  const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer);
  mDescriptor->port_event(ui, ports.notify, lv2_atom_total_size(atom), host.mURIs.atomEventTransfer, atom);
  IdleFor(ui, 60);
  ASSERT_EQ(host.mSizes.size(), 1u) << "one resize, no loop";
  EXPECT_EQ(host.mSizes.back(), std::make_pair(1210, 1204));
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(mDisplay, window, &attributes));
  EXPECT_EQ(attributes.width, 1210);
  EXPECT_EQ(attributes.height, 1204);
  // The new size goes back to the DSP, which keeps it in the state.
  EXPECT_EQ(host.SizeMessages(ports.control, w, h, s, asked), 1);
  EXPECT_EQ(w, 605);
  EXPECT_EQ(h, 602);
  EXPECT_EQ(s, 2.0f);

  // The same answer again changes nothing.
  mDescriptor->port_event(ui, ports.notify, lv2_atom_total_size(atom), host.mURIs.atomEventTransfer, atom);
  IdleFor(ui, 30);
  EXPECT_EQ(host.mSizes.size(), 1u);

  mDescriptor->cleanup(ui);
  XSync(mDisplay, False);
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  ASSERT_TRUE(XQueryTree(mDisplay, mParent, &root, &parent, &children, &count));
  if (children != nullptr)
    XFree(children);
  EXPECT_EQ(count, 0u) << "the editor's window is gone with it";
}

// Some hosts take their window away before they let the editor go: the editor's window is already gone
// with it when cleanup comes, and that must not end the host's process.
TEST_F(LV2Editor, CleanupAfterTheHostDestroyedItsWindow)
{
  OpenParent();
  FakeUIHost host;
  LV2UI_Handle ui = Instantiate(host);
  ASSERT_NE(ui, nullptr);
  IdleFor(ui, 50);
  XDestroyWindow(mDisplay, mParent);
  XSync(mDisplay, False);
  mParent = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 10, 10, 0, 0, 0); // for TearDown
  mDescriptor->cleanup(ui); // no idle call in between: the editor has not heard of it yet
  SUCCEED() << "still running";
}
