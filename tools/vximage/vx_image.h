// The framework's image resource formats on the build machine: "VXIF" pictures and "VXVF"
// filmstrips of shared 4 x 4 tiles, written from and read back to plain pixel arrays.
// Pixels are words 0xAARRGGBB (bytes B, G, R, A), straight alpha, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vximage {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// A filmstrip: `frames` frames of width x height, stacked vertically in `pixels` (frame 0 on
// top), i.e. a picture of width x (height * frames).
struct Strip {
    int width = 0;
    int height = 0;
    int frames = 0;
    std::vector<uint32_t> pixels;
};

constexpr int tileSide = 4;
constexpr int tileBytes = tileSide * tileSide * 4;
constexpr size_t maxTiles = 65536; // tile numbers are 16 bits

inline int tilesAcross(int width) {
    return (width - 1) / tileSide + 1;
}
inline int tilesDown(int height) {
    return (height - 1) / tileSide + 1;
}

// Exact sizes of the resources.
inline uint64_t pictureSize(int width, int height) {
    return 12 + uint64_t(width) * uint64_t(height) * 4;
}
inline uint64_t stripSize(int width, int height, int frames, uint64_t tiles) {
    return 20 + 64 * tiles + 2 * uint64_t(frames) * tilesAcross(width) * tilesDown(height);
}

// Splits a picture into frames of the given count or height; false (with the reason) when the
// picture does not divide into them.
bool splitFrames(const Picture& picture, int frames, int frameHeight, Strip& strip,
                 std::string& error);

std::vector<uint8_t> packPicture(const Picture& picture);

// Each distinct 4 x 4 tile is stored once, within a frame and across frames; tiles that reach
// past the frame's right or bottom edge are filled with transparent black there. Fails when
// there are more than 65 536 distinct tiles.
bool packStrip(const Strip& strip, std::vector<uint8_t>& out, size_t& tileCount,
               std::string& error);

enum class Kind { picture, strip, unknown };
Kind kindOf(const uint8_t* data, size_t size);

// Reads a resource back; the size must be exact and every tile number within the pool.
bool unpackPicture(const uint8_t* data, size_t size, Picture& picture, std::string& error);
bool unpackStrip(const uint8_t* data, size_t size, Strip& strip, size_t& tileCount,
                 std::string& error);

} // namespace vximage
