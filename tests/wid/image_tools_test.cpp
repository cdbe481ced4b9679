// The image tools on the build machine: torv-pack and torv-dump run as the build runs them, the
// formats they write, and the test images they pack.
#include "png_io.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path work = IMAGE_TOOLS_WORKDIR;

struct Outcome {
    int code;
    std::string output; // standard output and error
};

Outcome run(const std::string& program, const std::string& args) {
    fs::create_directories(work);
    const fs::path log = work / "run.log";
    const std::string command = "'" + program + "' " + args + " >'" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

std::vector<uint8_t> readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void writePng(const fs::path& p, const vximage::Picture& picture) {
    fs::create_directories(p.parent_path());
    pngio::Image image{picture.width, picture.height, picture.pixels};
    std::string error;
    ASSERT_TRUE(pngio::write(p.string(), image, error)) << error;
}

pngio::Image readPng(const fs::path& p) {
    pngio::Image image;
    std::string error;
    EXPECT_TRUE(pngio::read(p.string(), image, error)) << error;
    return image;
}

// With TORV_WRITE_TEST_IMAGES set, the images are written first (how they were made).
TEST(TestImages, CommittedFilesAreWhatTheGeneratorMakes) {
    const fs::path dir = TEST_IMAGES_DIR;
    for (int k = 0; k < testimages::committedCount; ++k) {
        const testimages::Entry& e = testimages::committed[k];
        const vximage::Picture made = e.make();
        if (std::getenv("TORV_WRITE_TEST_IMAGES")) writePng(dir / e.file, made);
        const pngio::Image file = readPng(dir / e.file);
        EXPECT_EQ(file.width, made.width) << e.file;
        EXPECT_EQ(file.height, made.height) << e.file;
        EXPECT_TRUE(file.pixels == made.pixels) << e.file;
    }
}

TEST(Packer, KnobStripRoundTripsPixelForPixelFarBelowItsRawSize) {
    const vximage::Strip knob = testimages::knob(64, 265);
    const fs::path png = work / "knob.png", packed = work / "knob.vxvf", back = work / "back.png";
    writePng(png, {knob.width, knob.height * knob.frames, knob.pixels});
    const Outcome pack = run(TORV_PACK, quoted(png) + " " + quoted(packed) + " --frames 265");
    ASSERT_EQ(pack.code, 0) << pack.output;
    EXPECT_NE(pack.output.find("64 x 64, 265 frames"), std::string::npos) << pack.output;

    const std::vector<uint8_t> bytes = readAll(packed);
    const uint64_t raw = 64ull * 64 * 4 * 265; // 4 341 760 bytes
    EXPECT_LT(bytes.size(), raw / 4) << bytes.size();
    vximage::Strip read;
    size_t tiles = 0;
    std::string error;
    ASSERT_TRUE(vximage::unpackStrip(bytes.data(), bytes.size(), read, tiles, error)) << error;
    EXPECT_EQ(bytes.size(), vximage::stripSize(64, 64, 265, tiles));

    // The pool holds every distinct tile exactly once, and every one is used.
    std::set<std::string> pool;
    for (size_t t = 0; t < tiles; ++t)
        pool.insert(std::string(reinterpret_cast<const char*>(bytes.data()) + 20 + 64 * t, 64));
    EXPECT_EQ(pool.size(), tiles);
    std::set<uint16_t> used;
    const uint8_t* index = bytes.data() + 20 + 64 * tiles;
    for (size_t e = 0; e < 265 * 16 * 16; ++e)
        used.insert(uint16_t(index[2 * e] | index[2 * e + 1] << 8));
    EXPECT_EQ(used.size(), tiles);

    const Outcome dump = run(TORV_DUMP, quoted(packed) + " " + quoted(back));
    ASSERT_EQ(dump.code, 0) << dump.output;
    EXPECT_NE(dump.output.find("265 frames"), std::string::npos) << dump.output;
    const pngio::Image again = readPng(back);
    EXPECT_EQ(again.width, 64);
    EXPECT_EQ(again.height, 64 * 265);
    EXPECT_TRUE(again.pixels == knob.pixels);
}

TEST(Packer, PicturesKeepEveryByteEvenUnderZeroAlpha) {
    vximage::Picture p{7, 5, std::vector<uint32_t>(35)};
    for (int k = 0; k < 35; ++k)
        p.pixels[k] = uint32_t(k * 0x01070B13u) & (k % 3 ? ~0u : 0x00FFFFFFu);
    const fs::path png = work / "odd.png", packed = work / "odd.vxif", back = work / "odd-back.png";
    writePng(png, p);
    ASSERT_EQ(run(TORV_PACK, quoted(png) + " " + quoted(packed)).code, 0);
    const std::vector<uint8_t> bytes = readAll(packed);
    EXPECT_EQ(bytes, vximage::packPicture(p));
    ASSERT_EQ(run(TORV_DUMP, quoted(packed) + " " + quoted(back)).code, 0);
    EXPECT_TRUE(readPng(back).pixels == p.pixels);
}

TEST(Packer, FrameHeightAndTheFramesThatDoNotDivide) {
    const vximage::Strip button = testimages::button();
    const fs::path png = work / "button.png", out = work / "button.vxvf";
    writePng(png, {40, 48, button.pixels});
    ASSERT_EQ(run(TORV_PACK, quoted(png) + " " + quoted(out) + " --frame-height 24").code, 0);
    EXPECT_EQ(readAll(out), testimages::packed(button));

    fs::remove(out);
    Outcome bad = run(TORV_PACK, quoted(png) + " " + quoted(out) + " --frames 5");
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.output.find("does not divide into 5 frames"), std::string::npos) << bad.output;
    EXPECT_FALSE(fs::exists(out));
    bad = run(TORV_PACK, quoted(png) + " " + quoted(out) + " --frames 0");
    EXPECT_EQ(bad.code, 2);
    bad = run(TORV_PACK, quoted(work / "missing.png") + " " + quoted(out));
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.output.find("missing.png"), std::string::npos) << bad.output;
    EXPECT_EQ(run(TORV_PACK, "").code, 2);
}

