// VX_Rts::copyBuffer, grouped by the pair of formats it converts between: the worked examples,
// lossless round trips where the formats allow them, the clamps, the latch, and the formats it
// refuses.
#include "rts/rts_test_util.h"

// The audio runtime is a library of its own (vx_rts), outside VX/VX.h: its header.
#include "VX/Rts/VX_Rts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Reference arithmetic as the conversion is defined: integers left-justified, then multiplied
// by 1/2147483647 in extended precision and held as a double.
double unitOf(int32_t leftJustified) {
    return static_cast<double>(leftJustified * (1.0L / 2147483647.0L));
}

TEST(RtsCopyIntToFloat, SixteenBitExamples) {
    std::vector<int16_t> in = {int16_t(0x8000), 0x7FFF, 0, 1, -1};
    std::vector<float> out(in.size(), 99.0f);
    ASSERT_EQ(convert(out, VX_RTS_FLOAT32, in, VX_RTS_INT16), VX_OK);
    EXPECT_EQ(out[0], -1.0f); // -2^31 / (2^31 - 1) clamps to -1.0
    EXPECT_EQ(out[1], static_cast<float>(32767.0 * 65536.0 / 2147483647.0));
    EXPECT_EQ(out[2], 0.0f);
    EXPECT_EQ(out[3], static_cast<float>(65536.0 / 2147483647.0));
    EXPECT_EQ(out[4], -out[3]);
}

TEST(RtsCopyIntToFloat, SinglesMatchTheExtendedPrecisionProductEverywhere) {
    // Every 16- and 24-bit value and a spread of 32-bit ones: the fast product in double gives
    // the same single as the product in extended precision.
    std::vector<int32_t> in;
    for (int32_t v = -32768; v < 32768; ++v) in.push_back(v << 16);
    for (int32_t v = -(1 << 23); v < (1 << 23); v += 7) in.push_back(v << 8);
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        in.push_back(static_cast<int32_t>(x));
    }
    in.push_back(INT32_MIN);
    in.push_back(INT32_MAX);
    std::vector<float> out(in.size());
    ASSERT_EQ(convert(out, VX_RTS_FLOAT32, in, VX_RTS_INT32), VX_OK);
    size_t wrong = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const float expected = static_cast<float>(std::fmax(-1.0, unitOf(in[i])));
        if (std::memcmp(&out[i], &expected, 4) != 0 && wrong++ < 5)
            ADD_FAILURE() << "v = " << in[i] << ": " << out[i] << " instead of " << expected;
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(RtsCopyIntToFloat, DoublesAreWrittenWholeInExtendedPrecision) {
    std::vector<int32_t> in = {INT32_MAX, 4194305, -123456789, INT32_MIN};
    std::vector<double> out(in.size());
    ASSERT_EQ(convert(out, VX_RTS_FLOAT64, in, VX_RTS_INT32), VX_OK);
    EXPECT_EQ(out[0], 1.0);
    EXPECT_EQ(out[1], unitOf(4194305)); // differs from the plain double product in the last bit
    EXPECT_NE(out[1], 4194305 * (1.0 / 2147483647.0));
    EXPECT_EQ(out[2], unitOf(-123456789));
    EXPECT_EQ(out[3], -1.0);
}

TEST(RtsCopyFloatToInt, SaturatesAndTruncatesTowardZero) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> in = {1.5f, -1.5f, 1.0f, -1.0f, 0.5f, nan, -0.0f, 1e-9f};
    std::vector<int16_t> out(in.size(), 0x5555);
    ASSERT_EQ(convert(out, VX_RTS_INT16, in, VX_RTS_FLOAT32), VX_OK);
    EXPECT_EQ(out[0], 0x7FFF);
    EXPECT_EQ(out[1], int16_t(0x8000)); // -2147483647 >> 16
    EXPECT_EQ(out[2], 0x7FFF);
    EXPECT_EQ(out[3], int16_t(0x8000));
    EXPECT_EQ(out[4], 0x3FFF);          // 1073741823 >> 16
    EXPECT_EQ(out[5], int16_t(0x8000)); // NaN converts as -1.0
    EXPECT_EQ(out[6], 0);
    EXPECT_EQ(out[7], 0);

    std::vector<int32_t> wide(in.size());
    ASSERT_EQ(convert(wide, VX_RTS_INT32, in, VX_RTS_FLOAT32), VX_OK);
    EXPECT_EQ(wide[0], INT32_MAX);
    EXPECT_EQ(wide[1], -INT32_MAX);
    EXPECT_EQ(wide[5], -INT32_MAX); // NaN: as -1.0, not the most negative integer
    EXPECT_EQ(wide[7], 2);          // 1e-9 * 2147483647 = 2.147..., toward zero
}

