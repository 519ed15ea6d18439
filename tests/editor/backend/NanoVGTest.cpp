// The NanoVG back end on a real (software) OpenGL context: resource loading and its cache, fonts and
// the process-wide font caches, the off-screen layer, and pixels read back after whole frames.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "IPlug/IGEditorDelegate.h"
#include "IPlug/IPlugParameter.h"
#include "editor/backend/BitmapRef.h"
#include "editor/controls/IBitmapControls.h"
#include "resources/EmbeddedResources.h"
#include "tests/editor/backend/OffscreenGraphics.h"
#include "tests/support/FilmStrip.h"

using namespace iplug::igraphics;

namespace quorvane::test {
namespace {

enum Params
{
  kKnob = 0,
  kMeter,
  kSwitch,
  kNumParams
};

class BackendDelegate : public iplug::IGEditorDelegate
{
public:
  BackendDelegate() : IGEditorDelegate(kNumParams)
  {
    SetEditorSize(605, 602);
    SetSizeConstraints(302, 1210, 301, 1204);
    GetParam(kKnob)->DefineDouble("Boost", 0.0, 0.0, 1.0, 0.001);
    GetParam(kMeter)->DefineDouble("Meter", 0.0, 0.0, 1.0, 0.001);
    GetParam(kSwitch)->DefineBool("Bypass", false);
  }
  bool ResizeRequestFromEditor(int, int, bool) override { return true; }
  void BeginParamGestureFromUI(int) override {}
  void EndParamGestureFromUI(int) override {}
};

// The plug-in's background, one continuous knob, the needle and a toggle, at their places.
class BackendTest : public ::testing::Test
{
protected:
  BackendTest() : resources(TableResourceSource::FromTable(quorvane::resources::All())) {}

  void SetUp() override
  {
    QUORVANE_REQUIRE_GL(gl);
    d.SetMakeGraphicsFunc([this]() -> std::unique_ptr<iplug::IGraphicsContext> {
      return std::make_unique<OffscreenGraphics>(d, gl, resources);
    });
    d.SetLayoutFunc([this](iplug::IGraphicsContext* context) {
      auto& ui = static_cast<OffscreenGraphics&>(*context);
      ui.AddBackground("BG.png");
      ui.AddControl(new IBKnobControl(506, 250, ui.LoadBitmapResource("AKNOB.png", 121), kKnob));
      ui.AddControl(new IBitmapControl(97, 75, ui.LoadBitmapResource("NEEDLE.png", 101), kMeter));
      ui.AddControl(new IBSwitchControl(360, 97, ui.LoadBitmapResource("BSW.png", 2), kSwitch));
    });
    d.OpenEditor(nullptr);
  }

  void TearDown() override { d.CloseEditor(); }

  OffscreenGraphics& ui() { return static_cast<OffscreenGraphics&>(*d.GetUI()); }

  void SetValue(int param, double value)
  {
    d.SendParamValueToControls(param, value, false);
    ui().Paint();
  }

  // How far the window's pixels over `rect` are from frame `frame` of `strip` over the background.
  double FrameError(const std::vector<std::uint8_t>& window, const Image& strip, int frames, int frame,
                    const IBounds& rect)
  {
    return quorvane::test::FrameError({window.data(), ui().WindowPixelWidth(), 4}, background, strip, frames, frame,
                                      static_cast<int>(rect.L), static_cast<int>(rect.T), static_cast<int>(rect.W()),
                                      static_cast<int>(rect.H()), static_cast<int>(ui().GetDrawScale()));
  }