TEST(Dumper, RefusesWhatIsNotAWholeResource) {
    const std::vector<uint8_t> strip = testimages::packed(testimages::button());
    const fs::path cut = work / "cut.vxvf", garbage = work / "garbage.bin";
    std::ofstream(cut, std::ios::binary)
        .write(reinterpret_cast<const char*>(strip.data()), std::streamsize(strip.size() - 1));
    std::ofstream(garbage, std::ios::binary) << "not an image at all";
    Outcome r = run(TORV_DUMP, quoted(cut) + " " + quoted(work / "cut.png"));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("cannot be " + std::to_string(strip.size() - 1) + " bytes long"),
              std::string::npos)
        << r.output;
    r = run(TORV_DUMP, quoted(garbage) + " " + quoted(work / "garbage.png"));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("neither a VXIF picture nor a VXVF filmstrip"), std::string::npos);
}

TEST(StripFormatLibrary, TileNumbersPastThePoolAndTooManyTilesAreRefused) {
    std::vector<uint8_t> bytes = testimages::packed(testimages::button());
    vximage::Strip s;
    size_t tiles = 0;
    std::string error;
    ASSERT_TRUE(vximage::unpackStrip(bytes.data(), bytes.size(), s, tiles, error));
    bytes[20 + 64 * tiles] = 0xFF; // the first index entry
    bytes[20 + 64 * tiles + 1] = 0xFF;
    EXPECT_FALSE(vximage::unpackStrip(bytes.data(), bytes.size(), s, tiles, error));
    EXPECT_NE(error.find("names tile 65535"), std::string::npos) << error;

    // 65 537 tiles that all differ cannot be numbered in 16 bits.
    vximage::Strip many{4, 4, 65537, std::vector<uint32_t>(16 * 65537)};
    for (size_t k = 0; k < many.pixels.size(); ++k) many.pixels[k] = uint32_t(k / 16);
    std::vector<uint8_t> out;
    EXPECT_FALSE(vximage::packStrip(many, out, tiles, error));
    EXPECT_NE(error.find("65536"), std::string::npos) << error;
    many.frames = 65536;
    many.pixels.resize(16 * 65536);
    EXPECT_TRUE(vximage::packStrip(many, out, tiles, error)) << error;
    EXPECT_EQ(tiles, 65536u);
}

} // namespace