TEST(RtsCopyFloatToInt, PositiveSamplesLoseOneStepThroughSingles) {
    // Truncation toward zero after the division by 2^31 - 1: a positive 16-bit sample comes
    // back one lower through a float block, a negative one unchanged.
    std::vector<int16_t> in = {1, 1000, -1000, 32767};
    std::vector<float> mid(in.size());
    std::vector<int16_t> back(in.size());
    ASSERT_EQ(convert(mid, VX_RTS_FLOAT32, in, VX_RTS_INT16), VX_OK);
    ASSERT_EQ(convert(back, VX_RTS_INT16, mid, VX_RTS_FLOAT32), VX_OK);
    EXPECT_EQ(back, (std::vector<int16_t>{0, 999, -1000, 32766}));
}

TEST(RtsCopyFloatToInt, PackedTwentyFourBitKeepsItsNeighbours) {
    std::vector<float> in = {-1.0f, 0.25f};
    std::vector<uint8_t> out(7, 0xEE);
    ASSERT_EQ(convertRaw(out.data(), VX_RTS_INT24, in.data(), VX_RTS_FLOAT32, 2), VX_OK);
    // -2147483647 >> 8 = -8388608 = 0x800000; 536870911 >> 8 = 0x1FFFFF.
    EXPECT_EQ(out, (std::vector<uint8_t>{0x00, 0x00, 0x80, 0xFF, 0xFF, 0x1F, 0xEE}));
}

TEST(RtsCopyIntToInt, PackedTwentyFourBitSigns) {
    const uint8_t in[] = {0x80, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF};
    std::vector<int32_t> out(3);
    ASSERT_EQ(convertRaw(out.data(), VX_RTS_INT32, in, VX_RTS_INT24, 3), VX_OK);
    EXPECT_EQ(out[0], 128 << 8);  // +128: the top byte alone carries the sign
    EXPECT_EQ(out[1], INT32_MIN); // -8388608
    EXPECT_EQ(out[2], -256);      // -1
}

TEST(RtsCopyIntToInt, SixteenBitsInAThirtyTwoBitContainer) {
    // Only the low 16 bits of the container count, whatever lies above them.
    std::vector<uint32_t> in = {0xABCD1234u, 0x0000FFFFu, 0x7FFF8000u};
    std::vector<int16_t> out(in.size());
    ASSERT_EQ(convert(out, VX_RTS_INT16, in, VX_RTS_INT32_16), VX_OK);
    EXPECT_EQ(out, (std::vector<int16_t>{0x1234, -1, int16_t(0x8000)}));
    // Writing one sign-extends into the whole container.
    std::vector<uint32_t> back(in.size());
    ASSERT_EQ(convert(back, VX_RTS_INT32_16, out, VX_RTS_INT16), VX_OK);
    EXPECT_EQ(back, (std::vector<uint32_t>{0x1234u, 0xFFFFFFFFu, 0xFFFF8000u}));
}

TEST(RtsCopyIntToInt, NarrowingShiftsTowardMinusInfinity) {
    std::vector<int32_t> in = {-1, 0x0001FFFF, -65537, INT32_MIN, INT32_MAX};
    std::vector<int16_t> out(in.size());
    ASSERT_EQ(convert(out, VX_RTS_INT16, in, VX_RTS_INT32), VX_OK);
    EXPECT_EQ(out, (std::vector<int16_t>{-1, 1, -2, int16_t(0x8000), 0x7FFF}));
    // 18 and 20 significant bits in 32-bit containers hold the top bits, right-aligned.
    std::vector<int32_t> x18(in.size()), x20(in.size());
    ASSERT_EQ(convert(x18, VX_RTS_INT32_18, in, VX_RTS_INT32), VX_OK);
    ASSERT_EQ(convert(x20, VX_RTS_INT32_20, in, VX_RTS_INT32), VX_OK);
    EXPECT_EQ(x18[3], -(1 << 17));
    EXPECT_EQ(x18[4], (1 << 17) - 1);
    EXPECT_EQ(x20[1], 0x0001FFFF >> 12);
}

