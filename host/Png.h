#pragma once
// PNG through the platform's own codec, one file per platform (libpng on Linux, PngLibpng.cpp; WIC on
// Windows, PngWic.cpp).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::host {

// main thread; RGB rows, top row first, to PNG bytes; false with a reason
bool EncodePng(const std::vector<uint8_t>& rgb, int width, int height, std::vector<uint8_t>& png, std::string& error);

// main thread; PNG bytes to RGBA rows, top row first; false with a reason
bool DecodePng(const void* data, std::size_t size, std::vector<uint8_t>& rgba, int& width, int& height,
               std::string& error);

} // namespace quorvane::host
