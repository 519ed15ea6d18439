// Result names and the throwing result holder of the registration path.

#include <gtest/gtest.h>

#include <cstring>

#include "aax/AAX_CHostServices.h"
#include "aax/AAX_CheckedResult.h"
#include "tests/support/FakeAAXHost.h"

TEST(AAXResultName, NamesTheRangesTheFormatDefines)
{
  EXPECT_STREQ(AAX_ResultName(0), "AAX_SUCCESS");
  EXPECT_STREQ(AAX_ResultName(-20001), "AAX_ERROR_INVALID_PARAMETER_ID");
  EXPECT_STREQ(AAX_ResultName(-20007), "AAX_ERROR_INVALID_CHUNK_ID");
  EXPECT_STREQ(AAX_ResultName(-20042), "AAX_ERROR_UNKNOWN_EXCEPTION");
  EXPECT_STREQ(AAX_ResultName(-20046), "AAX named error");
  EXPECT_STREQ(AAX_ResultName(-21000), "plug-in defined error");
  EXPECT_STREQ(AAX_ResultName(-20600), "plug-in defined error");
  EXPECT_STREQ(AAX_ResultName(-20047), "<unknown error code>");
  EXPECT_STREQ(AAX_ResultName(-20599), "<unknown error code>");
  EXPECT_STREQ(AAX_ResultName(1), "<unknown error code>");
}

TEST(AAXCheckedResult, SuccessPassesAnythingElseTracesAndThrows)
{
  quorvane::test::FakeHostServices services;
  AAX_CHostServices::Set(&services);
  AAX_CheckedResult err;
  EXPECT_NO_THROW(err = AAX_SUCCESS);
  try
  {
    err = AAX_ERROR_NULL_OBJECT;
    FAIL() << "no throw";
  }
  catch (const AAX_CheckedResult::Exception& e)
  {
    EXPECT_EQ(e.Result(), AAX_ERROR_NULL_OBJECT);
  }
  ASSERT_EQ(services.mTraces.size(), 1u);
  EXPECT_EQ(services.mTraces[0], "AAX_CheckedResult - throwing AAX_ERROR_NULL_OBJECT");
  AAX_CHostServices::Set(nullptr);
}

TEST(AAXHostServices, AssertionsReachTheHostWithFlagOneAndExecutionGoesOn)
{
  quorvane::test::FakeHostServices services;
  AAX_ASSERT(1 == 2); // no host yet: goes nowhere
  AAX_CHostServices::Set(&services);
  AAX_ASSERT(1 == 2);
  AAX_ASSERT(1 == 1);
  AAX_CHostServices::Set(nullptr);
  ASSERT_EQ(services.mAsserts.size(), 1u);
  EXPECT_EQ(services.mAsserts[0].mNote, "1 == 2");
  EXPECT_EQ(services.mAsserts[0].mFlags, 1);
  EXPECT_NE(services.mAsserts[0].mFile.find("ResultsTest.cpp"), std::string::npos);
  EXPECT_GT(services.mAsserts[0].mLine, 0);
}
