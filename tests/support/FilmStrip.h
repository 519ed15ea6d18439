#pragma once
// Compares what an editor window shows with the film strips it was drawn from: the pictures are
// decoded from the embedded resources, a frame is composited over the background as the renderer
// does, and the window's pixels over a control's rectangle are matched against it.

#include <png.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "resources/EmbeddedResources.h"

namespace quorvane::test {

struct Image
{
  int w = 0;
  int h = 0;
  std::vector<std::uint8_t> rgba;

  bool Empty() const { return rgba.empty(); }
  const std::uint8_t* At(int x, int y) const { return rgba.data() + (static_cast<std::size_t>(y) * w + x) * 4; }
};

// An embedded PNG ("\"AKNOB@2X.PNG\"") as RGBA; empty when missing or undecodable.
inline Image DecodeEmbeddedPNG(const char* quotedName)
{
  const auto* res = quorvane::resources::Find(quotedName, "PNG");
  Image img;
  if (!res)
    return img;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, res->data, res->size))
    return img;
  png.format = PNG_FORMAT_RGBA;
  img.rgba.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, img.rgba.data(), 0, nullptr))
    return {};
  img.w = static_cast<int>(png.width);
  img.h = static_cast<int>(png.height);
  return img;
}

// Window pixels: `channels` bytes per pixel (3 or 4), rows of `width` pixels, top row first.
struct WindowPixels
{
  const std::uint8_t* data;
  int width;
  int channels;
};

// Mean absolute difference per colour channel between the window over the control rectangle
// (left, top, width, height in editor units) and frame `frame` (1-based) of an N-frame vertical strip
// composited over the background. Pictures are drawn for 2x: at zoom 2 they show 1:1, at zoom 1 each
// window pixel is the average of a 2 x 2 block.
inline double FrameError(const WindowPixels& window, const Image& background, const Image& strip, int frames,
                         int frame, int left, int top, int width, int height, int zoom)
{
  const int frameH = strip.h / frames;
  const int step = 2 / zoom;
  const int x0 = left * zoom;
  const int y0 = top * zoom;
  const int w = width * zoom;
  const int h = height * zoom;
  double sum = 0.0;
  for (int y = 0; y < h; ++y)
  {
    for (int x = 0; x < w; ++x)
    {
      double fg[4] = {0, 0, 0, 0};
      double bg[3] = {0, 0, 0};
      for (int sy = 0; sy < step; ++sy)
        for (int sx = 0; sx < step; ++sx)
        {
          const std::uint8_t* f = strip.At(x * step + sx, (frame - 1) * frameH + y * step + sy);
          const std::uint8_t* b = background.At((x0 + x) * step + sx, (y0 + y) * step + sy);
          for (int c = 0; c < 4; ++c)
            fg[c] += f[c];
          for (int c = 0; c < 3; ++c)
            bg[c] += b[c];
        }
      const double n = step * step;
      const double a = fg[3] / n / 255.0;
      const std::uint8_t* px =
        window.data + (static_cast<std::size_t>(y0 + y) * window.width + (x0 + x)) * window.channels;
      for (int c = 0; c < 3; ++c)
        sum += std::abs(px[c] - (fg[c] / n * a + bg[c] / n * (1.0 - a)));
    }
  }
  return sum / (static_cast<double>(w) * h * 3);
}

// The frame of the strip the window shows best over the rectangle, and its error.
inline int BestFrame(const WindowPixels& window, const Image& background, const Image& strip, int frames, int left,
                     int top, int width, int height, int zoom, double* error = nullptr)
{
  int best = 0;
  double bestError = std::numeric_limits<double>::max();
  for (int f = 1; f <= frames; ++f)
  {
    const double e = FrameError(window, background, strip, frames, f, left, top, width, height, zoom);
    if (e < bestError)
    {
      bestError = e;
      best = f;
    }
  }
  if (error)
    *error = bestError;
  return best;
}

} // namespace quorvane::test
