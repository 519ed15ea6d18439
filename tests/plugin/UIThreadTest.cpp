// What belongs to the UI thread stays there. Chunk calls arrive on host threads other than the UI
// thread, which owns the editor: a restore there leaves its editor-side effects to the UI thread's
// next tick, and the chunk reports the editor size the UI thread published (the ThreadSanitizer stage
// runs these too). And the UI thread's timer stops before the plug-in's own parts go.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "plugin/Quorvane.h"
#include "tests/support/FakeAAXHost.h"
#include "tests/support/FakeGraphicsContext.h"
#include "tests/support/ManualRunLoop.h"

using namespace quorvane;
using quorvane::test::FakeController;
using quorvane::test::FakeUI;
using quorvane::test::ManualRunLoop;

namespace {

constexpr AAX_CTypeID kQrv1 = AAX_FourCC("Qrv1");

// An instance as a host's UI thread (this thread) creates it: its timer on a loop the test steps, a
// controller attached, the editor a fake one.
struct UIThreadInstance
{
  ManualRunLoop loop; // first: the plug-in's timer runs on it
  FakeController controller;
  std::unique_ptr<Quorvane> plug = std::make_unique<Quorvane>();
  UIThreadInstance()
  {
    quorvane::test::UseFakeGraphics(*plug);
    EXPECT_EQ(controller.Attach(*plug), AAX_SUCCESS);
  }
  void Tick() { loop.Advance(iplug::IPlugAPIBase::kTimerIntervalMs); }
};

// A host's chunk buffer.
struct Chunk
{
  std::vector<uint8_t> mMemory = std::vector<uint8_t>(sizeof(AAX_SPlugInChunkHeader) + 256, 0);
  Chunk() { Get()->fDataCapacity = 256; }
  AAX_SPlugInChunk* Get() { return reinterpret_cast<AAX_SPlugInChunk*>(mMemory.data()); }
  void SetEditor(int32_t width, int32_t height, float scale)
  {
    std::memcpy(Get()->fData, &width, 4);
    std::memcpy(Get()->fData + 4, &height, 4);
    std::memcpy(Get()->fData + 8, &scale, 4);
  }
  void EditorOf(int32_t& width, int32_t& height, float& scale)
  {
    std::memcpy(&width, Get()->fData, 4);
    std::memcpy(&height, Get()->fData + 4, 4);
    std::memcpy(&scale, Get()->fData + 8, 4);
  }
};

template <typename F>
void OnHostThread(F&& f)
{
  std::thread host(std::forward<F>(f));
  host.join();
}

} // namespace

TEST(ChunkThreads, ARestoreOnAHostThreadReachesTheEditorAtTheNextTick)
{
  UIThreadInstance ui;
  ui.plug->OpenEditor(nullptr);
  const int resizes = FakeUI(*ui.plug)->mResizes;
  const size_t controlValues = FakeUI(*ui.plug)->mControlValues.size();

  Chunk chunk;
  ASSERT_EQ(ui.plug->GetChunk(kQrv1, chunk.Get()), AAX_SUCCESS);
  chunk.SetEditor(605, 602, 1.5f);
  OnHostThread([&] { EXPECT_EQ(ui.plug->SetChunk(kQrv1, chunk.Get()), AAX_SUCCESS); });
  EXPECT_EQ(FakeUI(*ui.plug)->mResizes, resizes) << "the host thread left the editor alone";
  EXPECT_EQ(FakeUI(*ui.plug)->mControlValues.size(), controlValues);

  // The state already reports the size the editor is about to take.
  Chunk saved;
  OnHostThread([&] { EXPECT_EQ(ui.plug->GetChunk(kQrv1, saved.Get()), AAX_SUCCESS); });
  int32_t width = 0, height = 0;
  float scale = 0.0f;
  saved.EditorOf(width, height, scale);
  EXPECT_EQ(scale, 1.5f);

  ui.Tick();
  EXPECT_EQ(FakeUI(*ui.plug)->mResizes, resizes + 1);
  EXPECT_EQ(FakeUI(*ui.plug)->GetDrawScale(), 1.5f);
  EXPECT_GE(FakeUI(*ui.plug)->mControlValues.size(), controlValues + static_cast<size_t>(kNumParams));

  // Closed, a restore off the UI thread becomes the size the next opening takes.
  ui.plug->CloseEditor();
  chunk.SetEditor(605, 602, 2.0f);
  OnHostThread([&] { ui.plug->SetChunk(kQrv1, chunk.Get()); });
  ui.Tick();
  ui.plug->OpenEditor(nullptr);
  EXPECT_EQ(FakeUI(*ui.plug)->GetDrawScale(), 2.0f);
  ui.plug->CloseEditor();
}

TEST(ChunkThreads, ChunkCallsOnAHostThreadWhileTheUIThreadOpensAndClosesTheEditor)
{
  UIThreadInstance ui;
  Chunk whole;
  ASSERT_EQ(ui.plug->GetChunk(kQrv1, whole.Get()), AAX_SUCCESS);

  std::atomic<bool> done{false};
  std::atomic<int> calls{0};
  std::thread host([&] {
    Chunk chunk;
    for (int i = 0; !done.load(); ++i)
    {
      std::memcpy(chunk.mMemory.data(), whole.mMemory.data(), chunk.mMemory.size());
      chunk.SetEditor(605, 602, i % 2 ? 1.0f : 1.5f);
      ui.plug->SetChunk(kQrv1, chunk.Get());
      Chunk saved;
      ui.plug->GetChunk(kQrv1, saved.Get());
      uint32_t size = 0;
      ui.plug->GetChunkSize(kQrv1, &size);
      bool equal = false;
      ui.plug->CompareActiveChunk(saved.Get(), &equal);
      calls.fetch_add(1);
    }
  });
  for (int round = 0; round < 200 || calls.load() < 50; ++round)
  {
    ui.plug->OpenEditor(nullptr);
    ui.Tick();
    ui.plug->CloseEditor();
    ui.Tick();
  }
  done = true;
  host.join();

  // Whatever the interleaving, the last restore wins once the UI thread has caught up.
  ui.Tick();
  ui.plug->OpenEditor(nullptr);
  const float scale = FakeUI(*ui.plug)->GetDrawScale();
  EXPECT_TRUE(scale == 1.0f || scale == 1.5f) << scale;
  ui.plug->CloseEditor();
}

TEST(PlugInLifecycle, TheTimerStopsBeforeThePlugInsOwnPartsGo)
{
  // While the timer stops, the object must still be a whole Quorvane: its own state writer (editor
  // fields and parameters, 164 bytes) still answers, not the framework's (parameters only).
  ManualRunLoop loop;
  auto plug = std::make_unique<Quorvane>();
  ASSERT_EQ(loop.ActiveTimers(), 1);
  const iplug::IPluginBase* base = plug.get();
  int stateSizeAtStop = -1;
  loop.mOnStop = [&](uintptr_t) {
    iplug::StateBuffer state;
    base->WriteState(state);
    stateSizeAtStop = state.Size();
  };
  plug.reset();
  EXPECT_EQ(stateSizeAtStop, 164);
  EXPECT_EQ(loop.ActiveTimers(), 0);
}
