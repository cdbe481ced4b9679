// Pixels, pictures and filmstrips: the compositing rule, repetition, the resource formats with
// their worked sizes, tile lookup and the failure reports of map.
#include "support/capture.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Pic = VX_Pic<VX_Pix_A32>;

VX_Pix_A32 pix(uint32_t w) {
    return VX_Pix_A32::fromWord(w);
}

VX_Pix_A32 over(uint32_t d, uint32_t s) {
    VX_Pix_A32 p = pix(d);
    VX_composite(p, pix(s));
    return p;
}

void fill(Pic& p, int w, int h, uint32_t word) {
    p.resize(w, h);
    ASSERT_NE(p.data, nullptr);
    for (int k = 0; k < w * h; ++k) p.data[k] = pix(word);
}

TEST(Compositing, DivisorIs256AndAlphaZeroLeavesTheDestination) {
    // Opaque white over opaque black comes within 1; opaque black over white reaches 0.
    EXPECT_EQ(over(0xFF000000, 0xFFFFFFFF).word(), 0xFFFEFEFEu);
    EXPECT_EQ(over(0xFFFFFFFF, 0xFF000000).word(), 0xFF000000u);
    EXPECT_EQ(over(0x00000000, 0xFFFFFFFF).word(), 0xFEFEFEFEu); // alpha composites the same way
    EXPECT_EQ(over(0x12345678, 0x00FFFFFF).word(), 0x12345678u);
    // Half alpha: the shift rounds toward minus infinity both ways.
    EXPECT_EQ(over(0xFF646464, 0x80C8C8C8).r, 150); // 100 + (100 * 128 >> 8)
    EXPECT_EQ(over(0xFFC8C8C8, 0x80646464).r, 150); // 200 + (-12800 >> 8)
    EXPECT_EQ(over(0xFF010101, 0x01000000).r, 0);   // 1 + (-1 >> 8) = 0
}

// The rule as written, one channel at a time, against the two-channels-per-word arithmetic it
// is computed with: every destination, source and alpha.
TEST(Compositing, EveryChannelFollowsTheRuleAsWritten) {
    auto rule = [](int d, int s, int a) { return d + (((s - d) * a) >> 8); };
    for (int a = 0; a < 256; ++a)
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s) {
                VX_Pix_A32 p{uint8_t(d), uint8_t(255 - d), uint8_t(d ^ 0x5A), uint8_t(d)};
                const VX_Pix_A32 src{uint8_t(s), uint8_t(255 - s), uint8_t(s ^ 0x5A), uint8_t(a)};
                VX_composite(p, src);
                if (p.b != rule(d, s, a) || p.g != rule(255 - d, 255 - s, a) ||
                    p.r != rule(d ^ 0x5A, s ^ 0x5A, a) || p.a != rule(d, a, a))
                    FAIL() << "d " << d << ", s " << s << ", alpha " << a;
            }
}

TEST(Compositing, ResultAlwaysLiesBetweenDestinationAndSource) {
    for (int s = 0; s < 256; s += 3)
        for (int d = 0; d < 256; d += 5)
            for (int a = 0; a < 256; a += 7) {
                VX_Pix_A32 p{uint8_t(d), uint8_t(d), uint8_t(d), uint8_t(d)};
                VX_composite(p, {uint8_t(s), uint8_t(s), uint8_t(s), uint8_t(a)});
                const int lo = s < d ? s : d, hi = s < d ? d : s;
                ASSERT_GE(p.b, lo) << s << " " << d << " " << a;
                ASSERT_LE(p.b, hi) << s << " " << d << " " << a;
            }
}

TEST(Blend, SmallPictureRepeatsAcrossTheRectangle) {
    const std::vector<uint8_t> bytes = testimages::packed(testimages::picture());
    Pic src;
    ASSERT_TRUE(src.map(bytes.data()));
    Pic dst;
    fill(dst, 190, 10, 0xFF102030);
    Pic::blend(src, dst, 0, 0, {0, 0, 190, 10});
    // 19 whole copies, each anchored at a multiple of 10.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 190; ++x)
            ASSERT_EQ(dst.row(y)[x].word(), over(0xFF102030, src.row(y)[x % 10].word()).word())
                << x << "," << y;
}

