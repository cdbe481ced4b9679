// The editor's artwork in resources/: that the generator draws exactly what is committed, and
// that the pictures fit the editor's layout, repeat without seams, give the controls sensible
// hit areas and keep the texts readable.
#include <png_io.h>
#include <tiles.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using pngio::Image;

struct Expected {
    const char* name;
    int width, height, frames;
};

// Sizes and frame counts the editor's layout is built on.
const Expected resources[] = {{"bgnd", 63, 63, 1}, {"badge", 160, 30, 1}, {"alt", 10, 10, 1},
                              {"amt", 10, 10, 1},  {"art", 10, 10, 1},    {"alm", 10, 10, 1},
                              {"arm", 10, 10, 1},  {"alb", 10, 10, 1},    {"amb", 10, 10, 1},
                              {"arb", 10, 10, 1},  {"glt", 10, 10, 1},    {"gmt", 10, 10, 1},
                              {"grt", 10, 10, 1},  {"glm", 10, 10, 1},    {"gmm", 128, 128, 1},
                              {"grm", 10, 10, 1},  {"glb", 10, 10, 1},    {"gmb", 10, 10, 1},
                              {"grb", 10, 10, 1},  {"but", 40, 24, 2},    {"big", 64, 64, 265}};
const char* const icons[] = {"icon", "ComboSmallIcon"};

std::string committed(const std::string& file) {
    return std::string(TORV_RESOURCES) + "/" + file;
}

Image load(const std::string& path) {
    Image image;
    std::string error;
    EXPECT_TRUE(pngio::read(path, image, error)) << error;
    return image;
}

std::vector<std::uint8_t> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int alpha(std::uint32_t p) {
    return static_cast<int>(p >> 24);
}

// Sum over the colour channels of the absolute difference of two pixels.
int difference(std::uint32_t a, std::uint32_t b) {
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8)
        sum +=
            std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    return sum;
}

TEST(ArtGenerator, DrawsExactlyTheCommittedFiles) {
    char folder[] = "/tmp/torv-art-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string command =
        std::string("\"") + TORV_ART + "\" \"" + folder + "\" > \"" + folder + "/log.txt\"";
    ASSERT_EQ(std::system(command.c_str()), 0);

    for (const Expected& r : resources) {
        const std::string file = std::string(r.name) + ".png";
        const Image made = load(std::string(folder) + "/" + file), kept = load(committed(file));
        ASSERT_EQ(made.width, kept.width) << file;
        ASSERT_EQ(made.height, kept.height) << file;
        size_t differing = 0;
        for (size_t i = 0; i < made.pixels.size(); ++i)
            differing += made.pixels[i] != kept.pixels[i];
        EXPECT_EQ(differing, 0u) << file << ": pixels differ from the generator's; run "
                                 << "torv-art resources/ and commit the result";
    }
    for (const char* name : icons) {
        const std::string file = std::string(name) + ".ico";
        EXPECT_EQ(bytesOf(std::string(folder) + "/" + file), bytesOf(committed(file))) << file;
    }
    fs::remove_all(folder);
}

TEST(ArtLayout, ResourcesHaveTheEditorsSizesAndFrameCounts) {
    for (const Expected& r : resources) {
        const Image image = load(committed(std::string(r.name) + ".png"));
        EXPECT_EQ(image.width, r.width) << r.name;
        EXPECT_EQ(image.height, r.height * r.frames) << r.name;
    }
}

TEST(ArtLayout, BackgroundAndGroupFillAreOpaque) {
    // The window is painted cell by cell into one reused buffer: only an opaque background
    // keeps the previous cell from showing through.
    for (const char* name : {"bgnd", "gmm"}) {
        const Image image = load(committed(std::string(name) + ".png"));
        int translucent = 0;
        for (std::uint32_t p : image.pixels) translucent += alpha(p) != 255;
        EXPECT_EQ(translucent, 0) << name;
    }
}

