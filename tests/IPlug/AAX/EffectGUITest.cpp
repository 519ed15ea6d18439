// The editor adaptor between an AAX host and an IPlugAAX plug-in: finding the plug-in, opening and closing
// its editor in the host's container, the size it reports, highlighting, and host-window resizing.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "IPlug/AAX/AAX_CEffectGUI_IPLUG.h"
#include "IPlug/AAX/IPlugAAX.h"
#include "tests/support/FakeAAXHost.h"
#include "tests/support/FakeGraphicsContext.h"

using namespace iplug;
using quorvane::test::FakeController;
using quorvane::test::FakeGraphicsContext;
using quorvane::test::FakeUI;
using quorvane::test::FakeViewContainer;

namespace {

class TestPlugin : public IPlugAAX
{
public:
  explicit TestPlugin(bool hasEditor = true)
    : IPlugAAX(Config(hasEditor))
  {
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->DefineDouble("p", 0.0, 0.0, 1.0, 0.0);
    quorvane::test::UseFakeGraphics(*this);
  }

  static PluginConfig Config(bool hasEditor)
  {
    PluginConfig config;
    config.mParamCount = 8;
    config.mChannelIOString = "2-2";
    config.mUniqueId = AAX_FourCC("Tst1");
    config.mHasEditor = hasEditor;
    config.mEditorWidth = 300;
    config.mEditorHeight = 200;
    return config;
  }
};

class RecordingGUI : public AAX_CEffectGUI_IPLUG
{
public:
  AAX_Result ParameterUpdated(AAX_CParamID id) override
  {
    mUpdated.emplace_back(id);
    return AAX_CEffectGUI_IPLUG::ParameterUpdated(id);
  }
  std::vector<std::string> mUpdated;
};

// Their addresses stand in for the host's native windows.
int gWindow;
int gOtherWindow;

struct Hosted
{
  FakeController controller;
  TestPlugin plug;
  RecordingGUI gui;
  FakeViewContainer container{&gWindow};

  explicit Hosted(bool hasEditor = true)
    : plug(hasEditor)
  {
    EXPECT_EQ(controller.Attach(plug), AAX_SUCCESS);
    EXPECT_EQ(gui.Initialize(&controller), AAX_SUCCESS);
  }
  ~Hosted() { gui.Uninitialize(); }

  AAX_Point ViewSize()
  {
    AAX_Point size;
    EXPECT_EQ(gui.GetViewSize(&size), AAX_SUCCESS);
    return size;
  }
};

} // namespace

TEST(AAXEffectGUI, OpeningFindsThePluginAndHandsItTheContainer)
{
  RecordingGUI orphan;
  EXPECT_EQ(orphan.Initialize(nullptr), AAX_ERROR_NOT_INITIALIZED);

  Hosted h;
  EXPECT_EQ(h.gui.GetOwnerPlugin(), &h.plug);
  EXPECT_EQ(h.gui.GetTransport(), &h.controller.mTransport);
  EXPECT_EQ(h.ViewSize().horz, 300.0f);
  EXPECT_EQ(h.ViewSize().vert, 200.0f);

  ASSERT_EQ(h.gui.SetViewContainer(&h.container), AAX_SUCCESS);
  FakeGraphicsContext* ui = FakeUI(h.plug);
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(ui->mOpens, 1);
  EXPECT_EQ(ui->mParent, &gWindow);
  EXPECT_EQ(ui->mHostViewContainer, &h.container);
  EXPECT_EQ(h.plug.GetHostViewContainer(), &h.container);
  // Every AAX parameter in the effect's order (the binding registers the master bypass first).
  const std::vector<std::string> ids = {"MasterBypassID", "1", "2", "3", "4", "5", "6", "7", "8"};
  EXPECT_EQ(h.gui.mUpdated, ids);
}

TEST(AAXEffectGUI, ANullContainerOrUninitializeClosesTheEditor)
{
  Hosted h;
  h.gui.SetViewContainer(&h.container);
  EXPECT_EQ(h.gui.SetViewContainer(nullptr), AAX_SUCCESS);
  EXPECT_EQ(h.plug.GetUI(), nullptr);
  EXPECT_EQ(h.plug.GetHostViewContainer(), nullptr);

  h.gui.SetViewContainer(&h.container);
  ASSERT_NE(h.plug.GetUI(), nullptr);
  EXPECT_EQ(h.gui.Uninitialize(), AAX_SUCCESS);
  EXPECT_EQ(h.plug.GetUI(), nullptr);
  EXPECT_EQ(h.plug.GetHostViewContainer(), nullptr);
  EXPECT_EQ(h.gui.GetViewContainer(), nullptr);
}

