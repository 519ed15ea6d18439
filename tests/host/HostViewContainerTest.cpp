// The host's view container: the native window it hands over, the editor's resize requests, the
// modifier bits and the parameter clicks the editor offers the host.

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

#include "host/HostViewContainer.h"

using quorvane::host::HostViewContainer;

namespace {

AAX_Point Size(float width, float height)
{
  AAX_Point size;
  size.horz = width;
  size.vert = height;
  return size;
}

} // namespace

TEST(HostViewContainer, HandsOverTheWindowIdAsThePointer)
{
  HostViewContainer container(0x1c00007u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(container.GetPtr()), 0x1c00007u);
  EXPECT_EQ(HostViewContainer(0).GetPtr(), nullptr);
}

TEST(HostViewContainer, AResizeIsRecordedAndPassedToTheWindowOwner)
{
  std::vector<std::pair<float, float>> calls;
  HostViewContainer container(1, [&](float w, float h) { calls.emplace_back(w, h); });
  EXPECT_EQ(container.SetViewSize(Size(605.0f, 602.0f)), AAX_SUCCESS);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::make_pair(605.0f, 602.0f)) << "width is horz, height is vert";
  EXPECT_EQ(container.ViewSize().vert, 602.0f);

  // Sizes no window can take go nowhere.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (const AAX_Point& bad : {Size(0.0f, 602.0f), Size(605.0f, 0.5f), Size(-10.0f, 10.0f), Size(nan, 10.0f),
                               Size(10.0f, inf)})
    EXPECT_EQ(container.SetViewSize(bad), HostViewContainer::kSizeRefused);
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(container.ViewSizeRequests(), 1);
  EXPECT_EQ(container.ViewSize().horz, 605.0f);
}

TEST(HostViewContainer, ParameterClicksAreDeclinedUnlessTheHostTakesThem)
{
  HostViewContainer container(1);
  container.SetModifiers(1 | 8);
  uint32_t modifiers = 0;
  EXPECT_EQ(container.GetModifiers(&modifiers), AAX_SUCCESS);
  EXPECT_EQ(modifiers, 9u);
  EXPECT_EQ(container.GetModifiers(nullptr), AAX_ERROR_NULL_OBJECT);

  EXPECT_NE(container.HandleParameterMouseDown("7", 4 | 16), AAX_SUCCESS) << "by default the editor keeps it";
  container.SetMouseDownResult(AAX_SUCCESS);
  EXPECT_EQ(container.HandleParameterMouseDown("11", 1), AAX_SUCCESS);
  EXPECT_EQ(container.HandleParameterMouseDown(nullptr, 1), AAX_ERROR_INVALID_PARAMETER_ID);
  ASSERT_EQ(container.MouseDowns().size(), 2u);
  EXPECT_EQ(container.MouseDowns()[0].id, "7");
  EXPECT_EQ(container.MouseDowns()[0].modifiers, 20u);
  EXPECT_EQ(container.MouseDowns()[1].id, "11");
}
