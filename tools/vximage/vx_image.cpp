#include "vx_image.h"

#include <cstring>
#include <unordered_map>

namespace vximage {

namespace {

constexpr uint32_t magic(const char (&m)[5]) {
    return uint32_t(uint8_t(m[0])) | uint32_t(uint8_t(m[1])) << 8 | uint32_t(uint8_t(m[2])) << 16 |
           uint32_t(uint8_t(m[3])) << 24;
}
constexpr uint32_t pictureMagic = magic("VXIF");
constexpr uint32_t stripMagic = magic("VXVF");

// Sizes beyond these are refused when reading: no picture of the framework comes near them.
constexpr uint32_t maxSide = 1 << 15;

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int k = 0; k < 4; ++k) out.push_back(uint8_t(v >> (8 * k)));
}

uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

bool splitFrames(const Picture& picture, int frames, int frameHeight, Strip& strip,
                 std::string& error) {
    if (picture.width <= 0 || picture.height <= 0) {
        error = "the picture is empty";
        return false;
    }
    if (frames <= 0 && frameHeight > 0) {
        if (picture.height % frameHeight != 0) {
            error = "a height of " + std::to_string(picture.height) +
                    " does not divide into frames of " + std::to_string(frameHeight);
            return false;
        }
        frames = picture.height / frameHeight;
    }
    if (frames <= 0 || picture.height % frames != 0) {
        error = "a height of " + std::to_string(picture.height) + " does not divide into " +
                std::to_string(frames) + " frames";
        return false;
    }
    strip.width = picture.width;
    strip.height = picture.height / frames;
    strip.frames = frames;
    strip.pixels = picture.pixels;
    return true;
}

std::vector<uint8_t> packPicture(const Picture& picture) {
    std::vector<uint8_t> out;
    out.reserve(pictureSize(picture.width, picture.height));
    put32(out, pictureMagic);
    put32(out, uint32_t(picture.width));
    put32(out, uint32_t(picture.height));
    for (uint32_t p : picture.pixels) put32(out, p);
    return out;
}

bool packStrip(const Strip& s, std::vector<uint8_t>& out, size_t& tileCount, std::string& error) {
    if (s.width <= 0 || s.height <= 0 || s.frames <= 0 ||
        s.pixels.size() != size_t(s.width) * s.height * s.frames) {
        error = "the filmstrip is empty or its pixels do not match its size";
        return false;
    }
    const int across = tilesAcross(s.width), down = tilesDown(s.height);
    std::unordered_map<std::string, uint32_t> numbers;
    std::vector<uint8_t> pool;
    std::vector<uint16_t> index;
    index.reserve(size_t(s.frames) * across * down);
    std::string tile(tileBytes, '\0');
    for (int f = 0; f < s.frames; ++f)
        for (int ty = 0; ty < down; ++ty)
            for (int tx = 0; tx < across; ++tx) {
                for (int r = 0; r < tileSide; ++r)
                    for (int c = 0; c < tileSide; ++c) {
                        const int x = tx * tileSide + c, y = ty * tileSide + r;
                        const uint32_t p = x < s.width && y < s.height
                                               ? s.pixels[(size_t(f) * s.height + y) * s.width + x]
                                               : 0;
                        for (int k = 0; k < 4; ++k) tile[16 * r + 4 * c + k] = char(p >> (8 * k));
                    }
                auto [at, added] = numbers.emplace(tile, uint32_t(numbers.size()));
                if (added) {
                    if (numbers.size() > maxTiles) {
                        error = "more than 65536 distinct 4 x 4 tiles";
                        return false;
                    }
                    pool.insert(pool.end(), tile.begin(), tile.end());
                }
                index.push_back(uint16_t(at->second));
            }
    tileCount = numbers.size();
    out.clear();
    out.reserve(stripSize(s.width, s.height, s.frames, tileCount));
    put32(out, stripMagic);
    put32(out, uint32_t(s.width));
    put32(out, uint32_t(s.height));
    put32(out, uint32_t(tileCount));
    put32(out, uint32_t(s.frames));
    out.insert(out.end(), pool.begin(), pool.end());
    for (uint16_t t : index) {
        out.push_back(uint8_t(t));
        out.push_back(uint8_t(t >> 8));
    }
    return true;
}

Kind kindOf(const uint8_t* data, size_t size) {
    if (size < 4) return Kind::unknown;
    const uint32_t m = get32(data);
    return m == pictureMagic ? Kind::picture : m == stripMagic ? Kind::strip : Kind::unknown;
}

bool unpackPicture(const uint8_t* data, size_t size, Picture& picture, std::string& error) {
    if (kindOf(data, size) != Kind::picture || size < 12) {
        error = "not a VXIF picture";
        return false;
    }
    const uint32_t w = get32(data + 4), h = get32(data + 8);
    if (w == 0 || h == 0 || w > maxSide || h > maxSide || pictureSize(int(w), int(h)) != size) {
        error = "a VXIF picture of " + std::to_string(w) + " x " + std::to_string(h) +
                " pixels cannot be " + std::to_string(size) + " bytes long";
        return false;
    }
    picture.width = int(w);
    picture.height = int(h);
    picture.pixels.resize(size_t(w) * h);
    for (size_t k = 0; k < picture.pixels.size(); ++k) picture.pixels[k] = get32(data + 12 + 4 * k);
    return true;
}

bool unpackStrip(const uint8_t* data, size_t size, Strip& s, size_t& tileCount,
                 std::string& error) {
    if (kindOf(data, size) != Kind::strip || size < 20) {
        error = "not a VXVF filmstrip";
        return false;
    }
    const uint32_t w = get32(data + 4), h = get32(data + 8), n = get32(data + 12),
                   frames = get32(data + 16);
    if (w == 0 || h == 0 || w > maxSide || h > maxSide || frames == 0 || frames > maxSide ||
        n > maxTiles || stripSize(int(w), int(h), int(frames), n) != size) {
        error = "a VXVF filmstrip of " + std::to_string(w) + " x " + std::to_string(h) + ", " +
                std::to_string(frames) + " frames and " + std::to_string(n) + " tiles cannot be " +
                std::to_string(size) + " bytes long";
        return false;
    }
    const int across = tilesAcross(int(w)), down = tilesDown(int(h));
    const uint8_t* pool = data + 20;
    const uint8_t* index = pool + size_t(64) * n;
    s.width = int(w);
    s.height = int(h);
    s.frames = int(frames);
    s.pixels.assign(size_t(w) * h * frames, 0);
    for (uint32_t f = 0; f < frames; ++f)
        for (int ty = 0; ty < down; ++ty)
            for (int tx = 0; tx < across; ++tx) {
                const uint8_t* e = index + 2 * ((size_t(f) * down + ty) * across + tx);
                const uint32_t t = uint32_t(e[0]) | uint32_t(e[1]) << 8;
                if (t >= n) {
                    error = "frame " + std::to_string(f) + " names tile " + std::to_string(t) +
                            " of a pool of " + std::to_string(n);
                    return false;
                }
                for (int r = 0; r < tileSide; ++r)
                    for (int c = 0; c < tileSide; ++c) {
                        const int x = tx * tileSide + c, y = ty * tileSide + r;
                        if (x < int(w) && y < int(h))
                            s.pixels[(size_t(f) * h + y) * w + x] =
                                get32(pool + size_t(64) * t + 16 * r + 4 * c);
                    }
            }
    tileCount = n;
    return true;
}

} // namespace vximage
