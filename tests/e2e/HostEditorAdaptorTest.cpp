// The built module's editor adaptor as the host makes and releases it. The container hands over no
// window, so no display is needed, but every call crosses the module boundary.

#include "host/HostInstance.h"
#include "host/HostViewContainer.h"

#include <gtest/gtest.h>

using namespace quorvane::host;

TEST(HostEditorAdaptor, MadeForAnInstanceReportsTheEditorSizeAndLeavesNothingBehind)
{
  std::string error;
  auto module = HostModule::Load(QUORVANE_MODULE_PATH, error);
  ASSERT_TRUE(module) << error;
  {
    auto instance = HostInstance::Create(*module, kStereoComponent, 48000.0, 256, error);
    ASSERT_TRUE(instance) << error;
    EffectGUIPtr gui = instance->CreateEffectGUI(error);
    ASSERT_TRUE(gui) << error;

    AAX_Point size;
    EXPECT_EQ(gui->GetViewSize(&size), AAX_SUCCESS);
    EXPECT_EQ(size.horz, 605.0f);
    EXPECT_EQ(size.vert, 602.0f);
    HostViewContainer windowless(0);
    EXPECT_EQ(gui->SetViewContainer(&windowless), AAX_SUCCESS);
    EXPECT_EQ(gui->SetControlHighlightInfo("7", true, 0), AAX_ERROR_INVALID_PARAMETER_ID) << "no editor open";
    gui.reset(); // Uninitialize, then delete, before the instance goes
  }
  EXPECT_EQ(module->CanUnloadNow(), 0);
  EXPECT_EQ(module->Services().AssertionCount(), 0);
}
