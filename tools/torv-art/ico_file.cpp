#include "ico_file.h"

namespace ico {
namespace {

constexpr std::uint32_t directorySize = 6, entrySize = 16, headerSize = 40;

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::uint32_t maskRowBytes(int width) {
    return (static_cast<std::uint32_t>(width) + 31) / 32 * 4;
}

std::uint32_t imageBytes(const pngio::Image& image) {
    const auto w = static_cast<std::uint32_t>(image.width);
    const auto h = static_cast<std::uint32_t>(image.height);
    return headerSize + w * h * 4 + maskRowBytes(image.width) * h;
}

// The bitmap of one image: header, colour rows and mask rows, both bottom row first.
void putImage(std::vector<std::uint8_t>& out, const pngio::Image& image) {
    const auto w = static_cast<std::uint32_t>(image.width);
    const auto h = static_cast<std::uint32_t>(image.height);
    put32(out, headerSize);
    put32(out, w);
    put32(out, 2 * h); // colour and mask together
    put16(out, 1);     // planes
    put16(out, 32);    // bits per pixel
    put32(out, 0);     // uncompressed
    put32(out, imageBytes(image) - headerSize);
    for (int i = 0; i < 4; ++i) put32(out, 0); // resolution and palette: unused
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x) put32(out, image.at(x, y));
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskRowBytes(image.width), 0);
        for (int x = 0; x < image.width; ++x)
            if ((image.at(x, y) >> 24) == 0)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
}

} // namespace

std::vector<std::uint8_t> encode(const std::vector<pngio::Image>& images) {
    std::vector<std::uint8_t> out;
    put16(out, 0); // reserved
    put16(out, 1); // an icon, not a cursor
    put16(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = directorySize + entrySize * static_cast<std::uint32_t>(images.size());
    for (const pngio::Image& image : images) {
        out.push_back(static_cast<std::uint8_t>(image.width & 0xFF)); // 256 is written as 0
        out.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
        out.push_back(0); // no palette
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, imageBytes(image));
        put32(out, offset);
        offset += imageBytes(image);
    }
    for (const pngio::Image& image : images) putImage(out, image);
    return out;
}

} // namespace ico
