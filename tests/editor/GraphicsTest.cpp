// The graphics context as the window drives it: zoom through the corner handle, mouse-over, keys,
// the host's claim on clicks and its highlight, dirty collection and the draw pass.

#include <random>

#include "aax/AAX_Interfaces.h"
#include "tests/editor/EditorFixture.h"

using namespace quorvane::test;

namespace {

using GraphicsTest = EditorTest;

TEST_F(GraphicsTest, OpeningLaysOutOnceAndMarksEverythingDirty)
{
  EXPECT_EQ(g.mWindowOpens, 1);
  EXPECT_EQ(d.mLayouts, 1);
  EXPECT_EQ(g.GetBackgroundControl()->GetRECT(), IBounds(0, 0, 605, 602));
  EXPECT_EQ(g.NControls(), 6);
  EXPECT_EQ(g.GetCornerResizer()->GetRECT(), IBounds(585, 582, 605, 602));
  bool allDirty = true;
  g.ForAllControls([&](IControl& c) { allDirty = allDirty && c.IsDirty(); });
  EXPECT_TRUE(allDirty);
}

TEST_F(GraphicsTest, CornerDragZoomsWithinHalfToDoubleAndKeepsTheAspect)
{
  // Press inside the handle, then drag to three times the pixel position: stops at 2.0.
  g.PointerDown({At(600, 597)});
  EXPECT_TRUE(g.GetResizingInProgress());
  const size_t loadsBefore = g.mLoads.size();
  g.PointerDrag({At(1800, 1791, Left(), 1200, 1194)});
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 2.0f);
  EXPECT_EQ(g.Width(), 605);
  EXPECT_EQ(g.Height(), 602);
  ASSERT_FALSE(d.mResizeRequests.empty());
  EXPECT_EQ(d.mResizeRequests.back(), (std::pair<int, int>{1210, 1204}));
  // The handle keeps its size in pixels: the last 10 × 10 units at 2.0.
  EXPECT_EQ(g.GetCornerResizer()->GetRECT(), IBounds(595, 592, 605, 602));
  // Bitmaps keep their density during the drag...
  EXPECT_EQ(g.mLoads.size(), loadsBefore);
  g.PointerUp({At(900, 895)});
  EXPECT_FALSE(g.GetResizingInProgress());
  // ...and are reloaded once on release (background, five controls).
  EXPECT_EQ(g.mLoads.size(), loadsBefore + 6);

  // Pointer positions are in units at the current zoom: a tenth of the pixel distance shrinks to 0.5.
  g.PointerDown({At(600, 597)});
  g.PointerDrag({At(60, 59.7f, Left(), -540, -537.3f)});
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 0.5f);
  g.PointerUp({At(60, 59.7f)});
  EXPECT_EQ(g.Width(), 605);
  EXPECT_EQ(g.Height(), 602);
  EXPECT_GE(g.mFrameBufferRebuilds, 2);
}

TEST_F(GraphicsTest, DoubleClickOnTheCornerReturnsToTheInitialSize)
{
  g.Resize(907, 903, 1.5f, true);
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 1.5f);
  const IBounds handle = g.GetCornerResizer()->GetRECT();
  EXPECT_TRUE(g.PointerDoubleClick(handle.MW(), handle.MH(), Left()));
  EXPECT_EQ(g.Width(), 605);
  EXPECT_EQ(g.Height(), 602);
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 1.0f);
  EXPECT_EQ(d.mResizeRequests.back(), (std::pair<int, int>{605, 602}));
}

TEST_F(GraphicsTest, ResizeClampsToTheEditorLimits)
{
  g.Resize(5000, 10, 9.0f, true);
  EXPECT_EQ(g.Width(), 1210);
  EXPECT_EQ(g.Height(), 301);
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 2.0f);
  const size_t requests = d.mResizeRequests.size();
  g.Resize(1210, 301, 2.0f, true); // unchanged: nothing happens
  EXPECT_EQ(d.mResizeRequests.size(), requests);
}

TEST_F(GraphicsTest, ScreenScaleReloadsBitmapsForTheNewDensity)
{
  g.mLoads.clear();
  g.ApplyScreenScale(1.5f);
  EXPECT_EQ(d.mResizeRequests.back(), (std::pair<int, int>{907, 903}));
  ASSERT_EQ(g.mLoads.size(), 6u);
  EXPECT_EQ(g.mLoads[0], "BG.png@2");
}

