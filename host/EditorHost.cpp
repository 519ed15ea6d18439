#include "host/EditorHost.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "host/AudioFile.h"
#include "host/AudioThread.h"
#include "host/Commands.h"
#include "host/Demo.h"
#include "host/HostInstance.h"
#include "host/HostModule.h"
#include "host/HostViewContainer.h"
#include "host/Png.h"
#include "host/Session.h"

namespace quorvane::host {

EditorHost::EditorHost(HostModule& module, HostInstance& instance)
    : mModule(module), mInstance(instance), mWindows(HostWindows::Make())
{
}

EditorHost::~EditorHost()
{
  Close();
  mGUI.reset();
}

bool EditorHost::Connect(double screenScale, std::string& error) { return mWindows->Connect(screenScale, error); }

bool EditorHost::Open(std::string& error)
{
  if (!mWindows->Connect(0.0, error))
    return false;
  if (IsOpen())
    return true;
  if (mGUI == nullptr)
  {
    mGUI = mInstance.CreateEffectGUI(error);
    if (!mGUI)
      return false;
  }

  AAX_Point size = ViewSize();
  const int w = size.horz >= 1.0f ? static_cast<int>(size.horz) : 605;
  const int h = size.vert >= 1.0f ? static_cast<int>(size.vert) : 602;
  if (!mWindows->Create(w, h, error))
    return false;
  mContainer = std::make_unique<HostViewContainer>(mWindows->Container());
  mContainer->SetResizeFunc([this](float width, float height) {
    if (IsOpen() && width >= 1.0f && height >= 1.0f)
      mWindows->Resize(static_cast<int>(width), static_cast<int>(height));
  });
  mGUI->SetViewContainer(mContainer.get());
  if (EditorWindow() == 0)
  {
    error = "the editor did not open (no OpenGL 2 on this display?)";
    Close();
    return false;
  }
  // Opening may have restored a stored size or zoom: the windows take the size the view has now.
  size = ViewSize();
  if (size.horz >= 1.0f && size.vert >= 1.0f && (static_cast<int>(size.horz) != w || static_cast<int>(size.vert) != h))
    mWindows->Resize(static_cast<int>(size.horz), static_cast<int>(size.vert));
  return true;
}

void EditorHost::Close()
{
  if (!IsOpen())
    return;
  if (mGUI)
    mGUI->SetViewContainer(nullptr);
  mContainer.reset();
  mWindows->Destroy();
}

AAX_Point EditorHost::ViewSize() const
{
  AAX_Point size{};
  if (mGUI)
    mGUI->GetViewSize(&size);
  return size;
}

void EditorHost::Pump()
{
  mModule.PumpRunLoop();
  mWindows->Pump();
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
  if (!IsOpen())
  {
    error = "no editor window to capture";
    return false;
  }
  return mWindows->Capture(rgb, width, height, error);
}

bool EditorHost::Screenshot(const std::string& path, std::string& error) const
{
  std::vector<uint8_t> rgb;
  int w = 0;
  int h = 0;
  std::vector<uint8_t> bytes;
  if (!Capture(rgb, w, h, error) || !EncodePng(rgb, w, h, bytes, error))
    return false;
  AtomicFile file;
  return file.Create(path, error) && file.WriteBytes(bytes.data(), bytes.size(), error) && file.Commit(error);
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
