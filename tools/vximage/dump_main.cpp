// torv-dump: shows what was packed. Writes a "VXIF" picture or a "VXVF" filmstrip back as a PNG
// (a filmstrip's frames stacked vertically, frame 0 on top) and describes it.
//
//   torv-dump <in> <out.png>
#include "png_io.h"
#include "vx_image.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: torv-dump <in.vxif|in.vxvf> <out.png>\n");
        return 2;
    }
    const std::string in = argv[1], out = argv[2];
    std::vector<uint8_t> bytes;
    if (!readFile(in, bytes)) {
        std::fprintf(stderr, "torv-dump: cannot read %s\n", in.c_str());
        return 1;
    }
    pngio::Image image;
    std::string error, what;
    switch (vximage::kindOf(bytes.data(), bytes.size())) {
    case vximage::Kind::picture: {
        vximage::Picture p;
        if (!vximage::unpackPicture(bytes.data(), bytes.size(), p, error)) break;
        what = "VXIF picture, " + std::to_string(p.width) + " x " + std::to_string(p.height);
        image.width = p.width;
        image.height = p.height;
        image.pixels = std::move(p.pixels);
        break;
    }
    case vximage::Kind::strip: {
        vximage::Strip s;
        size_t tiles = 0;
        if (!vximage::unpackStrip(bytes.data(), bytes.size(), s, tiles, error)) break;
        what = "VXVF filmstrip, " + std::to_string(s.width) + " x " + std::to_string(s.height) +
               ", " + std::to_string(s.frames) + " frames, " + std::to_string(tiles) + " tiles";
        image.width = s.width;
        image.height = s.height * s.frames;
        image.pixels = std::move(s.pixels);
        break;
    }
    case vximage::Kind::unknown:
        error = "neither a VXIF picture nor a VXVF filmstrip";
        break;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "torv-dump: %s: %s\n", in.c_str(), error.c_str());
        return 1;
    }
    if (!pngio::write(out, image, error)) {
        std::fprintf(stderr, "torv-dump: %s\n", error.c_str());
        return 1;
    }
    std::printf("torv-dump: %s: %s, %zu bytes -> %s\n",
                in.c_str(),
                what.c_str(),
                bytes.size(),
                out.c_str());
    return 0;
}
