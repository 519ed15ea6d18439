// PNG on Linux: libpng's simplified API.

#include "host/Png.h"

#include <png.h>

namespace quorvane::host {

bool EncodePng(const std::vector<uint8_t>& rgb, int width, int height, std::vector<uint8_t>& png, std::string& error)
{
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  if (rgb.size() < static_cast<std::size_t>(width) * height * 3 ||
      !png_image_write_get_memory_size(image, size, 0, rgb.data(), 0, nullptr))
  {
    error = "cannot encode the picture as PNG";
    return false;
  }
  png.resize(size);
  if (!png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(), 0, nullptr))
  {
    error = "cannot encode the picture as PNG";
    return false;
  }
  png.resize(size);
  return true;
}

bool DecodePng(const void* data, std::size_t size, std::vector<uint8_t>& rgba, int& width, int& height,
               std::string& error)
{
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size))
  {
    error = "not a PNG picture";
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr))
  {
    error = "cannot decode the PNG picture";
    return false;
  }
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return true;
}

} // namespace quorvane::host
