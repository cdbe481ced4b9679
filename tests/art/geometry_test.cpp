// The drawing library under the artwork: its own trigonometry, the shapes' coverage and the
// tile packing the generator reports.
#include <canvas.h>
#include <detmath.h>
#include <shapes.h>
#include <tiles.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace art;

TEST(ArtMath, TrigonometryMatchesTheLibraryEverywhere) {
    for (int i = -4000; i <= 4000; ++i) {
        const double x = i * 0.00314159 * 3.7; // about -43 ... 43 radians, off the quadrant marks
        EXPECT_NEAR(dsin(x), std::sin(x), 4e-16 * std::max(1.0, std::fabs(x))) << x;
        EXPECT_NEAR(dcos(x), std::cos(x), 4e-16 * std::max(1.0, std::fabs(x))) << x;
    }
    for (int q = -8; q <= 8; ++q) {
        EXPECT_NEAR(dsin(q * pi / 4), std::sin(q * pi / 4), 1e-15) << q;
        EXPECT_NEAR(dcos(q * pi / 4), std::cos(q * pi / 4), 1e-15) << q;
    }
    for (int i = 0; i < 720; ++i) {
        const double a = i * pi / 360 - pi + 1e-9;
        for (const double r : {1e-3, 1.0, 1e4}) {
            const double y = r * std::sin(a), x = r * std::cos(a);
            EXPECT_NEAR(datan2(y, x), std::atan2(y, x), 1e-15) << a;
        }
    }
    EXPECT_EQ(datan2(0, 0), 0);
    EXPECT_NEAR(datan2(0, -1), pi, 1e-15);
}

TEST(ArtShapes, CoverageOfPixelAlignedAndRoundShapes) {
    const Shape square = box(2, 3, 6, 5);
    EXPECT_EQ(coverage(square, 2, 3), 1);
    EXPECT_EQ(coverage(square, 5, 4), 1);
    EXPECT_EQ(coverage(square, 1, 3), 0);
    EXPECT_EQ(coverage(square, 6, 4), 0);
    EXPECT_EQ(coverage(box(0, 0, 1.5, 1), 1, 0), 0.5);

    double area = 0;
    const Shape disc = circle({20, 20}, 10);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) area += coverage(disc, x, y);
    EXPECT_NEAR(area, pi * 100, 0.5);
}

TEST(ArtShapes, EdgeTestAgreesWithSamplingEveryPixel) {
    // Coverage decides from the distance at a pixel's centre that a pixel is wholly inside or
    // outside; for every shape the artwork uses that must agree with sampling the pixel.
    const Point c{16, 16};
    const Shape shapes[] = {
        arc(c, 11, 3.4, -0.75 * pi, 0.4),
        subtract(circle(c, 12), circle(c, 8.9)),
        polygon({{3, 2}, {9, 2}, {16, 20}, {23, 2}, {29, 2}, {18, 30}, {14, 30}}),
        outline(grow(box(4, 6, 28, 24, 9), -0.4), 0.8),
        unite(segment({4, 28}, {27, 5}, 2.7), moved(circle(c, 3), 5, 5)),
        intersect(box(3, 3, 20, 20), circle({20, 20}, 14)),
    };
    for (const Shape& s : shapes) {
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                int inside = 0;
                for (int j = 0; j < 16; ++j)
                    for (int i = 0; i < 16; ++i)
                        inside += s.distance(x + (i + 0.5) / 16, y + (j + 0.5) / 16) < 0;
                ASSERT_EQ(coverage(s, x, y), inside / 256.0) << x << ", " << y;
            }
        }
    }
}

TEST(ArtShapes, PaintingLeavesUntouchedPixelsExactlyAsTheyWere) {
    // The knob's frames share their tiles only if drawing the pointer changes nothing beyond
    // the pixels it covers.
    Canvas a(16, 16);
    a.fill(circle({8, 8}, 7), rgb(0x405060));
    Canvas b = a;
    b.fill(segment({8, 8}, {8, 3}, 2), rgb(0xFFFFFF));
    const pngio::Image before = a.image(), after = b.image();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (std::abs(x + 0.5 - 8) > 2 || y + 0.5 < 1.5 || y + 0.5 > 10)
                EXPECT_EQ(after.at(x, y), before.at(x, y)) << x << ", " << y;
}

TEST(ArtTiles, PackedSizeFollowsTheStripLayout) {
    pngio::Image strip;
    strip.width = 40;
    strip.height = 48;
    strip.pixels.assign(40 * 48, 0xFF102030u);
    // One tile serves every block of both frames; 10 x 6 index entries per frame.
    TilePacking p = packTiles(strip, 2);
    EXPECT_EQ(p.tiles, 1u);
    EXPECT_EQ(p.bytes, 20u + 64u + 2u * 2u * 60u);

    // A frame 41 pixels wide takes 11 tiles across; the blocks past its edge are padded.
    strip.width = 41;
    strip.pixels.assign(41 * 48, 0xFF102030u);
    p = packTiles(strip, 2);
    EXPECT_EQ(p.tiles, 2u);
    EXPECT_EQ(p.bytes, 20u + 2u * 64u + 2u * 2u * 66u);
}

} // namespace