TEST(RtsCopyIntToInt, WideningAndBackIsLossless) {
    std::vector<int16_t> all16;
    for (int v = -32768; v < 32768; ++v) all16.push_back(static_cast<int16_t>(v));
    for (uint32_t wide : {VX_RTS_INT32,
                          VX_RTS_INT24,
                          VX_RTS_INT32_24,
                          VX_RTS_INT32_20,
                          VX_RTS_INT32_18,
                          VX_RTS_INT32_16,
                          VX_RTS_FLOAT64}) {
        std::vector<uint8_t> mid(all16.size() * 8);
        std::vector<int16_t> back(all16.size());
        const uint32_t stride = wide & 0xFF;
        ASSERT_EQ(convertRaw(mid.data(), wide, all16.data(), VX_RTS_INT16, all16.size()), VX_OK);
        ASSERT_EQ(convertRaw(back.data(), VX_RTS_INT16, mid.data(), wide, all16.size()), VX_OK);
        EXPECT_EQ(back, all16) << std::hex << "through 0x" << wide << " stride " << stride;
    }
}

TEST(RtsCopyIntToInt, TwentyFourBitThroughDoublesIsLossless) {
    std::vector<uint8_t> all24;
    for (int32_t v = -(1 << 23); v < (1 << 23); v += 3) {
        all24.push_back(static_cast<uint8_t>(v));
        all24.push_back(static_cast<uint8_t>(v >> 8));
        all24.push_back(static_cast<uint8_t>(v >> 16));
    }
    const size_t n = all24.size() / 3;
    std::vector<double> mid(n);
    std::vector<uint8_t> back(all24.size());
    ASSERT_EQ(convertRaw(mid.data(), VX_RTS_FLOAT64, all24.data(), VX_RTS_INT24, n), VX_OK);
    ASSERT_EQ(convertRaw(back.data(), VX_RTS_INT24, mid.data(), VX_RTS_FLOAT64, n), VX_OK);
    EXPECT_TRUE(back == all24);
}

TEST(RtsCopyFloatToFloat, ClampsAndKeepsDoublesWhole) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> in = {0.1, 2.0, -3.0, nan, -0.5};
    std::vector<float> out(in.size());
    ASSERT_EQ(convert(out, VX_RTS_FLOAT32, in, VX_RTS_FLOAT64), VX_OK);
    EXPECT_EQ(out, (std::vector<float>{0.1f, 1.0f, -1.0f, -1.0f, -0.5f}));
    // Singles through doubles and back are exact.
    std::vector<float> singles = {0.1f, -0.7f, 1.0f, 1e-30f, -1.0f};
    std::vector<double> wide(singles.size());
    std::vector<float> back(singles.size());
    ASSERT_EQ(convert(wide, VX_RTS_FLOAT64, singles, VX_RTS_FLOAT32), VX_OK);
    EXPECT_EQ(wide[0], static_cast<double>(0.1f));
    ASSERT_EQ(convert(back, VX_RTS_FLOAT32, wide, VX_RTS_FLOAT64), VX_OK);
    EXPECT_EQ(back, singles);
}