TEST(AAXEffectGUI, ASecondContainerReplacesTheFirstView)
{
  Hosted h;
  FakeViewContainer other(&gOtherWindow);
  h.gui.SetViewContainer(&h.container);
  h.gui.SetViewContainer(&other);
  FakeGraphicsContext* ui = FakeUI(h.plug);
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(ui->mOpens, 1) << "a fresh editor, opened once";
  EXPECT_EQ(ui->mParent, &gOtherWindow);
  EXPECT_EQ(h.plug.GetHostViewContainer(), &other);
}

TEST(AAXEffectGUI, NoWindowOrNoEditorOpensNothing)
{
  Hosted windowless;
  FakeViewContainer noWindow(nullptr);
  windowless.gui.SetViewContainer(&noWindow);
  EXPECT_EQ(windowless.plug.GetUI(), nullptr);
  EXPECT_EQ(windowless.gui.mUpdated.size(), 9u) << "parameters are still announced";

  Hosted editorless(false);
  AAX_Point size;
  size.horz = 7.0f;
  EXPECT_EQ(editorless.gui.GetViewSize(&size), AAX_SUCCESS);
  EXPECT_EQ(size.horz, 7.0f) << "left as the host gave it";
  editorless.gui.SetViewContainer(&editorless.container);
  EXPECT_EQ(editorless.plug.GetUI(), nullptr);
}

TEST(AAXEffectGUI, HighlightAddressesTheFrameworkIndex)
{
  Hosted h;
  EXPECT_EQ(h.gui.SetControlHighlightInfo("7", true, 2), AAX_ERROR_INVALID_PARAMETER_ID) << "no editor open";

  h.gui.SetViewContainer(&h.container);
  FakeGraphicsContext* ui = FakeUI(h.plug);
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(h.gui.SetControlHighlightInfo("7", true, 2), AAX_SUCCESS);
  EXPECT_EQ(h.gui.SetControlHighlightInfo("MasterBypassID", false, 3), AAX_SUCCESS);
  EXPECT_EQ(h.gui.SetControlHighlightInfo(nullptr, true, 0), AAX_SUCCESS);
  ASSERT_EQ(ui->mHighlights.size(), 3u);
  EXPECT_EQ(ui->mHighlights[0].mParamIdx, 6);
  EXPECT_TRUE(ui->mHighlights[0].mHighlighted);
  EXPECT_EQ(ui->mHighlights[0].mColorCode, 2);
  EXPECT_EQ(ui->mHighlights[1].mParamIdx, -1);
  EXPECT_FALSE(ui->mHighlights[1].mHighlighted);
  EXPECT_EQ(ui->mHighlights[2].mParamIdx, -1);
}

TEST(AAXEffectGUI, ResizeHostViewAsksTheHostOnlyForANewSize)
{
  Hosted h;
  h.gui.SetViewContainer(&h.container);
  EXPECT_TRUE(h.plug.ResizeHostView(300, 200));
  EXPECT_TRUE(h.container.mSizes.empty()) << "the host already shows this size";

  EXPECT_TRUE(h.plug.ResizeHostView(300, 260));
  ASSERT_EQ(h.container.mSizes.size(), 1u) << "a height change alone counts";
  EXPECT_EQ(h.container.mSizes[0].horz, 300.0f);
  EXPECT_EQ(h.container.mSizes[0].vert, 260.0f);
  EXPECT_EQ(h.ViewSize().vert, 260.0f);

  // Closed: the size is only remembered.
  h.gui.SetViewContainer(nullptr);
  EXPECT_TRUE(h.plug.ResizeHostView(500, 300));
  EXPECT_EQ(h.container.mSizes.size(), 1u);
  EXPECT_EQ(h.ViewSize().horz, 500.0f);

  TestPlugin editorless(false);
  EXPECT_TRUE(editorless.ResizeHostView(500, 300));
  EXPECT_EQ(editorless.GetEditorWidth(), 300) << "no editor, nothing stored";
}

TEST(AAXEffectGUI, AnEffectThatIsNotAnIPlugPluginLeavesTheAdaptorInert)
{
  FakeController controller;
  AAX_CEffectParameters foreign;
  controller.Attach(foreign);
  RecordingGUI gui;
  FakeViewContainer container(&gWindow);

  ASSERT_EQ(gui.Initialize(&controller), AAX_SUCCESS);
  EXPECT_EQ(gui.GetOwnerPlugin(), nullptr);
  EXPECT_EQ(gui.SetViewContainer(&container), AAX_SUCCESS);
  AAX_Point size;
  size.horz = 3.0f;
  EXPECT_EQ(gui.GetViewSize(&size), AAX_SUCCESS);
  EXPECT_EQ(size.horz, 3.0f);
  EXPECT_EQ(gui.SetControlHighlightInfo("1", true, 0), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(gui.Uninitialize(), AAX_SUCCESS);
}