  OffscreenGL gl;
  TableResourceSource resources;
  BackendDelegate d;
  Image background = DecodeEmbeddedPNG("\"BG@2X.PNG\"");
  Image knob = DecodeEmbeddedPNG("\"AKNOB@2X.PNG\"");
  Image needle = DecodeEmbeddedPNG("\"NEEDLE@2X.PNG\"");
};

TEST_F(BackendTest, LoadsTheTwiceDensityPictureAndDescribesItInEditorUnits)
{
  const int uploads = ui().UploadCount();
  const IBitmapRef k = ui().LoadBitmapResource("AKNOB.png", 121, false, 0);
  ASSERT_TRUE(k.IsValid());
  EXPECT_EQ(k.W(), 64);
  EXPECT_EQ(k.H(), 7744);
  EXPECT_EQ(k.N(), 121);
  EXPECT_EQ(k.mAPIBitmap->PixelWidth(), 128);
  EXPECT_EQ(k.mAPIBitmap->PixelHeight(), 15488);
  EXPECT_EQ(k.mAPIBitmap->SourceScale(), 2.0f);
  EXPECT_EQ(k.mResourceName, "AKNOB.png");
  EXPECT_EQ(FrameSourceOffset(k, 1).y, 0);
  EXPECT_EQ(FrameSourceOffset(k, 121).y, 7680);
  // The layout already asked for it: the cache answers without a new upload.
  EXPECT_EQ(ui().UploadCount(), uploads);
  EXPECT_EQ(ui().LoadBitmapResource("AKNOB.png", 121).mAPIBitmap, k.mAPIBitmap);

  // Another requested scale is another entry, even when the same picture answers it.
  const IBitmapRef at3 = ui().LoadBitmapResource("AKNOB.png", 121, false, 3);
  ASSERT_TRUE(at3.IsValid());
  EXPECT_NE(at3.mAPIBitmap, k.mAPIBitmap);
  EXPECT_EQ(ui().UploadCount(), uploads + 1);
  EXPECT_EQ(at3.mAPIBitmap->SourceScale(), 2.0f);
}

TEST_F(BackendTest, ScreenScaleChoosesTheRequestedScale)
{
  const int cached = ui().CachedBitmapCount();
  // The controls reload their pictures for the new density: requested scale 2, new cache entries
  // next to the layout's scale-1 ones (the same 2x picture answers both).
  ui().ApplyScreenScale(1.5f);
  EXPECT_EQ(ui().CachedBitmapCount(), 2 * cached);
  const int uploads = ui().UploadCount();
  const IBitmapRef b = ui().LoadBitmapResource("BSW.png", 2);
  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(b.W(), 74);
  EXPECT_EQ(b.H(), 148);
  EXPECT_EQ(b.mAPIBitmap->SourceScale(), 2.0f);
  EXPECT_EQ(ui().UploadCount(), uploads);
  EXPECT_EQ(ui().LayerPixelWidth(), static_cast<int>(605 * 1.5f));
}

TEST_F(BackendTest, WhatCannotBeABitmapIsEmptyAndNotCached)
{
  const int cached = ui().CachedBitmapCount();
  const int uploads = ui().UploadCount();
  for (const char* name : {"AKNOB", "AKNOB.bmp", "MISSING.png", "Roboto-Regular.ttf", ""})
  {
    const IBitmapRef b = ui().LoadBitmapResource(name, 121);
    EXPECT_FALSE(b.IsValid()) << name;
    EXPECT_EQ(b.W(), 0);
    EXPECT_EQ(b.H(), 0);
    EXPECT_EQ(b.N(), 0);
    EXPECT_TRUE(b.mResourceName.empty());
  }
  EXPECT_EQ(ui().CachedBitmapCount(), cached);
  EXPECT_EQ(ui().UploadCount(), uploads);
}

TEST(BackendResources, TinyOrUndecodableResourcesCountAsAbsent)
{
  OffscreenGL gl;
  QUORVANE_REQUIRE_GL(gl);
  static const unsigned char tiny[] = {0x89, 'P', 'N', 'G'};
  static const unsigned char junk[] = "this is not a picture at all";
  TableResourceSource source({{"\"TINY@2X.PNG\"", "PNG", tiny, sizeof tiny},
                              {"\"JUNK@2X.PNG\"", "PNG", junk, sizeof junk},
                              {"\"JUNK.TTF\"", "TTF", junk, sizeof junk}},
                             [](const std::string&) { return false; });
  BackendDelegate d;
  d.SetMakeGraphicsFunc([&]() -> std::unique_ptr<iplug::IGraphicsContext> {
    return std::make_unique<OffscreenGraphics>(d, gl, source);
  });
  d.OpenEditor(nullptr);
  auto& ui = static_cast<OffscreenGraphics&>(*d.GetUI());
  EXPECT_FALSE(ui.LoadBitmapResource("TINY.png", 2).IsValid());
  EXPECT_FALSE(ui.LoadBitmapResource("JUNK.png", 2).IsValid());
  EXPECT_FALSE(ui.LoadFontResource("Junk", "JUNK.ttf"));
  EXPECT_EQ(ui.CachedBitmapCount(), 0);
  d.CloseEditor();
}

TEST_F(BackendTest, FontsAreSharedAcrossEditorsAndReleasedWithTheLast)
{
  ASSERT_TRUE(ui().LoadFontResource("Roboto-Regular", "Roboto-Regular.ttf"));
  EXPECT_FALSE(ui().LoadFontResource("Missing", "Missing.ttf"));
  auto counts = IGraphicsNanoVG::GetFontCacheCounts();
  EXPECT_EQ(counts.windows, 1);
  EXPECT_EQ(counts.fontData, 1);
  EXPECT_EQ(counts.platformFonts, 1);
  EXPECT_EQ(counts.installedFonts, 0); // installed only while the platform font is made

  {
    OffscreenGL gl2;
    BackendDelegate d2;
    d2.SetMakeGraphicsFunc([&]() -> std::unique_ptr<iplug::IGraphicsContext> {
      return std::make_unique<OffscreenGraphics>(d2, gl2, resources);
    });
    d2.OpenEditor(nullptr);
    EXPECT_TRUE(static_cast<OffscreenGraphics&>(*d2.GetUI()).LoadFontResource("Roboto-Regular", "ROBOTO-REGULAR.TTF"));
    counts = IGraphicsNanoVG::GetFontCacheCounts();
    EXPECT_EQ(counts.windows, 2);
    EXPECT_EQ(counts.fontData, 1);
    d2.CloseEditor();
  }
  counts = IGraphicsNanoVG::GetFontCacheCounts();
  EXPECT_EQ(counts.windows, 1);
  EXPECT_EQ(counts.fontData, 1);

  d.CloseEditor();
  counts = IGraphicsNanoVG::GetFontCacheCounts();
  EXPECT_EQ(counts.windows, 0);
  EXPECT_EQ(counts.fontData, 0);
  EXPECT_EQ(counts.platformFonts, 0);
}

TEST_F(BackendTest, TextIsDrawnOnlyInALoadedFont)
{
  ASSERT_TRUE(ui().Paint());
  const auto before = ui().ReadWindow();
  const IBounds box(20, 20, 220, 60);
  ITextStyle missing(24.0f, IColor(255, 255, 0, 0), "Unloaded");

  IBounds measured = box;
  EXPECT_EQ(ui().MeasureText(missing, "Quorvane", measured), 0.0f);

  auto drawText = [&](const ITextStyle& style) {
    gl.MakeCurrent();
    ui().BeginFrame();
    ui().PathClipRegion(box);
    ui().DrawText(style, "Quorvane", box, nullptr);
    ui().EndFrame();
    glFinish();
    gl.Restore();
    return ui().ReadWindow();
  };
  EXPECT_EQ(drawText(missing), before);

  ASSERT_TRUE(ui().LoadFontResource("Roboto-Regular", "Roboto-Regular.ttf"));
  ITextStyle roboto(24.0f, IColor(255, 255, 0, 0), "Roboto-Regular");
  measured = box;
  const float width = ui().MeasureText(roboto, "Quorvane", measured);
  EXPECT_GT(width, 60.0f);
  EXPECT_LT(width, 200.0f);
  EXPECT_NEAR(measured.MW(), box.MW(), 1.0f); // centred
  EXPECT_TRUE(box.Contains(measured));

  const auto after = drawText(roboto);
  int changedInside = 0;
  int changedOutside = 0;
  const int w = ui().WindowPixelWidth();
  for (int y = 0; y < ui().WindowPixelHeight(); ++y)
    for (int x = 0; x < w; ++x)
    {
      const std::size_t i = (static_cast<std::size_t>(y) * w + x) * 4;
      if (after[i] == before[i] && after[i + 1] == before[i + 1] && after[i + 2] == before[i + 2])
        continue;
      (box.Contains(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f) ? changedInside : changedOutside)++;
    }
  EXPECT_GT(changedInside, 100);
  EXPECT_EQ(changedOutside, 0);
}

TEST_F(BackendTest, TheKnobFrameForItsValueLandsInItsRectangleAtOneAndTwoTimes)
{
  ASSERT_FALSE(knob.rgba.empty());
  ASSERT_FALSE(background.rgba.empty());
  const IBounds rect(506, 250, 570, 314);

  for (float zoom : {1.0f, 2.0f})
  {
    SCOPED_TRACE(zoom);
    ui().Resize(605, 602, zoom, true);
    ui().Paint();
    SetValue(kKnob, 0.5); // frame 61
    const auto window = ui().ReadWindow();
    const double right = FrameError(window, knob, 121, 61, rect);
    EXPECT_LT(right, zoom == 2.0f ? 0.5 : 1.5);
    // Frames a quarter turn away differ only in the pointer, a small part of the knob, yet they
    // match clearly worse: the comparison can tell frames apart.
    EXPECT_GT(FrameError(window, knob, 121, 31, rect), 2.5 * right + 0.5);
    EXPECT_GT(FrameError(window, knob, 121, 91, rect), 2.5 * right + 0.5);

    SetValue(kKnob, 1.0);
    const auto full = ui().ReadWindow();
    EXPECT_LT(FrameError(full, knob, 121, 121, rect), zoom == 2.0f ? 0.5 : 1.5);
    // Nothing outside the knob's rectangle moved with it.
    const int z = static_cast<int>(zoom);
    const int w = ui().WindowPixelWidth();
    for (int y = 240 * z; y < 324 * z; ++y)
      for (int x = 496 * z; x < 580 * z; ++x)
      {
        if (x >= 505 * z && x < 571 * z && y >= 249 * z && y < 315 * z)
          continue;
        const std::size_t i = (static_cast<std::size_t>(y) * w + x) * 4;
        ASSERT_EQ(full[i], window[i]) << x << "," << y;
      }
  }
}

TEST_F(BackendTest, TheNeedleShowsTheFrameOfTheMeterValue)
{
  ASSERT_FALSE(needle.rgba.empty());
  const IBounds rect(97, 75, 256, 145);
  ui().Resize(605, 602, 2.0f, true);
  ui().Paint();
  for (double v : {0.0, 0.5, 1.0})
  {
    SetValue(kMeter, v);
    const int frame = static_cast<int>(v * 100 + 0.5) + 1;
    const auto window = ui().ReadWindow();
    EXPECT_LT(FrameError(window, needle, 101, frame, rect), 1.0) << v;
    EXPECT_GT(FrameError(window, needle, 101, frame == 51 ? 1 : 51, rect), 1.0) << v;
  }
}

TEST_F(BackendTest, ZoomRebuildsTheLayerAndRedrawsEverythingOnce)
{
  EXPECT_EQ(ui().LayerPixelWidth(), 605);
  EXPECT_EQ(ui().LayerPixelHeight(), 602);
  ASSERT_TRUE(ui().Paint());
  EXPECT_FALSE(ui().Paint()); // the layer keeps what was drawn

  ui().Resize(605, 602, 2.0f, true);
  EXPECT_EQ(ui().LayerPixelWidth(), 1210);
  EXPECT_EQ(ui().LayerPixelHeight(), 1204);
  IRectList rects;
  ASSERT_TRUE(ui().NeedsRedraw(rects));
  EXPECT_EQ(static_cast<int>(rects.Rects().size()), ui().NControls());
  ASSERT_TRUE(ui().Paint());
  EXPECT_FALSE(ui().Paint());

  // Corners of the doubled window carry the background, so the whole layer reached the window.
  const auto window = ui().ReadWindow();
  const std::uint8_t* corner = window.data() + (static_cast<std::size_t>(1203) * 1210 + 1209) * 4;
  const std::uint8_t* expected = background.At(1209, 1203);
  for (int c = 0; c < 3; ++c)
    EXPECT_NEAR(corner[c], expected[c], 2);
}

TEST_F(BackendTest, ReopeningLoadsAgainOnTheNewRenderer)
{
  const int uploads = ui().UploadCount();
  ASSERT_TRUE(ui().Paint());
  d.CloseEditor();
  d.OpenEditor(nullptr);
  EXPECT_EQ(ui().LayerPixelWidth(), 605);
  ASSERT_TRUE(ui().Paint());
  EXPECT_EQ(ui().UploadCount(), uploads); // a fresh window object: its own count, the same loads
  EXPECT_EQ(ui().CachedBitmapCount(), 4);
}

} // namespace
} // namespace quorvane::test
