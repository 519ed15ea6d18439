// The picture of what the compressor did: the demo's report.png and `render --plot`, read back as a
// person would look at them (where the gain-reduction trace is drawn).

#include "host/AudioFile.h"
#include "host/Demo.h"
#include "host/ReportPlot.h"
#include "tests/e2e/HostCommand.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace quorvane::host;
using Layout = ReportPlotLayout;
using quorvane::test::Host;
using quorvane::test::HostRun;

namespace {

class Picture
{
public:
  explicit Picture(const std::string& path)
  {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
    {
      mWidth = cairo_image_surface_get_width(surface);
      mHeight = cairo_image_surface_get_height(surface);
      const int stride = cairo_image_surface_get_stride(surface);
      const unsigned char* data = cairo_image_surface_get_data(surface);
      for (int y = 0; y < mHeight; ++y)
        for (int x = 0; x < mWidth; ++x)
        {
          uint32_t px = 0;
          std::memcpy(&px, data + y * stride + 4 * x, 4);
          mPixels.push_back(px);
        }
    }
    cairo_surface_destroy(surface);
  }

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }

  // The trace's colour, allowing for antialiasing against the white panel.
  bool IsTrace(int x, int y) const
  {
    const uint32_t px = mPixels[static_cast<size_t>(y * mWidth + x)];
    const int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
    return std::abs(r - kReductionRGB[0]) < 60 && std::abs(g - kReductionRGB[1]) < 60 &&
           std::abs(b - kReductionRGB[2]) < 40;
  }

  // The rows of column x inside the reduction panel where the trace is.
  std::vector<int> TraceRows(int x) const
  {
    std::vector<int> rows;
    for (int y = static_cast<int>(Layout::kReductionTop) + 1; y < static_cast<int>(Layout::kReductionBottom) - 1; ++y)
    {
      if (IsTrace(x, y))
        rows.push_back(y);
    }
    return rows;
  }

private:
  int mWidth = 0;
  int mHeight = 0;
  std::vector<uint32_t> mPixels;
};

class ReportPicture : public testing::Test
{
protected:
  void SetUp() override
  {
    char pattern[] = "/tmp/quorvane-plot-XXXXXX";
    mDir = mkdtemp(pattern);
  }
  void TearDown() override { [[maybe_unused]] const int rc = std::system(("rm -rf '" + mDir + "'").c_str()); }

  std::string WriteProgramme(double seconds)
  {
    const std::string path = mDir + "/in.wav";
    std::string error;
    AtomicFile f;
    EXPECT_TRUE(f.Create(path, error) && f.WriteAudio(SynthesiseDemoProgramme(48000.0, seconds), error) &&
                f.Commit(error))
      << error;
    return path;
  }

  std::string mDir;
};

} // namespace

TEST_F(ReportPicture, TheDemoDrawsTheGainReductionWhereTheProgrammeIsCompressed)
{
  ASSERT_EQ(Host("demo --out " + mDir).status, 0);
  const Picture picture(mDir + "/report.png");
  ASSERT_EQ(picture.Width(), Layout::kWidth);
  ASSERT_EQ(picture.Height(), Layout::kHeight);

  // What the host measures from the demo's own files, window by window.
  Audio dry;
  Audio wet;
  std::string error;
  ASSERT_TRUE(ReadAudio(mDir + "/dry.wav", dry, error)) << error;
  ASSERT_TRUE(ReadAudio(mDir + "/processed.wav", wet, error)) << error;
  const ProgrammeReport report = MeasureProgramme(dry, wet, 3.0, 0);
  const double depth = Layout::ReductionDepthDb(report);

  int compressed = 0;
  int found = 0;
  for (size_t i = 1; i + 1 < report.reductionDb.size(); ++i)
  {
    const double r = report.reductionDb[i];
    // Where the trace is steady (its neighbours within 1 dB), its pixels sit at the window's value.
    if (!(r > 2.0) || !(std::fabs(report.reductionDb[i - 1] - r) < 1.0) || !(std::fabs(report.reductionDb[i + 1] - r) < 1.0))
      continue;
    ++compressed;
    const int x = static_cast<int>(Layout::TimeX((static_cast<double>(i) + 0.5) * ProgrammeReport::kEnvelopeSeconds,
                                                 report.seconds));
    const double expected = Layout::ReductionY(-r, depth);
    for (const int row : picture.TraceRows(x))
    {
      if (std::fabs(row - expected) <= 3.0)
      {
        ++found;
        break;
      }
    }
  }
  EXPECT_GT(compressed, 100) << "the demo setting compresses the programme";
  EXPECT_GE(found, compressed * 95 / 100) << found << " of " << compressed << " compressed windows drawn in place";

  // And nothing of the trace's colour outside its panel: the envelopes and text are other colours.
  int stray = 0;
  for (int x = 0; x < picture.Width(); x += 3)
    for (int y = static_cast<int>(Layout::kEnvelopeTop); y < static_cast<int>(Layout::kEnvelopeBottom); y += 3)
      stray += picture.IsTrace(x, y);
  EXPECT_EQ(stray, 0);
}

TEST_F(ReportPicture, ARenderWithTheProcessingSwitchedOffDrawsAFlatTraceAtZero)
{
  const std::string in = WriteProgramme(4.0);
  ASSERT_EQ(Host("render " + in + " " + mDir + "/out.wav --set Bypass=0 --set Make-Up\\ Gain=6 --plot " + mDir +
                 "/plot.png").status,
            0);
  const Picture picture(mDir + "/plot.png");
  ASSERT_EQ(picture.Width(), Layout::kWidth);
  ASSERT_EQ(picture.Height(), Layout::kHeight);
  const double zero = Layout::ReductionY(0.0, 6.0);
  int drawn = 0;
  for (int x = static_cast<int>(Layout::kLeft) + 2; x < static_cast<int>(Layout::kRight) - 2; ++x)
  {
    const std::vector<int> rows = picture.TraceRows(x);
    drawn += !rows.empty();
    for (const int row : rows)
      ASSERT_LE(std::fabs(row - zero), 2.0) << "column " << x;
  }
  EXPECT_GT(drawn, static_cast<int>((Layout::kRight - Layout::kLeft) * 0.8)) << "the trace runs across the programme";
}

TEST_F(ReportPicture, APlotPathThatCannotBeWrittenCostsTheAudioNothing)
{
  const std::string in = WriteProgramme(1.0);
  const HostRun r = Host("render " + in + " " + mDir + "/out.wav --set Ratio=4:1 --plot " + mDir + "/no/such/dir/p.png");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  EXPECT_NE(r.err.find("plot"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("no/such/dir"), std::string::npos) << r.err;
  Audio out;
  std::string error;
  ASSERT_TRUE(ReadAudio(mDir + "/out.wav", out, error)) << error;
  EXPECT_EQ(out.Frames(), 48000);
}