TEST_F(GraphicsTest, MouseOverNeverReachesTheBackground)
{
  EXPECT_FALSE(g.PointerOver(10, 300, IPointerMods()));
  EXPECT_EQ(g.GetMouseOverIdx(), -1);
  EXPECT_FALSE(g.GetBackgroundControl()->GetMouseIsOver());

  EXPECT_TRUE(g.PointerOver(knob->GetRECT().MW(), knob->GetRECT().MH(), IPointerMods()));
  EXPECT_TRUE(knob->GetMouseIsOver());
  EXPECT_EQ(g.GetMouseOverControl(), knob);
  g.PointerOver(10, 300, IPointerMods());
  EXPECT_FALSE(knob->GetMouseIsOver());

  // Over the handle: the diagonal cursor, given back on leaving.
  EXPECT_TRUE(g.PointerOver(600, 597, IPointerMods()));
  EXPECT_EQ(g.GetPointerShape(), ECursor::SIZENWSE);
  g.PointerLeft();
  EXPECT_EQ(g.GetPointerShape(), ECursor::ARROW);
  EXPECT_EQ(g.GetMouseOverControl(), nullptr);
}

TEST_F(GraphicsTest, AZoomThroughTheCornerGivesTheCursorBackAfterwards)
{
  // The zoom resets the handle's mouse-over; the cursor it took must still come back, whether the
  // button is let go off the handle or on it (then the next entry must not take the diagonal cursor
  // for the one to give back).
  for (const bool releaseOnTheHandle : {false, true})
  {
    g.Resize(605, 602, 1.0f, true);
    g.PointerOver(600, 597, IPointerMods());
    ASSERT_EQ(g.GetPointerShape(), ECursor::SIZENWSE);
    g.PointerDown({At(600, 597)});
    g.PointerDrag({At(900, 895.5f, Left(), 300, 298.5f)});
    ASSERT_FLOAT_EQ(g.GetDrawScale(), 1.5f);
    const IBounds handle = g.GetCornerResizer()->GetRECT();
    if (releaseOnTheHandle)
    {
      g.PointerUp({At(handle.MW(), handle.MH())});
      g.PointerOver(handle.MW(), handle.MH(), IPointerMods());
      g.PointerOver(300, 300, IPointerMods());
      EXPECT_EQ(g.GetPointerShape(), ECursor::ARROW) << "released on the handle, then moved off";
      g.PointerOver(handle.MW(), handle.MH(), IPointerMods());
      EXPECT_EQ(g.GetPointerShape(), ECursor::SIZENWSE);
    }
    else
      g.PointerUp({At(300, 300)});
    g.PointerOver(300, 300, IPointerMods());
    EXPECT_EQ(g.GetPointerShape(), ECursor::ARROW) << (releaseOnTheHandle ? "on" : "off") << " the handle";
  }
}

TEST_F(GraphicsTest, KeysOverAKnobAreNotConsumed)
{
  iplug::IKeyPress key;
  key.mUtf8[0] = 'a';
  EXPECT_FALSE(g.OnKeyDown(knob->GetRECT().MW(), knob->GetRECT().MH(), key));
  EXPECT_FALSE(g.OnKeyUp(knob->GetRECT().MW(), knob->GetRECT().MH(), key));
  g.PointerOver(knob->GetRECT().MW(), knob->GetRECT().MH(), IPointerMods());
  EXPECT_FALSE(d.ForwardKeyDown(key));

  bool sawUp = false;
  g.SetKeyHandlerFunc([&](const iplug::IKeyPress&, bool isUp) {
    sawUp = isUp;
    return true;
  });
  EXPECT_TRUE(g.OnKeyUp(10, 10, key));
  EXPECT_TRUE(sawUp);
}

