// torv-art: draws the editor's artwork and the host's icons.
//
//   torv-art <folder>            writes <name>.png for every editor resource and
//                                icon.ico, ComboSmallIcon.ico
//   torv-art --preview <folder>  writes pictures of the whole editor made from them
//
// The output is a fixed function of this program: resources/ holds what it writes, and a test
// checks that the two agree.
#include "artwork.h"
#include "ico_file.h"
#include "preview.h"
#include "tiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

int usage(std::ostream& out, int code) {
    out << "usage: torv-art <folder>            the editor's resources and the host's icons\n"
           "       torv-art --preview <folder>  pictures of the whole editor\n";
    return code;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Creates the output folder if needed; says why when that is impossible.
bool makeFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) std::cerr << "torv-art: " << folder << ": " << error.message() << "\n";
    return !error;
}

int writeAll(const std::string& folder) {
    if (!makeFolder(folder)) return 1;
    for (const art::Resource& r : art::editorResources()) {
        std::string error;
        if (!pngio::write(folder + "/" + r.name + ".png", r.image, error)) {
            std::cerr << "torv-art: " << error << "\n";
            return 1;
        }
        std::cout << r.name << ".png: " << r.image.width << " x " << r.image.height / r.frames;
        if (r.frames > 1) {
            const art::TilePacking p = art::packTiles(r.image, r.frames);
            std::cout << ", " << r.frames << " frames, " << p.tiles << " distinct 4 x 4 tiles, "
                      << p.bytes << " bytes packed";
        }
        std::cout << "\n";
    }
    for (const art::Icon& icon : art::hostIcons()) {
        const std::string path = folder + "/" + icon.name + ".ico";
        if (!writeFile(path, ico::encode(icon.images))) {
            std::cerr << "torv-art: " << path << ": cannot write\n";
            return 1;
        }
        std::cout << icon.name << ".ico:";
        for (const pngio::Image& image : icon.images) std::cout << " " << image.width;
        std::cout << "\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return usage(std::cout, 0);
    if (args.size() == 1 && args[0][0] != '-') return writeAll(args[0]);
    if (args.size() == 2 && args[0] == "--preview") {
        if (!makeFolder(args[1])) return 1;
        return art::writePreviews(art::editorResources(), args[1], std::cerr) ? 0 : 1;
    }
    return usage(std::cerr, 2);
}
