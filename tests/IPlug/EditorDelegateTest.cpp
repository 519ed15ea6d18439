// The editor delegate's contract with its graphics context and with the layers above it: the editor's
// life cycle and remembered size, the editor part of the state, and how changes are announced.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "IPlug/IGEditorDelegate.h"
#include "tests/support/FakeGraphicsContext.h"

using namespace iplug;
using quorvane::test::FakeUI;
using quorvane::test::UseFakeGraphics;

namespace {

class RecordingDelegate : public IGEditorDelegate
{
public:
  explicit RecordingDelegate(int nParams = 3)
    : IGEditorDelegate(nParams)
  {
    SetEditorSize(605, 602);
    for (int i = 0; i < nParams; ++i)
      GetParam(i)->DefineDouble("p", 0.0, 0.0, 10.0, 0.5);
    UseFakeGraphics(*this);
  }

  void BeginParamGestureFromUI(int) override {}
  void EndParamGestureFromUI(int) override {}

  void OnParamChange(int idx, ParamSource source, int offset) override
  {
    mLog.push_back("change " + std::to_string(idx) + " " + ParamSourceName(source) + " " + std::to_string(offset));
    IGEditorDelegate::OnParamChange(idx, source, offset);
  }
  void ParamChangedForEditor(int idx, ParamSource source) override
  {
    mLog.push_back("editor " + std::to_string(idx) + " " + ParamSourceName(source));
  }
  bool OnDelegateMessage(int msgTag, int ctrlTag, int, const void*) override
  {
    mLog.push_back("message " + std::to_string(msgTag) + " " + std::to_string(ctrlTag));
    return true;
  }
  void OnEditorClosed() override
  {
    ++mClosedHooks;
    if (mReenterOnClose)
      CloseEditor();
  }

  std::vector<std::string> mLog;
  int mClosedHooks = 0;
  bool mReenterOnClose = false;
};

StateBuffer EditorState(int32_t width, int32_t height, float scale)
{
  StateBuffer chunk;
  chunk.Put(width);
  chunk.Put(height);
  chunk.Put(scale);
  return chunk;
}

} // namespace

TEST(EditorDelegate, ReopenedEditorKeepsItsSizeAndZoom)
{
  RecordingDelegate d;
  EXPECT_NE(d.OpenEditor(nullptr), nullptr);
  FakeUI(d)->Resize(907, 903, 1.5f, true);
  d.CloseEditor();
  EXPECT_EQ(d.GetUI(), nullptr);

  d.OpenEditor(nullptr);
  ASSERT_NE(d.GetUI(), nullptr);
  EXPECT_EQ(FakeUI(d)->Width(), 907);
  EXPECT_EQ(FakeUI(d)->Height(), 903);
  EXPECT_EQ(FakeUI(d)->GetDrawScale(), 1.5f);

  StateBuffer saved;
  EXPECT_TRUE(d.WriteEditorState(saved));
  EXPECT_EQ(saved, EditorState(907, 903, 1.5f)) << "the open editor's values are saved";
}

TEST(EditorDelegate, RestoredEditorStateWhileClosedAndOpen)
{
  RecordingDelegate d;
  // A state without a size leaves a later editor at its default size.
  EXPECT_EQ(d.ReadEditorState(EditorState(0, 602, 1.0f), 0), 12);
  d.OpenEditor(nullptr);
  EXPECT_EQ(FakeUI(d)->mResizes, 0);
  EXPECT_EQ(FakeUI(d)->Width(), 605);

  // While open: all-zero values leave the size alone, a full set resizes, a NaN zoom counts as none.
  d.ReadEditorState(EditorState(0, 0, 0.0f), 0);
  d.ReadEditorState(EditorState(700, 650, std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(FakeUI(d)->mResizes, 0);
  d.ReadEditorState(EditorState(700, 650, 2.0f), 0);
  EXPECT_EQ(FakeUI(d)->Width(), 700);
  EXPECT_EQ(FakeUI(d)->GetDrawScale(), 2.0f);
  d.CloseEditor();

  // While closed the values are only remembered, and written back as they were.
  d.ReadEditorState(EditorState(605, 602, 1.0f), 0);
  StateBuffer saved;
  d.WriteEditorState(saved);
  EXPECT_EQ(saved, EditorState(605, 602, 1.0f));

  // A chunk too short for the editor fields reports -1 and leaves what is remembered alone.
  StateBuffer shortChunk;
  shortChunk.Put(int32_t{640});
  EXPECT_EQ(d.ReadEditorState(shortChunk, 0), -1);
  saved.Clear();
  d.WriteEditorState(saved);
  EXPECT_EQ(saved, EditorState(605, 602, 1.0f));
}

TEST(EditorDelegate, CloseIsNotReentrant)
{
  RecordingDelegate d;
  d.mReenterOnClose = true;
  d.OpenEditor(nullptr);
  d.CloseEditor();
  EXPECT_EQ(d.mClosedHooks, 1);
  EXPECT_EQ(d.GetUI(), nullptr);
  d.CloseEditor(); // closing a closed editor only runs the hook
  EXPECT_EQ(d.mClosedHooks, 2);
}

TEST(EditorDelegate, ValuesReachControlsAndAnnounceThemselves)
{
  RecordingDelegate d;
  d.SendParamValueToControls(1, 5.0, false);
  EXPECT_EQ(d.mLog, std::vector<std::string>{"editor 1 Editor Delegate"}) << "no editor: still announced";

  d.OpenEditor(nullptr);
  FakeUI(d)->mControlValues.clear();
  d.SendParamValueToControls(1, 5.0, false);
  d.SendParamValueToControls(2, 0.25, true);
  d.SendParamValueToControls(99, 0.5, true); // an unknown parameter reaches no control but must not crash
  const std::vector<std::pair<int, double>> expected{{1, 0.5}, {2, 0.25}, {99, 0.5}};
  EXPECT_EQ(FakeUI(d)->mControlValues, expected);

  d.mLog.clear();
  d.SendMessageToEditor(7, 0, nullptr);
  EXPECT_EQ(d.mLog, std::vector<std::string>{"message 7 -1"});

  IKeyPress key;
  key.mUtf8[0] = 'k';
  EXPECT_TRUE(d.ForwardKeyDown(key));
  d.CloseEditor();
  EXPECT_FALSE(d.ForwardKeyDown(key)) << "no editor, nobody takes the key";
}

TEST(EditorDelegate, NotifyAllParamsChangedInIndexOrder)
{
  RecordingDelegate d;
  d.NotifyAllParamsChanged(kPresetRecall);
  const std::vector<std::string> expected{"change 0 Preset -1", "editor 0 Preset", "change 1 Preset -1",
                                          "editor 1 Preset",    "change 2 Preset -1", "editor 2 Preset"};
  EXPECT_EQ(d.mLog, expected);
  EXPECT_STREQ(ParamSourceName(static_cast<ParamSource>(42)), "Unknown");
}