class FakeViewContainer : public AAX_IViewContainer
{
public:
  void* GetPtr() override { return nullptr; }
  AAX_Result SetViewSize(const AAX_Point&) override { return AAX_SUCCESS; }
  AAX_Result GetModifiers(uint32_t* modifiers) override
  {
    *modifiers = 0x100;
    return AAX_SUCCESS;
  }
  AAX_Result HandleParameterMouseDown(AAX_CParamID id, uint32_t modifiers) override
  {
    mCalls.emplace_back(std::string(id), modifiers);
    return mTakeClicks ? AAX_SUCCESS : -1;
  }
  bool mTakeClicks = false;
  std::vector<std::pair<std::string, uint32_t>> mCalls;
};

TEST_F(GraphicsTest, TheHostIsOfferedParameterClicksFirst)
{
  FakeViewContainer host;
  g.SetViewContainer(&host);

  IPointerMods mods = Left();
  mods.S = true;
  mods.C = true;
  Click(sixStep, mods);
  ASSERT_EQ(host.mCalls.size(), 1u);
  EXPECT_EQ(host.mCalls[0], (std::pair<std::string, uint32_t>{"2", 0x100 | 1 | 8}));
  EXPECT_EQ(d.mLog, (std::vector<std::string>{"begin 1", "end 1"}));

  // The background has no parameter: the host is not asked.
  Click(g.GetBackgroundControl());
  EXPECT_EQ(host.mCalls.size(), 1u);

  host.mTakeClicks = true;
  d.mLog.clear();
  DragVertically(knob, -64.0f);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
  EXPECT_TRUE(d.mLog.empty());
  EXPECT_TRUE(g.GetCapturedControls().empty());
  g.SetViewContainer(nullptr);
}

TEST_F(GraphicsTest, HostHighlightDrawsAColouredDot)
{
  g.SetParameterHighlight(kContinuous, true, 1);
  EXPECT_TRUE(knob->GetHighlighted());
  EXPECT_EQ(knob->GetHighlightColor(), IColor(255, 0, 0, 255));
  g.SetParameterHighlight(kContinuous, true, 7); // unknown code keeps the colour
  EXPECT_EQ(knob->GetHighlightColor(), IColor(255, 0, 0, 255));

  IRectList rects;
  rects.Add(knob->GetRECT());
  g.Draw(rects);
  const auto dots = g.CallsOf("circle");
  ASSERT_EQ(dots.size(), 1u);
  EXPECT_EQ(dots[0].mRect, IBounds(563, 253, 567, 257)); // radius 2 at (R - 5, T + 5)
}

TEST_F(GraphicsTest, DirtyControlsYieldPaddedRectanglesUntilCleaned)
{
  IRectList rects;
  g.MarkAllClean();
  EXPECT_FALSE(g.NeedsRedraw(rects));
  d.SendParamValueToControls(kMeter, 0.3, true);
  EXPECT_TRUE(g.NeedsRedraw(rects));
  ASSERT_EQ(rects.Size(), 1);
  EXPECT_EQ(rects.Get(0), IBounds(96.25f, 74.25f, 256.75f, 145.75f));
}

TEST_F(GraphicsTest, TwoFarApartRectanglesPaintOnlyTheControlsCrossingEach)
{
  g.MarkAllClean();
  d.SendParamValueToControls(kMeter, 0.3, true);
  d.SendParamValueToControls(kSixStep, 0.4, true);
  IRectList rects;
  ASSERT_TRUE(g.NeedsRedraw(rects));
  ASSERT_EQ(rects.Size(), 2);
  g.ClearCalls();
  g.Draw(rects);
  EXPECT_EQ(g.mFramesBegun, 1);
  EXPECT_EQ(g.mFramesEnded, 1);
  EXPECT_EQ(g.mSaveDepth, 0);

  const IBounds meterArea(96, 74, 257, 146);  // pixel-snapped
  const IBounds sixArea(54, 367, 120, 433);
  std::vector<std::string> painted;
  for (const DrawCall& c : g.CallsOf("bitmap"))
  {
    painted.push_back(c.mText);
    EXPECT_TRUE(c.mClip == meterArea || c.mClip == sixArea) << c.mText;
  }
  EXPECT_EQ(painted, (std::vector<std::string>{"BG.png", "NEEDLE.png", "BG.png", "ATRAT.png"}));
  // Nothing else (the hidden bubble, the far-away handle) was drawn.
  EXPECT_EQ(g.mCalls.size(), 4u);
}