TEST(ArtLayout, GroupPiecesLeaveTheirInnerPartToTheFill) {
    // The group fill lies 4 pixels under the group pieces: it covers the inner part of the
    // pieces drawn before it and shows through the pieces drawn after it, so that part of
    // every piece must be empty for all four sides to look alike.
    const struct {
        const char* name;
        int x0, y0, x1, y1; // inner part, in the piece
    } pieces[] = {{"glt", 6, 6, 10, 10},
                  {"gmt", 0, 6, 10, 10},
                  {"grt", 0, 6, 4, 10},
                  {"glm", 6, 0, 10, 10},
                  {"grm", 0, 0, 4, 10},
                  {"glb", 6, 0, 10, 4},
                  {"gmb", 0, 0, 10, 4},
                  {"grb", 0, 0, 4, 4}};
    for (const auto& p : pieces) {
        const Image image = load(committed(std::string(p.name) + ".png"));
        for (int y = p.y0; y < p.y1; ++y)
            for (int x = p.x0; x < p.x1; ++x)
                EXPECT_EQ(alpha(image.at(x, y)), 0) << p.name << " at " << x << ", " << y;
    }
}

TEST(ArtTiling, EdgePiecesRepeatAlongTheirEdge) {
    for (const char* name : {"amt", "amb", "gmt", "gmb"}) {
        const Image image = load(committed(std::string(name) + ".png"));
        for (int y = 0; y < image.height; ++y)
            for (int x = 1; x < image.width; ++x)
                EXPECT_EQ(image.at(x, y), image.at(0, y)) << name << " at " << x << ", " << y;
    }
    for (const char* name : {"alm", "arm", "glm", "grm"}) {
        const Image image = load(committed(std::string(name) + ".png"));
        for (int y = 1; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                EXPECT_EQ(image.at(x, y), image.at(x, 0)) << name << " at " << x << ", " << y;
    }
}

TEST(ArtTiling, CornersMeetTheirEdges) {
    for (const char prefix : {'a', 'g'}) {
        auto piece = [&](const char* side) {
            return load(committed(prefix + std::string(side) + ".png"));
        };
        const Image lt = piece("lt"), mt = piece("mt"), rt = piece("rt"), lm = piece("lm");
        const Image rm = piece("rm"), lb = piece("lb"), mb = piece("mb"), rb = piece("rb");
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(lt.at(9, i), mt.at(0, i)) << prefix << "lt/mt row " << i;
            EXPECT_EQ(rt.at(0, i), mt.at(9, i)) << prefix << "rt/mt row " << i;
            EXPECT_EQ(lb.at(9, i), mb.at(0, i)) << prefix << "lb/mb row " << i;
            EXPECT_EQ(rb.at(0, i), mb.at(9, i)) << prefix << "rb/mb row " << i;
            EXPECT_EQ(lt.at(i, 9), lm.at(i, 0)) << prefix << "lt/lm column " << i;
            EXPECT_EQ(lb.at(i, 0), lm.at(i, 9)) << prefix << "lb/lm column " << i;
            EXPECT_EQ(rt.at(i, 9), rm.at(i, 0)) << prefix << "rt/rm column " << i;
            EXPECT_EQ(rb.at(i, 0), rm.at(i, 9)) << prefix << "rb/rm column " << i;
        }
    }
}

TEST(ArtTiling, TexturesWrapWithoutAVisibleSeam) {
    // Across the wrap (last column to first, last row to first) the picture changes no more
    // than between any two neighbouring columns or rows inside it.
    for (const char* name : {"bgnd", "gmm"}) {
        const Image image = load(committed(std::string(name) + ".png"));
        const int w = image.width, h = image.height;
        auto columnStep = [&](int a, int b) {
            int sum = 0;
            for (int y = 0; y < h; ++y) sum += difference(image.at(a, y), image.at(b, y));
            return sum;
        };
        auto rowStep = [&](int a, int b) {
            int sum = 0;
            for (int x = 0; x < w; ++x) sum += difference(image.at(x, a), image.at(x, b));
            return sum;
        };
        int worstColumn = 0, worstRow = 0;
        for (int x = 1; x < w; ++x) worstColumn = std::max(worstColumn, columnStep(x - 1, x));
        for (int y = 1; y < h; ++y) worstRow = std::max(worstRow, rowStep(y - 1, y));
        EXPECT_LE(columnStep(w - 1, 0), worstColumn) << name;
        EXPECT_LE(rowStep(h - 1, 0), worstRow) << name;
    }
}