TEST(Blend, BackgroundFillsTheEditorWithPartialCopies) {
    const std::vector<uint8_t> bytes = testimages::packed(testimages::background());
    Pic src;
    ASSERT_TRUE(src.map(bytes.data()));
    Pic dst;
    fill(dst, 210, 236, 0xFF000000);
    Pic::blend(src, dst, 0, 0, {0, 0, 210, 236});
    // Opaque source over black: every channel within 1 of the source.
    auto expect = [&](int x, int y, int sx, int sy) {
        EXPECT_EQ(dst.row(y)[x].word(), over(0xFF000000, src.row(sy)[sx].word()).word())
            << x << "," << y;
    };
    expect(0, 0, 0, 0);
    expect(62, 62, 62, 62);
    expect(63, 0, 0, 0);
    expect(209, 235, 209 - 189, 235 - 189); // the partial copies at the right and bottom
    expect(130, 200, 130 - 126, 200 - 189);
}

TEST(Blend, SourceRectangleIsInWidgetCoordinates) {
    const std::vector<uint8_t> bytes = testimages::packed(testimages::background());
    Pic src;
    ASSERT_TRUE(src.map(bytes.data()));
    Pic dst;
    fill(dst, 64, 64, 0xFF000000);
    // The part (100, 70) - (120, 80) of a widget, drawn at (5, 6) of a cell.
    Pic::blend(src, dst, 5, 6, {100, 70, 120, 80});
    EXPECT_EQ(dst.row(6)[5].word(), over(0xFF000000, src.row(70 - 63)[100 - 63].word()).word());
    EXPECT_EQ(dst.row(15)[24].word(), over(0xFF000000, src.row(79 - 63)[119 - 63].word()).word());
    EXPECT_EQ(dst.row(5)[5].word(), 0xFF000000u);  // above the part: untouched
    EXPECT_EQ(dst.row(6)[25].word(), 0xFF000000u); // right of it: untouched
}

TEST(Blend, NothingOutsideTheDestinationAndNothingFromAnEmptySource) {
    const std::vector<uint8_t> bytes = testimages::packed(testimages::picture());
    Pic src;
    ASSERT_TRUE(src.map(bytes.data()));
    Pic dst;
    fill(dst, 20, 20, 0xFF000000);
    // Reaching past every edge is clipped (AddressSanitizer would see a stray write).
    Pic::blend(src, dst, 15, 15, {0, 0, 10, 10});
    Pic::blend(src, dst, -5, -7, {0, 0, 10, 10});
    EXPECT_EQ(dst.row(19)[19].word(), over(0xFF000000, src.row(4)[4].word()).word());
    EXPECT_EQ(dst.row(0)[0].word(), over(0xFF000000, src.row(7)[5].word()).word());
    Pic empty;
    Pic::blend(empty, dst, 0, 0, {0, 0, 20, 20});
    EXPECT_EQ(dst.row(10)[10].word(), 0xFF000000u);
}

TEST(PictureFormat, MapBorrowsTheResourcePixels) {
    std::vector<uint8_t> bytes = testimages::packed(testimages::picture());
    ASSERT_EQ(bytes.size(), 12u + 10 * 10 * 4);
    Pic p;
    ASSERT_TRUE(p.map(bytes.data()));
    EXPECT_EQ(p.width, 10);
    EXPECT_EQ(p.height, 10);
    EXPECT_EQ(static_cast<void*>(p.data), static_cast<void*>(bytes.data() + 12)); // not copied
    EXPECT_EQ(p.row(3)[7].word(), testimages::picture().pixels[3 * 10 + 7]);
}

#ifdef _WIN32
// On Windows a picture is a DIB section: 32 bits, top-down (row 0 on top, as in memory), so
// that GDI sees the pixels where the compositor put them.
TEST(PictureFormat, WindowsPicturesAreTopDownDibSections) {
    Pic p;
    p.resize(7, 5);
    ASSERT_NE(p.bitmap, nullptr);
    EXPECT_EQ(p.header.biSize, 40u);
    EXPECT_EQ(p.header.biWidth, 7);
    EXPECT_EQ(p.header.biHeight, -5);
    EXPECT_EQ(p.header.biBitCount, 32);
    EXPECT_EQ(p.header.biCompression, DWORD(BI_RGB));
    EXPECT_EQ(p.data[0].word(), 0u); // a new section is transparent black
    p.row(0)[0] = VX_Pix_A32::fromWord(0xFF123456);
    p.row(4)[6] = VX_Pix_A32::fromWord(0xFF654321);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, p.bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(GetPixel(dc, 6, 4), RGB(0x65, 0x43, 0x21));
    SelectObject(dc, old);
    DeleteDC(dc);
    // A new size is a new section.
    p.resize(3, 3);
    ASSERT_NE(p.data, nullptr);
    EXPECT_EQ(p.header.biHeight, -3);
    EXPECT_EQ(p.data[8].word(), 0u);
}
#endif