TEST_F(GraphicsTest, OverlappingRectanglesNeverPaintAnAreaTwice)
{
  g.ClearCalls();
  IRectList rects;
  rects.Add(IBounds(0, 0, 100, 100));
  rects.Add(IBounds(10, 10, 20, 20)); // inside the first
  rects.Add(IBounds(50, 50, 150, 150));
  g.Draw(rects);
  std::vector<DrawCall> backgrounds;
  for (const DrawCall& c : g.CallsOf("bitmap"))
    if (c.mText == "BG.png")
      backgrounds.push_back(c);
  float area = 0.0f;
  for (size_t i = 0; i < backgrounds.size(); ++i)
  {
    area += backgrounds[i].mClip.Area();
    for (size_t j = i + 1; j < backgrounds.size(); ++j)
      EXPECT_FALSE(backgrounds[i].mClip.Intersects(backgrounds[j].mClip));
  }
  EXPECT_FLOAT_EQ(area, 100 * 100 + 100 * 100 - 50 * 50);
}

TEST(RectList, OptimizeKeepsTheCoveredAreaWithDisjointRectangles)
{
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pos(0, 40);
  std::uniform_int_distribution<int> len(1, 15);
  for (int round = 0; round < 200; ++round)
  {
    IRectList list;
    const int n = 1 + round % 6;
    for (int i = 0; i < n; ++i)
    {
      const float l = static_cast<float>(pos(rng));
      const float t = static_cast<float>(pos(rng));
      list.Add(IBounds(l, t, l + static_cast<float>(len(rng)), t + static_cast<float>(len(rng))));
    }
    IRectList optimized = list;
    optimized.Optimize();
    for (int y = 0; y < 56; ++y)
    {
      for (int x = 0; x < 56; ++x)
      {
        const float px = static_cast<float>(x) + 0.5f;
        const float py = static_cast<float>(y) + 0.5f;
        bool before = false;
        for (const IBounds& r : list.Rects())
          before = before || r.Contains(px, py);
        int after = 0;
        for (const IBounds& r : optimized.Rects())
          after += r.Contains(px, py) ? 1 : 0;
        ASSERT_EQ(after, before ? 1 : 0) << "round " << round << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(GraphicsTest, PromptPathsOpenAMenuForChoicesAndATextEntryOtherwise)
{
  // Prompting is off for every control of the editor; these paths only open when a control enables it.
  auto* choice = Add(new IBKnobControl(200, 100, g.LoadBitmapResource("AKNOB.png", 121), kChoice));
  choice->DisablePrompt(false);
  g.mMenuChoice = 2;
  EXPECT_TRUE(g.PointerDoubleClick(choice->GetRECT().MW(), choice->GetRECT().MH(), Left()));
  ASSERT_EQ(g.mMenusShown, (std::vector<int>{3}));
  EXPECT_DOUBLE_EQ(choice->GetValue(), 1.0);
  EXPECT_EQ(d.GetParam(kChoice)->Value(), 2.0);
  EXPECT_TRUE(g.GetPromptMenu().GetItem(0)->mChecked); // "A" was current when the menu opened

  knob->DisablePrompt(false);
  knob->SetPromptAppendsLabel(true);
  g.PointerDoubleClick(knob->GetRECT().MW(), knob->GetRECT().MH(), Left());
  ASSERT_EQ(g.mTextEntries.size(), 1u);
  EXPECT_EQ(g.mTextEntries[0].mParamIdx, kContinuous);
  EXPECT_EQ(g.mTextEntries[0].mBounds, IBounds(518, 274, 558, 290));
  EXPECT_EQ(g.mTextEntries[0].mText.back(), '%');
  g.SetControlValueAfterTextEdit("50");
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.5);
}

TEST_F(GraphicsTest, ClosingDeletesTheControlsAndKeepsTheSize)
{
  g.Resize(907, 903, 1.5f, true);
  d.CloseEditor();
  EXPECT_EQ(d.GetUI(), nullptr);
  iplug::StateBuffer chunk;
  d.WriteEditorState(chunk);
  int32_t w = 0;
  chunk.Get(w, 0);
  EXPECT_EQ(w, 907);
}

} // namespace