// The knob and the button are pressed where their alpha is 128 or more.
TEST(ArtControls, KnobIsGrabbedOnItsDiscInEveryFrame) {
    const Image strip = load(committed("big.png"));
    for (int f = 0; f < 265; ++f) {
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const double r = std::hypot(x + 0.5 - 32, y + 0.5 - 32);
                const int a = alpha(strip.at(x, f * 64 + y));
                if (r <= 29) ASSERT_GE(a, 128) << "frame " << f << " at " << x << ", " << y;
                if (r >= 33) ASSERT_LT(a, 128) << "frame " << f << " at " << x << ", " << y;
            }
        }
    }
}

TEST(ArtControls, ButtonIsPressedOnItsTrackInBothStates) {
    const Image strip = load(committed("but.png"));
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 40; ++x) {
            const int off = alpha(strip.at(x, y)), on = alpha(strip.at(x, 24 + y));
            // Inside a pill 32 x 16 pixels centred on the button.
            const double dx = std::max(std::abs(x + 0.5 - 20) - 8, 0.0), dy = y + 0.5 - 12;
            if (std::hypot(dx, dy) <= 8) {
                EXPECT_GE(off, 128) << x << ", " << y;
                EXPECT_GE(on, 128) << x << ", " << y;
            }
            // The hit area is the same whichever state is shown.
            EXPECT_EQ(off >= 128, on >= 128) << x << ", " << y;
        }
    }
    for (const int x : {0, 1, 38, 39})
        for (const int y : {0, 1, 22, 23}) EXPECT_LT(alpha(strip.at(x, y)), 128) << x << ", " << y;
}

TEST(ArtControls, ButtonStatesDifferAtAGlance) {
    const Image strip = load(committed("but.png"));
    long total = 0;
    int pixels = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 40; ++x) {
            if (alpha(strip.at(x, y)) < 128) continue;
            total += difference(strip.at(x, y), strip.at(x, 24 + y));
            ++pixels;
        }
    }
    // On average over the button, the two states differ by more than a quarter of the range.
    EXPECT_GT(total / pixels, 3 * 64);
}

TEST(ArtControls, KnobTurnsInSmallStepsFromTheMinimumUp) {
    const Image strip = load(committed("big.png"));
    auto accentPixels = [&](int f) {
        int n = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const std::uint32_t p = strip.at(x, f * 64 + y);
                const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF;
                n += alpha(p) >= 128 && r > g + 60;
            }
        }
        return n;
    };
    int previousAccent = accentPixels(0);
    for (int f = 1; f < 265; ++f) {
        // Every step shows: no two neighbouring frames are the same picture, and the change
        // stays in a few of the frame's 256 tiles, so that the body stays put.
        int changedTiles = 0;
        for (int ty = 0; ty < 16; ++ty) {
            for (int tx = 0; tx < 16; ++tx) {
                bool changed = false;
                for (int y = 0; y < 4; ++y)
                    for (int x = 0; x < 4; ++x)
                        changed |= strip.at(tx * 4 + x, f * 64 + ty * 4 + y) !=
                                   strip.at(tx * 4 + x, (f - 1) * 64 + ty * 4 + y);
                changedTiles += changed;
            }
        }
        EXPECT_GT(changedTiles, 0) << "frame " << f;
        EXPECT_LE(changedTiles, 32) << "frame " << f;
        // The lit arc only grows: frame 0 is the minimum.
        const int accent = accentPixels(f);
        EXPECT_GE(accent, previousAccent) << "frame " << f;
        previousAccent = accent;
    }
    EXPECT_GT(previousAccent, 20 * accentPixels(0) + 100);
}

TEST(ArtControls, FilmstripsPackIntoSharedTiles) {
    const Image knob = load(committed("big.png")), button = load(committed("but.png"));
    const art::TilePacking k = art::packTiles(knob, 265), b = art::packTiles(button, 2);
    std::cout << "big: " << k.tiles << " tiles, " << k.bytes << " bytes; but: " << b.tiles
              << " tiles, " << b.bytes << " bytes\n";
    // Tile numbers are 16-bit; far fewer keep the module small (raw frames: 4 341 760 bytes).
    EXPECT_LE(k.tiles, 65536u);
    EXPECT_LT(k.bytes, 600000u);
    EXPECT_LE(b.tiles, 2u * 60u);
}