// The report as the error function formats it, without the build date and time.
std::string reportHead(const char* message, const char* file, int line, const char* proc) {
    return std::string("Error: ") + message + "\nFile: " + file +
           "\nLine: " + std::to_string(line) + "\nProc: " + proc + "\nDate: ";
}

TEST(PictureFormat, WrongMagicIsReportedAndLeavesThePictureAsItWas) {
    const std::vector<uint8_t> good = testimages::packed(testimages::picture());
    const std::vector<uint8_t> strip = testimages::packed(testimages::button());
    Pic p;
    BoxCapture capture;
    // A strip given to a picture fails with the picture's message.
    EXPECT_FALSE(p.map(strip.data()));
    ASSERT_EQ(capture.boxes.size(), 1u);
    EXPECT_EQ(capture.boxes[0].caption, "ERROR");
    EXPECT_EQ(
        capture.boxes[0].text.rfind(
            reportHead("Invalid VXIF header", "VX/Pic/Base", 21, "VX_Pic_Base<TPix>::map"), 0),
        0u)
        << capture.boxes[0].text;
    EXPECT_EQ(p.data, nullptr); // never mapped: still empty
    EXPECT_EQ(p.width, 0);

    ASSERT_TRUE(p.map(good.data()));
    EXPECT_FALSE(p.map("ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(static_cast<void*>(p.data), static_cast<const void*>(good.data() + 12));
    EXPECT_EQ(p.width, 10);
    // Missing data was reported by the resource loader: no second report.
    EXPECT_FALSE(p.map(nullptr));
    EXPECT_EQ(capture.boxes.size(), 2u);
    EXPECT_EQ(p.height, 10);
}

TEST(StripFormat, WrongMagicIsReportedAndLeavesTheStripAsItWas) {
    const std::vector<uint8_t> good = testimages::packed(testimages::button());
    const std::vector<uint8_t> picture = testimages::packed(testimages::picture());
    VX_Vid v;
    BoxCapture capture;
    EXPECT_FALSE(v.map(picture.data()));
    ASSERT_EQ(capture.boxes.size(), 1u);
    EXPECT_EQ(capture.boxes[0].text.rfind(
                  reportHead("Invalid VXVF header", "VX/Vid", 14, "VX_Vid::map"), 0),
              0u)
        << capture.boxes[0].text;
    EXPECT_EQ(v.frameCount, 0);
    EXPECT_EQ(v.tiles, nullptr);

    ASSERT_TRUE(v.map(good.data()));
    EXPECT_FALSE(v.map(picture.data()));
    EXPECT_FALSE(v.map(nullptr));
    EXPECT_EQ(capture.boxes.size(), 2u);
    EXPECT_EQ(v.frameCount, 2);
    EXPECT_EQ(v.width, 40);
    EXPECT_EQ(v.tiles, good.data() + 20);
}

// A strip whose tiles are uniform colours: tile number k of the design has colour k + 1.
vximage::Strip uniformTiles(int w, int h, int frames, const std::vector<std::vector<int>>& ids) {
    vximage::Strip s{w, h, frames, std::vector<uint32_t>(size_t(w) * h * frames)};
    const int across = vximage::tilesAcross(w);
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                s.pixels[(size_t(f) * h + y) * w + x] =
                    0xFF000000u | uint32_t(ids[f][(y / 4) * across + x / 4] + 1);
    return s;
}

TEST(StripFormat, WorkedSizesOfTheEditorStrips) {
    // 40 x 24, 2 frames: 60 tiles each; the second frame repeats 46 of the first.
    std::vector<std::vector<int>> ids(2, std::vector<int>(60));
    for (int t = 0; t < 60; ++t) {
        ids[0][t] = t;
        ids[1][t] = t < 46 ? t : 60 + (t - 46);
    }
    std::vector<uint8_t> button = testimages::packed(uniformTiles(40, 24, 2, ids));
    EXPECT_EQ(button.size(), 4996u);
    VX_Vid v;
    ASSERT_TRUE(v.map(button.data()));
    EXPECT_EQ(v.tilesAcross(), 10);
    EXPECT_EQ(v.tilesDown(), 6);
    EXPECT_EQ(v.tileCount, 74);
    EXPECT_EQ(v.frameCount, 2);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(v.index), button.data() + 20 + 74 * 64);

    // 64 x 64, 265 frames, 4384 tiles: 256 in the first frame, then 16 new ones in each of the
    // next 168 frames and 15 in each of the 96 after them.
    std::vector<std::vector<int>> kids(265, std::vector<int>(256));
    int next = 256;
    for (int t = 0; t < 256; ++t) kids[0][t] = t;
    for (int f = 1; f < 265; ++f) {
        const int fresh = f <= 168 ? 16 : 15;
        for (int t = 0; t < 256; ++t) kids[f][t] = t < fresh ? next + t : t;
        next += fresh;
    }
    ASSERT_EQ(next, 4384);
    std::vector<uint8_t> big = testimages::packed(uniformTiles(64, 64, 265, kids));
    EXPECT_EQ(big.size(), 416276u);
    EXPECT_EQ(vximage::stripSize(64, 64, 265, 4384), 416276u);
    EXPECT_LT(big.size(), 64u * 64 * 4 * 265 / 10); // raw frames: 4 341 760 bytes
    ASSERT_TRUE(v.map(big.data()));
    EXPECT_EQ(v.tileCount, 4384);
    EXPECT_EQ(v.tilesAcross(), 16);

    // One pixel wider needs one more column of tiles.
    vximage::Strip wide{41, 24, 1, std::vector<uint32_t>(41 * 24, 0xFF000000)};
    std::vector<uint8_t> w41 = testimages::packed(wide);
    ASSERT_TRUE(v.map(w41.data()));
    EXPECT_EQ(v.tilesAcross(), 11);
    EXPECT_EQ(w41.size(), 20u + 64 * v.tileCount + 2 * 11 * 6);
}

TEST(StripFormat, PixelsComeFromTheTilesOfTheirOwnFrame) {
    const vximage::Strip knob = testimages::knob(32, 265);
    std::vector<uint8_t> bytes = testimages::packed(knob);
    VX_Vid v;
    ASSERT_TRUE(v.map(bytes.data()));
    for (int f : {0, 1, 132, 264})
        for (int y = 0; y < 32; y += 3)
            for (int x = 0; x < 32; x += 5)
                ASSERT_EQ(v.pixel(f, x, y).word(), knob.pixels[(size_t(f) * 32 + y) * 32 + x])
                    << f << ":" << x << "," << y;
    EXPECT_EQ(v.pixel(265, 0, 0).word(), 0u); // no such frame
    EXPECT_EQ(v.pixel(0, 32, 0).word(), 0u);  // outside the frame

    // Frame 7 reads index entries 7 * 64 ... 8 * 64 - 1 only: spoiling all others changes
    // nothing in it.
    Pic before, after;
    fill(before, 32, 32, 0xFF000000);
    fill(after, 32, 32, 0xFF000000);
    v.drawFrame(7, before, 0, 0, {0, 0, 32, 32});
    uint16_t* index = reinterpret_cast<uint16_t*>(bytes.data() + 20 + 64 * v.tileCount);
    for (int e = 0; e < 265 * 64; ++e)
        if (e < 7 * 64 || e >= 8 * 64) index[e] = 0;
    v.drawFrame(7, after, 0, 0, {0, 0, 32, 32});
    EXPECT_EQ(std::memcmp(before.data, after.data, 32 * 32 * 4), 0);
}

TEST(StripFormat, DrawFrameCompositesThePartAcrossTileBorders) {
    const vximage::Strip button = testimages::button();
    std::vector<uint8_t> bytes = testimages::packed(button);
    VX_Vid v;
    ASSERT_TRUE(v.map(bytes.data()));
    Pic dst;
    fill(dst, 20, 20, 0xFF203040);
    const VX_Rect part{1, 2, 14, 9}; // crosses tile borders at x 4, 8, 12 and y 4, 8
    v.drawFrame(1, dst, 3, 4, part);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const int fx = x - 3 + part.left, fy = y - 4 + part.top;
            const uint32_t want = part.contains(fx, fy)
                                      ? over(0xFF203040, button.pixels[(24 + fy) * 40 + fx]).word()
                                      : 0xFF203040u;
            ASSERT_EQ(dst.row(y)[x].word(), want) << x << "," << y;
        }
    // No repetition: a part reaching past the frame is cut at its edge.
    fill(dst, 20, 20, 0xFF203040);
    v.drawFrame(0, dst, 0, 0, {36, 20, 48, 30});
    EXPECT_EQ(dst.row(3)[3].word(), over(0xFF203040, button.pixels[23 * 40 + 39]).word());
    EXPECT_EQ(dst.row(3)[4].word(), 0xFF203040u);
    EXPECT_EQ(dst.row(4)[0].word(), 0xFF203040u);
}

} // namespace
