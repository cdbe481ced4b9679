// torv-pack: turns PNG artwork into the framework's image resources.
//
//   torv-pack <in.png> <out>                       a "VXIF" picture
//   torv-pack <in.png> <out> --frames <n>          a "VXVF" filmstrip of n frames
//   torv-pack <in.png> <out> --frame-height <h>    a "VXVF" filmstrip of frames h pixels high
//
// A filmstrip is one PNG with its frames stacked vertically, frame 0 on top.
#include "png_io.h"
#include "vx_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: torv-pack <in.png> <out> [--frames <n> | --frame-height <h>]\n"
                 "  without a frame option the output is a VXIF picture, with one a VXVF\n"
                 "  filmstrip whose frames are stacked vertically in the PNG, frame 0 on top\n");
    return 2;
}

bool positive(const char* text, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v <= 0 || v > 1 << 20) return false;
    out = int(v);
    return true;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) return usage();
    const std::string in = argv[1], out = argv[2];
    int frames = 0, frameHeight = 0;
    if (argc == 5) {
        int* target = std::strcmp(argv[3], "--frames") == 0         ? &frames
                      : std::strcmp(argv[3], "--frame-height") == 0 ? &frameHeight
                                                                    : nullptr;
        if (!target) return usage();
        if (!positive(argv[4], *target)) {
            std::fprintf(
                stderr, "torv-pack: %s wants a positive number, not '%s'\n", argv[3], argv[4]);
            return 2;
        }
    }

    pngio::Image image;
    std::string error;
    if (!pngio::read(in, image, error)) {
        std::fprintf(stderr, "torv-pack: %s\n", error.c_str());
        return 1;
    }
    vximage::Picture picture{image.width, image.height, std::move(image.pixels)};
    std::vector<uint8_t> bytes;
    std::string summary;
    if (argc == 3) {
        bytes = vximage::packPicture(picture);
        summary =
            std::to_string(picture.width) + " x " + std::to_string(picture.height) + " picture";
    } else {
        vximage::Strip strip;
        size_t tiles = 0;
        if (!vximage::splitFrames(picture, frames, frameHeight, strip, error) ||
            !vximage::packStrip(strip, bytes, tiles, error)) {
            std::fprintf(stderr, "torv-pack: %s: %s\n", in.c_str(), error.c_str());
            return 1;
        }
        summary = std::to_string(strip.width) + " x " + std::to_string(strip.height) + ", " +
                  std::to_string(strip.frames) + " frames, " + std::to_string(tiles) +
                  " distinct tiles (raw frames " +
                  std::to_string(size_t(strip.width) * strip.height * strip.frames * 4) + " bytes)";
    }
    if (!writeFile(out, bytes)) {
        std::fprintf(stderr, "torv-pack: cannot write %s\n", out.c_str());
        std::remove(out.c_str());
        return 1;
    }
    std::printf("torv-pack: %s: %s, %zu bytes\n", out.c_str(), summary.c_str(), bytes.size());
    return 0;
}