// WCAG contrast of two colours 0xRRGGBB.
double contrast(std::uint32_t a, std::uint32_t b) {
    auto luminance = [](std::uint32_t c) {
        auto linear = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear((c >> 16) & 0xFF) + 0.7152 * linear((c >> 8) & 0xFF) +
               0.0722 * linear(c & 0xFF);
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::uint32_t lightestPixel(const Image& image) {
    std::uint32_t best = 0;
    for (std::uint32_t p : image.pixels)
        if (contrast(p & 0xFFFFFF, 0) > contrast(best, 0)) best = p & 0xFFFFFF;
    return best;
}

TEST(ArtLayout, TextsStayReadableOverTheirBackground) {
    // The title lies on the background, the labels and the read-out on the group fill; even
    // their lightest pixel leaves the texts' colours well readable (4.5 : 1 and more).
    const std::uint32_t background = lightestPixel(load(committed("bgnd.png")));
    const std::uint32_t fill = lightestPixel(load(committed("gmm.png")));
    EXPECT_GE(contrast(0xFFFFFF, background), 4.5);
    for (const std::uint32_t text : {0xBD7BA5u, 0xC0C0E0u, 0xB0B0B0u})
        EXPECT_GE(contrast(text, fill), 4.5) << std::hex << text;
}

// An icon file as Windows reads it.
struct IconImage {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // top row first
    std::vector<bool> masked;          // the 1-bit mask: true where transparent
};

std::uint32_t le(const std::vector<std::uint8_t>& b, size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
    return v;
}

std::vector<IconImage> readIcon(const std::vector<std::uint8_t>& b) {
    std::vector<IconImage> out;
    EXPECT_EQ(le(b, 0, 2), 0u);
    EXPECT_EQ(le(b, 2, 2), 1u);
    const std::uint32_t count = le(b, 4, 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * i;
        IconImage image;
        image.width = b.at(entry) ? b.at(entry) : 256;
        image.height = b.at(entry + 1) ? b.at(entry + 1) : 256;
        const std::uint32_t size = le(b, entry + 8, 4), at = le(b, entry + 12, 4);
        EXPECT_EQ(le(b, entry + 6, 2), 32u);
        EXPECT_LE(at + size, b.size());
        EXPECT_EQ(le(b, at, 4), 40u);
        EXPECT_EQ(static_cast<int>(le(b, at + 4, 4)), image.width);
        EXPECT_EQ(static_cast<int>(le(b, at + 8, 4)), 2 * image.height);
        EXPECT_EQ(le(b, at + 14, 2), 32u);
        const size_t maskRow = (image.width + 31) / 32 * 4;
        EXPECT_EQ(size, 40 + image.width * image.height * 4 + maskRow * image.height);
        const size_t colours = at + 40, mask = colours + image.width * image.height * 4;
        for (int y = image.height - 1; y >= 0; --y) {
            for (int x = 0; x < image.width; ++x) {
                const size_t row = image.height - 1 - y;
                image.pixels.push_back(le(b, colours + (row * image.width + x) * 4, 4));
            }
        }
        image.masked.resize(image.pixels.size());
        for (int y = 0; y < image.height; ++y) {
            const size_t row = mask + (image.height - 1 - y) * maskRow;
            for (int x = 0; x < image.width; ++x)
                image.masked[y * image.width + x] = b.at(row + x / 8) & (0x80 >> (x % 8));
        }
        out.push_back(image);
    }
    return out;
}

TEST(ArtIcons, HostIconsHoldTheirSizesWithMatchingMasks) {
    const std::map<std::string, std::vector<int>> sizes = {{"icon", {16, 32, 48}},
                                                           {"ComboSmallIcon", {16, 32}}};
    for (const auto& [name, wanted] : sizes) {
        const std::vector<IconImage> images = readIcon(bytesOf(committed(name + ".ico")));
        ASSERT_EQ(images.size(), wanted.size()) << name;
        for (size_t i = 0; i < images.size(); ++i) {
            const IconImage& image = images[i];
            EXPECT_EQ(image.width, wanted[i]) << name;
            EXPECT_EQ(image.height, wanted[i]) << name;
            int opaque = 0;
            for (size_t p = 0; p < image.pixels.size(); ++p) {
                // Readers without alpha use the mask: it must hide exactly what alpha hides.
                EXPECT_EQ(image.masked[p], alpha(image.pixels[p]) == 0) << name << " pixel " << p;
                opaque += alpha(image.pixels[p]) == 255;
            }
            // A picture, not a speck: at least half of the square is drawn.
            EXPECT_GE(opaque * 2, image.width * image.height) << name << " " << image.width;
        }
    }
}

} // namespace