TEST(RtsCopyInterleaved, ChannelsOfAFrameAreReadAtTheirStride) {
    // A 24-bit stereo frame: "Right" starts 3 bytes in and has stride 6.
    const uint8_t frames[] = {
        0x00, 0x00, 0x40, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x20, 0x00, 0x00, 0xE0};
    VX_Rts::Chan right("Right", 0x1806, 2), host("host", VX_RTS_FLOAT32, 2);
    float out[2];
    right.data = const_cast<uint8_t*>(frames + 3);
    host.data = out;
    ASSERT_EQ(VX_Rts::copyBuffer(&host, &right), VX_OK);
    EXPECT_EQ(out[0], static_cast<float>(unitOf(int32_t(0xC0000000))));
    EXPECT_EQ(out[1], static_cast<float>(unitOf(int32_t(0xE0000000))));
    // Writing a stereo frame's second channel leaves the first one alone.
    int16_t quad[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    VX_Rts::Chan second("Right front", 0x1008, 2);
    second.data = quad + 1;
    float values[2] = {-1.0f, 1.0f};
    host.data = values;
    ASSERT_EQ(VX_Rts::copyBuffer(&second, &host), VX_OK);
    EXPECT_EQ(std::vector<int16_t>(quad, quad + 8),
              (std::vector<int16_t>{1, -32768, 3, 4, 5, 32767, 7, 8}));
}

class RtsCopyLatch : public ::testing::Test {
protected:
    void TearDown() override { clearConversionLatch(); }
};

TEST_F(RtsCopyLatch, AMismatchStopsEveryCopyUntilANewModeStarts) {
    std::vector<int16_t> a = {100, 200, 300}, b(2, 7), c(3, 7);
    EXPECT_EQ(convert(b, VX_RTS_INT16, a, VX_RTS_INT16), nullptr);
    EXPECT_EQ(b, (std::vector<int16_t>{7, 7})); // nothing copied
    EXPECT_TRUE(VX_Rts::conversionLatched());
    EXPECT_EQ(convert(c, VX_RTS_INT16, a, VX_RTS_INT16), nullptr); // equal counts, still refused
    EXPECT_EQ(c, (std::vector<int16_t>(3, 7)));

    VX_Rts rts("latch");
    VX_Rts::Mode m(48000, 16, 3, 2);
    EXPECT_EQ(rts.mode(&m), VX_OK);
    EXPECT_FALSE(VX_Rts::conversionLatched());
    EXPECT_EQ(convert(c, VX_RTS_INT16, a, VX_RTS_INT16), VX_OK);
    EXPECT_EQ(c, a);
}

TEST_F(RtsCopyLatch, RefusedFormatsTouchNothingAndDoNotLatch) {
    const uint32_t refused[] = {
        0x1001002,                       // 16-bit float
        0x1000004,                       // float without significant bits
        VX_rts_format(5, 40, 0, false),  // 40 bits: a five-byte container
        0x0004,                          // no significant bits
        0x1002002,                       // float at a stride below its four bytes
        0x1803 - 1,                      // packed 24-bit at stride 2
        0x2001004,                       // neither integer nor float
        VX_rts_format(4, 24, 16, false), // 24 + 16 bits: a five-byte container
        VX_rts_format(2, 12, 0, false),  // 12 bits in one byte
    };
    for (uint32_t word : refused) {
        std::vector<uint8_t> buffer(64, 0xAB);
        std::vector<float> host(4, 0.5f);
        VX_Rts::Chan odd("odd", word, 4), plain("plain", VX_RTS_FLOAT32, 4);
        odd.data = buffer.data();
        plain.data = host.data();
        EXPECT_EQ(VX_Rts::copyBuffer(&odd, &plain), nullptr) << std::hex << word;
        EXPECT_EQ(VX_Rts::copyBuffer(&plain, &odd), nullptr) << std::hex << word;
        EXPECT_EQ(buffer, std::vector<uint8_t>(64, 0xAB));
        EXPECT_EQ(host, std::vector<float>(4, 0.5f));
    }
    EXPECT_FALSE(VX_Rts::conversionLatched());
}

TEST_F(RtsCopyLatch, ChannelsWithoutDataAreSkipped) {
    VX_Rts::Chan a("a", VX_RTS_INT16, 4), b("b", VX_RTS_FLOAT32, 4);
    float out[4] = {};
    b.data = out;
    EXPECT_EQ(VX_Rts::copyBuffer(&b, &a), nullptr);
    EXPECT_EQ(VX_Rts::copyBuffer(&b, nullptr), nullptr);
    EXPECT_FALSE(VX_Rts::conversionLatched());
    VX_Rts::Chan empty("e", VX_RTS_INT16, 0), none("n", VX_RTS_FLOAT32, 0);
    int16_t dummy = 0;
    empty.data = &dummy;
    none.data = out;
    EXPECT_EQ(VX_Rts::copyBuffer(&none, &empty), VX_OK);
}

} // namespace
