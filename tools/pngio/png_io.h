// PNG files in and out as straight-alpha pixels in B, G, R, A byte order, the order of the
// framework's own pictures, so that the image tools never convert between orders themselves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pngio {

struct Image {
    int width = 0;
    int height = 0;
    // width * height pixels, top row first; each word is 0xAARRGGBB (bytes B, G, R, A in memory).
    std::vector<std::uint32_t> pixels;

    std::uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Reads any PNG (grey, palette, RGB, with or without alpha, 8 or 16 bits) as BGRA.
// On failure returns false and says why in error.
bool read(const std::string& path, Image& image, std::string& error);

// Writes a 32-bit RGBA PNG. On failure returns false and says why in error.
bool write(const std::string& path, const Image& image, std::string& error);

} // namespace pngio
