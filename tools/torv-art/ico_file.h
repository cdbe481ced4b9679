// Windows icon files (.ico): each image stored as a 32-bit bitmap with straight alpha and the
// 1-bit transparency mask that older readers use, which every version of Windows loads and
// which the resource compiler packs as it is.
#pragma once

#include <png_io.h>

#include <cstdint>
#include <vector>

namespace ico {

// Images up to 256 x 256 pixels.
std::vector<std::uint8_t> encode(const std::vector<pngio::Image>& images);

} // namespace ico
