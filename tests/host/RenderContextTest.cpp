#include "host/RenderContext.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace quorvane::host;

namespace {

// The layout this product's components register, built by hand.
void Describe(HostComponentDescriptor& c, bool withSideChain = true)
{
  c.AddMIDINode(7, AAX_eMIDINodeType_Transport, "Transport", 0xFFFF);
  for (int f : {4, 5, 6})
    c.AddPrivateData(f, 4, 0);
  for (int f = 8; f <= 22; ++f)
    c.AddPrivateData(f, 4, 0);
  c.AddAudioIn(0);
  c.AddAudioOut(1);
  c.AddAudioBufferLength(2);
  c.AddClock(3);
  c.AddPrivateData(24, 4, 0);
  if (withSideChain)
    c.AddSideChainIn(26);
  c.AddPrivateData(23, 8, 0);
  c.AddDataInPort(25, 8, AAX_eDataInPortType_Unbuffered);
}

struct Resets
{
  std::vector<std::pair<int, uint32_t>> calls;
  RenderContext::ResetFieldFn Fn()
  {
    return [this](AAX_CFieldIndex f, void* data, uint32_t size) {
      calls.emplace_back(f, size);
      std::memset(data, 0xAB, size); // what the plug-in writes must land in the slot's storage
      return AAX_SUCCESS;
    };
  }
};

} // namespace

TEST(RenderContext, SlotsPointAtStorageOfTheRegisteredSizes)
{
  HostComponentDescriptor c;
  Describe(c);
  Resets resets;
  std::string error;
  auto ctx = RenderContext::Create(c, resets.Fn(), nullptr, true, error);
  ASSERT_TRUE(ctx) << error;

  // Every private-data field was reset once with its size: 23 with 8 bytes, the placeholders with 4.
  EXPECT_EQ(resets.calls.size(), 20u);
  for (const auto& [field, size] : resets.calls)
    EXPECT_EQ(size, field == 23 ? 8u : 4u) << field;

  AAX_SIPlugContext* p = ctx->Context();
  EXPECT_EQ(static_cast<void*>(p->mPrivateField), ctx->FieldData(23));
  EXPECT_EQ(static_cast<const void*>(p->mChangeNumberField), ctx->FieldData(25));
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(p->mPrivateField)[7], 0xAB);

  float a[4] = {}, b[4] = {}, s[4] = {};
  float* ins[] = {a, b, s};
  ctx->SetInputs(ins, 3);
  ctx->SetSideChainIndex(2);
  ctx->SetBlockLength(4);
  EXPECT_EQ(p->mInputBuffersField[2], s);
  EXPECT_EQ(*p->mSideChainField, 2);
  EXPECT_EQ(*p->mBlockLengthField, 4);
}

TEST(RenderContext, PacketsArriveOnlyWhenDelivered)
{
  HostComponentDescriptor c;
  Describe(c);
  Resets resets;
  std::string error;
  auto ctx = RenderContext::Create(c, resets.Fn(), nullptr, true, error);
  ASSERT_TRUE(ctx);
  const int64_t first = 41, second = 42;
  EXPECT_TRUE(ctx->PostPacket(25, &first, 8));
  EXPECT_TRUE(ctx->PostPacket(25, &second, 8));
  EXPECT_EQ(*ctx->Context()->mChangeNumberField, 0); // not before the next render
  ctx->DeliverPackets();
  EXPECT_EQ(*ctx->Context()->mChangeNumberField, 42); // newest wins
  EXPECT_FALSE(ctx->PostPacket(24, &first, 8));        // not a data-in port
  uint8_t big[16] = {};
  EXPECT_FALSE(ctx->PostPacket(25, big, 16));
}

TEST(RenderContext, MissingOrMisSizedFieldsAreRefusedWithAReason)
{
  {
    HostComponentDescriptor c;
    Describe(c, false);
    Resets resets;
    std::string error;
    EXPECT_FALSE(RenderContext::Create(c, resets.Fn(), nullptr, true, error));
    EXPECT_NE(error.find("26"), std::string::npos) << error;
  }
  {
    HostComponentDescriptor c;
    c.AddAudioIn(0);
    c.AddAudioOut(1);
    c.AddAudioBufferLength(2);
    c.AddPrivateData(23, 4, 0); // the instance pointer needs 8 bytes
    c.AddDataInPort(25, 8, 1);
    Resets resets;
    std::string error;
    EXPECT_FALSE(RenderContext::Create(c, resets.Fn(), nullptr, false, error));
    EXPECT_NE(error.find("23"), std::string::npos) << error;
  }
  HostComponentDescriptor c;
  EXPECT_NE(c.AddPrivateData(27, 4, 0), AAX_SUCCESS); // outside the record
  EXPECT_EQ(c.AddAudioIn(0), AAX_SUCCESS);
  EXPECT_NE(c.AddAudioOut(0), AAX_SUCCESS); // a slot holds one field
}
