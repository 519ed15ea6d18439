// The report picture drawn with cairo, its text set with FreeType in the embedded Roboto.

#include "host/ReportPlot.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>

// The Roboto font the editor ships, embedded into the host at build time (host/CMakeLists.txt).
namespace quorvane::resources::detail {
extern const unsigned char host_font_roboto_data[];
extern const std::size_t host_font_roboto_size;
} // namespace quorvane::resources::detail

namespace quorvane::host {

namespace {

using Layout = ReportPlotLayout;

// ---- drawing helpers

struct Colour
{
  double r, g, b, a = 1.0;
};

constexpr Colour kBackground{0.98, 0.98, 0.97};
constexpr Colour kPanel{1.0, 1.0, 1.0};
constexpr Colour kGrid{0.86, 0.87, 0.88};
constexpr Colour kFrame{0.55, 0.57, 0.60};
constexpr Colour kText{0.15, 0.16, 0.18};
constexpr Colour kMuted{0.42, 0.44, 0.47};
constexpr Colour kInput{0.62, 0.65, 0.70, 0.85};
constexpr Colour kOutputLine{0.80, 0.38, 0.07};
constexpr Colour kReduction{kReductionRGB[0] / 255.0, kReductionRGB[1] / 255.0, kReductionRGB[2] / 255.0};

void Set(cairo_t* cr, const Colour& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void Text(cairo_t* cr, double x, double y, double size, const Colour& c, const std::string& text, double align = 0.0)
{
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  Set(cr, c);
  cairo_move_to(cr, x - align * extents.x_advance, y);
  cairo_show_text(cr, text.c_str());
}

// Pixel-aligned 1 px lines: crisp on the integer grid.
void HLine(cairo_t* cr, double y, const Colour& c)
{
  Set(cr, c);
  cairo_set_line_width(cr, 1.0);
  cairo_move_to(cr, Layout::kLeft, std::floor(y) + 0.5);
  cairo_line_to(cr, Layout::kRight, std::floor(y) + 0.5);
  cairo_stroke(cr);
}

void Panel(cairo_t* cr, double top, double bottom)
{
  Set(cr, kPanel);
  cairo_rectangle(cr, Layout::kLeft, top, Layout::kRight - Layout::kLeft, bottom - top);
  cairo_fill(cr);
}

void Frame(cairo_t* cr, double top, double bottom)
{
  Set(cr, kFrame);
  cairo_set_line_width(cr, 1.0);
  cairo_rectangle(cr, Layout::kLeft + 0.5, top + 0.5, Layout::kRight - Layout::kLeft - 1.0, bottom - top - 1.0);
  cairo_stroke(cr);
}

std::string Format(const char* format, double value)
{
  char text[64];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

double EnvelopeY(double db, double floorDb)
{
  const double clamped = std::clamp(db, floorDb, 0.0);
  return Layout::kEnvelopeTop + (Layout::kEnvelopeBottom - Layout::kEnvelopeTop) * clamped / floorDb;
}

// An envelope as steps one window wide; `closed` runs it down to the floor at both ends, for filling.
void EnvelopePath(cairo_t* cr, const std::vector<double>& peaksDb, double seconds, double floorDb, bool closed)
{
  const double step = ProgrammeReport::kEnvelopeSeconds;
  if (closed)
    cairo_move_to(cr, Layout::TimeX(0.0, seconds), Layout::kEnvelopeBottom);
  for (size_t i = 0; i < peaksDb.size(); ++i)
  {
    const double y = EnvelopeY(peaksDb[i], floorDb);
    const double x = Layout::TimeX(static_cast<double>(i) * step, seconds);
    if (i == 0 && !closed)
      cairo_move_to(cr, x, y);
    else
      cairo_line_to(cr, x, y);
    cairo_line_to(cr, Layout::TimeX(std::min(static_cast<double>(i + 1) * step, seconds), seconds), y);
  }
  if (closed)
  {
    cairo_line_to(cr, Layout::TimeX(seconds, seconds), Layout::kEnvelopeBottom);
    cairo_close_path(cr);
  }
}

// "-0" is how printf writes a negative zero; a reader wants "0".
std::string DbLabel(double db) { return std::fabs(db) < 0.05 ? "0" : Format("%.0f", db); }

// Seconds between time labels: about ten labels across the programme.
double TimeStep(double seconds)
{
  for (const double step : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 30.0, 60.0, 120.0, 300.0, 600.0})
  {
    if (seconds / step <= 12.0)
      return step;
  }
  return 1200.0;
}

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length)
{
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// The embedded Roboto as a cairo face; the FreeType face goes when cairo lets go of it.
cairo_font_face_t* RobotoFace(std::string& error)
{
  static FT_Library library = [] {
    FT_Library made = nullptr;
    return FT_Init_FreeType(&made) == 0 ? made : nullptr;
  }();
  FT_Face face = nullptr;
  if (library == nullptr ||
      FT_New_Memory_Face(library, resources::detail::host_font_roboto_data,
                         static_cast<FT_Long>(resources::detail::host_font_roboto_size), 0, &face) != 0)
  {
    error = "cannot load the embedded Roboto font";
    return nullptr;
  }
  cairo_font_face_t* font = cairo_ft_font_face_create_for_ft_face(face, 0);
  static const cairo_user_data_key_t key{};
  if (cairo_font_face_set_user_data(font, &key, face, [](void* f) { FT_Done_Face(static_cast<FT_Face>(f)); }) !=
      CAIRO_STATUS_SUCCESS)
  {
    cairo_font_face_destroy(font);
    FT_Done_Face(face);
    error = "cannot load the embedded Roboto font";
    return nullptr;
  }
  return font;
}

} // namespace

bool ReportPictureAvailable() { return true; }

bool DrawReportPng(const ProgrammeReport& report, const std::string& title, const std::vector<std::string>& caption,
                   std::string& png, std::string& error)
{
  cairo_font_face_t* font = RobotoFace(error);
  if (font == nullptr)
    return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, Layout::kWidth, Layout::kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_font_face(cr, font);

  Set(cr, kBackground);
  cairo_paint(cr);
  Text(cr, Layout::kLeft, 36.0, 21.0, kText, title);

  const double seconds = report.seconds;
  const double step = TimeStep(seconds);

  // The envelopes: the input filled, the output as a line over it; a dBFS grid every 6 dB.
  const double floorDb = Layout::EnvelopeFloorDb(report);
  Panel(cr, Layout::kEnvelopeTop, Layout::kEnvelopeBottom);
  for (double db = 0.0; db >= floorDb - 1e-9; db -= 6.0)
  {
    HLine(cr, EnvelopeY(db, floorDb), kGrid);
    Text(cr, Layout::kLeft - 8.0, EnvelopeY(db, floorDb) + 4.0, 12.0, kMuted, DbLabel(db), 1.0);
  }
  Text(cr, Layout::kLeft - 8.0, Layout::kEnvelopeTop - 10.0, 12.0, kMuted, "dBFS", 1.0);
  EnvelopePath(cr, report.inPeakDb, seconds, floorDb, true);
  Set(cr, kInput);
  cairo_fill(cr);
  EnvelopePath(cr, report.outPeakDb, seconds, floorDb, false);
  Set(cr, kOutputLine);
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
  Frame(cr, Layout::kEnvelopeTop, Layout::kEnvelopeBottom);

  // Legend, top right above the plot.
  const double legendY = Layout::kEnvelopeTop - 22.0;
  Set(cr, kInput);
  cairo_rectangle(cr, Layout::kRight - 250.0, legendY - 10.0, 14.0, 12.0);
  cairo_fill(cr);
  Text(cr, Layout::kRight - 230.0, legendY, 13.0, kText, "input (10 ms peaks)");
  Set(cr, kOutputLine);
  cairo_set_line_width(cr, 2.0);
  cairo_move_to(cr, Layout::kRight - 110.0, legendY - 4.0);
  cairo_line_to(cr, Layout::kRight - 96.0, legendY - 4.0);
  cairo_stroke(cr);
  Text(cr, Layout::kRight - 90.0, legendY, 13.0, kText, "output");

  // The gain reduction: 0 dB at the top, growing downwards.
  const double depth = Layout::ReductionDepthDb(report);
  Panel(cr, Layout::kReductionTop, Layout::kReductionBottom);
  const double gridStep = depth <= 12.0 ? 3.0 : depth <= 24.0 ? 6.0 : 12.0;
  for (double db = 0.0; db <= depth + 1e-9; db += gridStep)
  {
    HLine(cr, Layout::ReductionY(-db, depth), kGrid);
    Text(cr, Layout::kLeft - 8.0, Layout::ReductionY(-db, depth) + 4.0, 12.0, kMuted, DbLabel(-db), 1.0);
  }
  Text(cr, Layout::kLeft + 8.0, Layout::kReductionTop - 10.0, 13.0, kText,
       "gain reduction (dB): output against input in 10 ms windows, make-up removed");
  cairo_save(cr);
  cairo_rectangle(cr, Layout::kLeft, Layout::kReductionTop, Layout::kRight - Layout::kLeft,
                  Layout::kReductionBottom - Layout::kReductionTop);
  cairo_clip(cr);
  Set(cr, kReduction);
  cairo_set_line_width(cr, 2.0);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  bool drawing = false;
  for (size_t i = 0; i < report.reductionDb.size(); ++i)
  {
    const double r = report.reductionDb[i];
    if (!std::isfinite(r))
    {
      drawing = false; // a gap where the input is quiet
      continue;
    }
    const double x = Layout::TimeX((static_cast<double>(i) + 0.5) * ProgrammeReport::kEnvelopeSeconds, seconds);
    const double y = Layout::ReductionY(-r, depth);
    if (drawing)
      cairo_line_to(cr, x, y);
    else
      cairo_move_to(cr, x, y);
    drawing = true;
  }
  cairo_stroke(cr);
  cairo_restore(cr);
  Frame(cr, Layout::kReductionTop, Layout::kReductionBottom);

  // Time, under both plots.
  for (double t = 0.0; t <= seconds + 1e-9; t += step)
  {
    const double x = std::floor(Layout::TimeX(t, seconds)) + 0.5;
    Set(cr, kGrid);
    cairo_set_line_width(cr, 1.0);
    for (const auto& [top, bottom] : {std::pair{Layout::kEnvelopeTop, Layout::kEnvelopeBottom},
                                      std::pair{Layout::kReductionTop, Layout::kReductionBottom}})
    {
      cairo_move_to(cr, x, bottom);
      cairo_line_to(cr, x, bottom + 5.0);
    }
    cairo_stroke(cr);
    Text(cr, x, Layout::kReductionBottom + 19.0, 12.0, kMuted, Format(step < 1.0 ? "%.1f" : "%.0f", t), 0.5);
  }
  Text(cr, Layout::kRight + 12.0, Layout::kReductionBottom + 19.0, 12.0, kMuted, "s");

  double y = Layout::kReductionBottom + 50.0;
  for (const std::string& line : caption)
  {
    Text(cr, Layout::kLeft, y, 14.0, kText, line);
    y += 21.0;
  }

  cairo_destroy(cr);
  cairo_surface_flush(surface);
  png.clear();
  const cairo_status_t status = cairo_surface_write_to_png_stream(surface, AppendPng, &png);
  cairo_surface_destroy(surface);
  cairo_font_face_destroy(font);
  if (status != CAIRO_STATUS_SUCCESS)
  {
    error = std::string("cannot draw the picture: ") + cairo_status_to_string(status);
    return false;
  }
  return true;
}

} // namespace quorvane::host
