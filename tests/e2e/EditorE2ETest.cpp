// The editor through the host and the built module, in a real X11 window (Xvfb in CI): its size and
// zoom, what it shows, what the pointer does to the parameters, and opening and closing it many times
// while audio renders.

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <malloc.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/AudioThread.h"
#include "host/Demo.h"
#include "host/EditorHost.h"
#include "host/HostInstance.h"
#include "host/HostModule.h"
#include "host/HostViewContainer.h"
#include "tests/support/FilmStrip.h"
#include "tests/support/XPointerEvents.h"

namespace quorvane::host {
namespace {

using quorvane::test::BestFrame;
using quorvane::test::DecodeEmbeddedPNG;
using quorvane::test::Image;
using quorvane::test::WindowPixels;

#ifndef QUORVANE_EDITOR_CYCLES
#define QUORVANE_EDITOR_CYCLES 200
#endif

bool HaveDisplay()
{
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

#define QUORVANE_REQUIRE_X()                                                                             \
  do                                                                                                     \
  {                                                                                                      \
    if (!HaveDisplay())                                                                                  \
    {                                                                                                    \
      if (std::getenv("QUORVANE_REQUIRE_DISPLAY"))                                                       \
        FAIL() << "no X display (DISPLAY unset)";                                                        \
      GTEST_SKIP() << "no X display";                                                                    \
    }                                                                                                    \
  } while (0)

// The process's resident memory in KiB (0 when unknown), after the allocator has returned what it
// keeps of freed memory: only memory still in use counts.
long ResidentKiB()
{
  malloc_trim(0);
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0)
      return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

// The AAX identifier of parameter index i.
std::string Id(int index) { return std::to_string(index + 1); }

class EditorE2E : public ::testing::Test
{
protected:
  void SetUp() override
  {
    QUORVANE_REQUIRE_X();
    std::string error;
    module = HostModule::Load(QUORVANE_MODULE_PATH, error);
    ASSERT_TRUE(module) << error;
    instance = HostInstance::Create(*module, kStereoComponent, 48000.0, 512, error);
    ASSERT_TRUE(instance) << error;
    editor = std::make_unique<EditorHost>(*module, *instance);
    ASSERT_TRUE(editor->Connect(0.0, error)) << error;
  }

  void TearDown() override
  {
    editor.reset();
    instance.reset();
    module.reset();
  }

  void Open()
  {
    std::string error;
    ASSERT_TRUE(editor->Open(error)) << error;
    ASSERT_TRUE(editor->WaitForFirstFrame(10000));
  }

  double Normalized(int index)
  {
    for (const auto& p : instance->Parameters())
      if (p.id == Id(index))
        return p.value;
    return -1.0;
  }

  // X events sent to the editor's window, as the server would deliver them.
  void Send(int type, int x, int y, unsigned int state, unsigned int button = 0)
  {
    mTime += 1000; // far apart: never a double-click by accident
    quorvane::test::SendPointerEvent(static_cast<Display*>(editor->Display()), editor->EditorWindow(), type, x, y,
                                     state, button, mTime);
    editor->PumpFor(40);
  }

  void Click(int x, int y)
  {
    Send(ButtonPress, x, y, 0, Button1);
    Send(ButtonRelease, x, y, Button1Mask, Button1);
  }

  void Drag(int x, int y, int toX, int toY)
  {
    Send(ButtonPress, x, y, 0, Button1);
    Send(MotionNotify, (x + toX) / 2, (y + toY) / 2, Button1Mask);
    Send(MotionNotify, toX, toY, Button1Mask);
    Send(ButtonRelease, toX, toY, Button1Mask, Button1);
  }

  // One gesture for the parameter: it opens with a touch and closes with a release, carries at least
  // one value, and every touch is released (each value the host is asked to set comes in a touch and
  // release of its own, inside the gesture).
  void ExpectGesture(const std::vector<HostInstance::Gesture>& gestures, const std::string& id)
  {
    std::vector<HostInstance::Gesture::Kind> kinds;
    for (const auto& g : gestures)
      if (g.id == id)
        kinds.push_back(g.kind);
    ASSERT_GE(kinds.size(), 3u) << "parameter " << id;
    EXPECT_EQ(kinds.front(), HostInstance::Gesture::Touch);
    EXPECT_EQ(kinds.back(), HostInstance::Gesture::Release);
    int open = 0;
    int values = 0;
    for (const auto kind : kinds)
    {
      open += kind == HostInstance::Gesture::Touch ? 1 : kind == HostInstance::Gesture::Release ? -1 : 0;
      values += kind == HostInstance::Gesture::SetValue ? 1 : 0;
      EXPECT_GE(open, kind == HostInstance::Gesture::SetValue ? 1 : 0);
    }
    EXPECT_EQ(open, 0);
    EXPECT_GE(values, 1);
  }

  std::unique_ptr<HostModule> module;
  std::unique_ptr<HostInstance> instance;
  std::unique_ptr<EditorHost> editor;
  unsigned long mTime = 100000;
};

TEST_F(EditorE2E, OpensAtItsSizeZoomsAndReopensAtTheSizeOfItsLastClosing)
{
  Open();
  AAX_Point size = editor->ViewSize();
  EXPECT_EQ(size.horz, 605.0f);
  EXPECT_EQ(size.vert, 602.0f);
  int w = 0;
  int h = 0;
  editor->TopLevelSize(w, h);
  EXPECT_EQ(w, 605);
  EXPECT_EQ(h, 602);

  // The corner handle dragged far out: the zoom stops at 2.0 and the host window follows.
  Drag(598, 595, 1500, 1500);
  editor->PumpFor(100);
  size = editor->ViewSize();
  EXPECT_EQ(size.horz, 1210.0f);
  EXPECT_EQ(size.vert, 1204.0f);
  editor->TopLevelSize(w, h);
  EXPECT_EQ(w, 1210);
  EXPECT_EQ(h, 1204);
  EXPECT_GE(editor->Container().ViewSizeRequests(), 1);

  editor->Close();
  Open();
  editor->TopLevelSize(w, h);
  EXPECT_EQ(w, 1210);
  EXPECT_EQ(h, 1204);

  // The size and zoom travel with the session: another instance given this state opens zoomed.
  std::vector<uint8_t> state;
  std::string error;
  ASSERT_TRUE(instance->SaveState(state, error)) << error;
  editor.reset();
  auto other = HostInstance::Create(*module, kStereoComponent, 48000.0, 512, error);
  ASSERT_TRUE(other) << error;
  ASSERT_TRUE(other->LoadState(state, error)) << error;
  {
    EditorHost otherEditor(*module, *other);
    ASSERT_TRUE(otherEditor.Open(error)) << error;
    otherEditor.PumpFor(100);
    otherEditor.TopLevelSize(w, h);
    EXPECT_EQ(w, 1210);
    EXPECT_EQ(h, 1204);
  }
}

TEST_F(EditorE2E, TheWindowShowsTheFramesOfTheParameterValuesAndTheMeter)
{
  ASSERT_EQ(instance->UpdateParameter(Id(7), 0.25), AAX_SUCCESS);  // Threshold: frame 31
  ASSERT_EQ(instance->UpdateParameter(Id(1), 1.0), AAX_SUCCESS);   // Boost: frame 121
  ASSERT_EQ(instance->UpdateParameter(Id(14), 0.6), AAX_SUCCESS);  // Ratio: step 3 of 0..5, frame 4
  instance->GenerateCoefficients();
  Open();

  std::vector<uint8_t> rgb;
  int w = 0;
  int h = 0;
  std::string error;
  ASSERT_TRUE(editor->Capture(rgb, w, h, error)) << error;
  ASSERT_EQ(w, 605);
  const WindowPixels window{rgb.data(), w, 3};
  const Image background = DecodeEmbeddedPNG("\"BG@2X.PNG\"");
  const Image knob = DecodeEmbeddedPNG("\"AKNOB@2X.PNG\"");
  const Image sixStep = DecodeEmbeddedPNG("\"ATRAT@2X.PNG\"");
  const Image needle = DecodeEmbeddedPNG("\"NEEDLE@2X.PNG\"");
  double error1 = 0.0;
  EXPECT_EQ(BestFrame(window, background, knob, 121, 55, 250, 64, 64, 1, &error1), 31);
  EXPECT_LT(error1, 2.0);
  EXPECT_EQ(BestFrame(window, background, knob, 121, 506, 250, 64, 64, 1), 121);
  EXPECT_EQ(BestFrame(window, background, sixStep, 6, 55, 485, 64, 64, 1), 4);
  // No block has run: the needle rests.
  EXPECT_EQ(BestFrame(window, background, needle, 101, 97, 75, 159, 70, 1), 1);

  // A loud steady programme: the needle leaves its rest and shows a frame of the strip.
  const Audio programme = SynthesiseDemoProgramme(48000.0, 2.0);
  std::vector<std::vector<float>> out(2, std::vector<float>(512));
  float* outputs[2] = {out[0].data(), out[1].data()};
  AudioThread audio(*instance);
  for (int64_t pos = 0; pos + 512 <= programme.Frames(); pos += 512)
  {
    const float* inputs[2] = {programme.channels[0].data() + pos, programme.channels[1].data() + pos};
    ASSERT_TRUE(audio.Render(inputs, nullptr, outputs, 512));
  }
  editor->PumpFor(200);
  ASSERT_TRUE(editor->Capture(rgb, w, h, error)) << error;
  double needleError = 0.0;
  const int frame = BestFrame({rgb.data(), w, 3}, background, needle, 101, 97, 75, 159, 70, 1, &needleError);
  EXPECT_GT(frame, 1);
  EXPECT_LT(needleError, 2.0);
}

TEST_F(EditorE2E, PointerGesturesReachTheHostsAutomation)
{
  ASSERT_EQ(instance->UpdateParameter(Id(7), 0.5), AAX_SUCCESS);
  ASSERT_EQ(instance->UpdateParameter(Id(6), 0.5), AAX_SUCCESS);
  instance->GenerateCoefficients();
  Open();
  const double threshold = Normalized(7);
  const double bypass = Normalized(12);
  const double ratio = Normalized(14);

  // Threshold knob (55, 250)-(119, 314): dragged upwards by 40 pixels.
  Drag(87, 282, 87, 242);
  EXPECT_GT(Normalized(7), threshold + 0.1);
  // Bypass button (360, 97)-(434, 171): one click flips it.
  Click(397, 134);
  EXPECT_NE(Normalized(12), bypass);
  // Ratio knob (55, 485)-(119, 549): one wheel step up is one ratio step.
  Send(ButtonPress, 87, 517, 0, Button4);
  Send(ButtonRelease, 87, 517, 0, Button4);
  EXPECT_NEAR(Normalized(14), ratio + 0.2, 1e-9);

  const auto gestures = instance->Gestures();
  ExpectGesture(gestures, Id(7));
  ExpectGesture(gestures, Id(12));
  ExpectGesture(gestures, Id(14));

  // Every press on a parameter's control was offered to the host first; it declined each one.
  const auto& offered = editor->Container().MouseDowns();
  ASSERT_GE(offered.size(), 2u);
  EXPECT_EQ(offered.front().id, Id(7));

  // A host that takes the click (to show its automation menu, say): the editor leaves the value alone,
  // and the host hears of the modifiers held, its own bits included.
  editor->Container().SetMouseDownResult(AAX_SUCCESS);
  editor->Container().SetModifiers(0x100);
  const double bypassNow = Normalized(12);
  Send(ButtonPress, 397, 134, ShiftMask, Button1);
  Send(ButtonRelease, 397, 134, ShiftMask | Button1Mask, Button1);
  EXPECT_EQ(Normalized(12), bypassNow);
  EXPECT_EQ(editor->Container().MouseDowns().back().id, Id(12));
  EXPECT_EQ(editor->Container().MouseDowns().back().modifiers, 0x100u | 1u); // host bits | shift
  editor->Container().SetMouseDownResult(HostViewContainer::kMouseDownDeclined);
  editor->Container().SetModifiers(0);

  // A middle-button press ends with its release: a later left drag on another knob still works.
  Send(ButtonPress, 87, 282, 0, Button2);
  Send(ButtonRelease, 87, 282, Button2Mask, Button2);
  const double mix = Normalized(6);
  Drag(263, 517, 263, 477);
  EXPECT_GT(Normalized(6), mix + 0.1);
}

TEST_F(EditorE2E, OpeningAndClosingWhileAudioRendersLeaksNothingAndNeverStopsTheAudio)
{
  // The audio thread renders continuously from its own loop while the UI thread opens and closes.
  std::atomic<bool> stop{false};
  std::atomic<int64_t> blocks{0};
  std::atomic<bool> failed{false};
  const Audio programme = SynthesiseDemoProgramme(48000.0, 2.0);
  std::thread audio([&] {
    std::vector<std::vector<float>> out(2, std::vector<float>(512));
    float* outputs[2] = {out[0].data(), out[1].data()};
    int64_t pos = 0;
    while (!stop.load())
    {
      if (pos + 512 > programme.Frames())
        pos = 0;
      const float* inputs[2] = {programme.channels[0].data() + pos, programme.channels[1].data() + pos};
      if (!instance->Render(inputs, nullptr, outputs, 512))
        failed = true;
      pos += 512;
      blocks.fetch_add(1);
    }
  });

  std::string error;
  int opened = 0;
  long rssAfterWarmUp = 0;
  for (int i = 0; i < QUORVANE_EDITOR_CYCLES; ++i)
  {
    if (!editor->Open(error))
      break;
    ++opened;
    editor->Pump();
    editor->Close();
    if (i == QUORVANE_EDITOR_CYCLES / 10)
      rssAfterWarmUp = ResidentKiB();
  }
  // Every opening decodes about 30 MB of pictures and loads a 170 kB font: a leak of any of them would
  // show at once. (Under the sanitizers the cycles are few and the allocator keeps freed memory;
  // LeakSanitizer checks there.)
  if (QUORVANE_EDITOR_CYCLES >= 100)
  {
    EXPECT_LT(ResidentKiB() - rssAfterWarmUp, 8 * 1024) << "resident memory grew while opening and closing";
  }
  // The audio went on while the editor came and went.
  const int64_t before = blocks.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  stop = true;
  audio.join();
  EXPECT_EQ(opened, QUORVANE_EDITOR_CYCLES) << error;
  EXPECT_FALSE(failed.load());
  EXPECT_GT(blocks.load(), before);
  EXPECT_GT(before, QUORVANE_EDITOR_CYCLES);
}

// The command a person runs: a PNG of the live editor, or one line and a failure without a display.
TEST(EditorCommand, WritesAScreenshotOrSaysWhyNot)
{
  QUORVANE_REQUIRE_X();
  char dirPattern[] = "/tmp/quorvane-editor-XXXXXX";
  const std::string dir = mkdtemp(dirPattern);
  const std::string shot = dir + "/editor.png";
  const std::string err = dir + "/err.txt";
  const std::string host = QUORVANE_HOST_PATH;

  int raw = std::system((host + " editor --screenshot " + shot + " >/dev/null 2>" + err).c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 0);
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&png, shot.c_str()));
  EXPECT_EQ(png.width, 605u);
  EXPECT_EQ(png.height, 602u);
  png_image_free(&png);

  const std::string missing = dir + "/none.png";
  raw = std::system(("env DISPLAY= " + host + " editor --screenshot " + missing + " >/dev/null 2>" + err).c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_NE(WEXITSTATUS(raw), 0);
  std::ifstream in(err);
  const std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(message.find("X display"), std::string::npos) << message;
  EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
  EXPECT_NE(access(missing.c_str(), F_OK), 0);
  [[maybe_unused]] const int rc = std::system(("rm -rf '" + dir + "'").c_str());
}

} // namespace
} // namespace quorvane::host
