// What the editor costs the host's UI thread: one tick that repaints the moving needle (the common
// case while audio plays), and one that repaints the whole panel, at zoom 1 and 2. It draws with the
// OpenGL the X display offers; under xvfb-run that is Mesa's software renderer, so the figures are an
// upper bound for a machine with a GPU. Run it under xvfb-run (or on a desktop).

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>

#include "editor/platform/IGraphicsLinux.h"
#include "plugin/Quorvane.h"

namespace {

void BM_EditorTick(benchmark::State& state)
{
  const float zoom = static_cast<float>(state.range(0));
  const bool full = state.range(1) != 0;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr)
  {
    state.SkipWithError("no X display (run under xvfb-run)");
    return;
  }
  const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0,
                                            static_cast<unsigned int>(605 * zoom),
                                            static_cast<unsigned int>(602 * zoom), 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);
  {
    auto plug = std::make_unique<quorvane::Quorvane>();
    plug->OpenEditor(reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)));
    auto* ui = dynamic_cast<iplug::igraphics::IGraphicsLinux*>(plug->GetUI());
    if (ui == nullptr || !ui->IsOpen())
    {
      state.SkipWithError("the editor did not open (no OpenGL 2?)");
    }
    else
    {
      ui->Resize(605, 602, zoom, true);
      ui->Tick();
      double meter = 0.0;
      const int framesBefore = ui->FramesPainted();
      for (auto _ : state)
      {
        if (full)
          ui->MarkAllDirty();
        else
        {
          meter = meter >= 1.0 ? 0.0 : meter + 0.013; // a new needle frame every tick
          plug->SendParamValueToControls(quorvane::kMeter, meter, false);
        }
        ui->Tick();
      }
      state.counters["frames"] = ui->FramesPainted() - framesBefore;
    }
    plug->CloseEditor();
  }
  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}

BENCHMARK(BM_EditorTick)
  ->ArgsProduct({{1, 2}, {0, 1}})
  ->ArgNames({"zoom", "full"})
  ->Unit(benchmark::kMillisecond)
  ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
