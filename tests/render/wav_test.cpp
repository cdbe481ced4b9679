// WAV decoding and encoding: every readable format through a round trip, byte layouts written
// by hand, and damaged files, which must give a message and never a read outside the data.
#include "tools/torv-render/output_file.h"
#include "tools/torv-render/wav.h"
#include "tools/torv-render/wav_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

namespace {

using wav::Encoding;

std::vector<uint8_t> bytesOf(std::initializer_list<int> list) {
    std::vector<uint8_t> v;
    for (int b : list) v.push_back(static_cast<uint8_t>(b));
    return v;
}

void append32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

std::vector<uint8_t> chunk(const char* id, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> c(id, id + 4);
    append32(c, static_cast<uint32_t>(body.size()));
    c.insert(c.end(), body.begin(), body.end());
    if (body.size() & 1) c.push_back(0);
    return c;
}

std::vector<uint8_t> riff(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    append32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// fmt body of plain PCM 16-bit mono at 8000 Hz.
std::vector<uint8_t> fmtPcm16Mono() {
    return bytesOf({1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0});
}

bool decodes(const std::vector<uint8_t>& file, wav::Audio& audio, std::string& error) {
    return wav::decode(file.data(), file.size(), audio, error);
}

std::string errorOf(const std::vector<uint8_t>& file) {
    wav::Audio audio;
    std::string error;
    EXPECT_FALSE(decodes(file, audio, error));
    return error;
}

wav::Audio testAudio(const wav::Format& format, size_t frames) {
    wav::Audio a;
    a.format = format;
    a.frames = frames;
    for (size_t i = 0; i < frames * format.channels; ++i)
        a.samples.push_back(static_cast<float>(std::sin(0.37 * i) * 0.9));
    // Extremes and small values in the first frames.
    const float special[] = {1.0f, -1.0f, 0.0f, 1e-6f, -0.5f, 0.999f};
    for (size_t i = 0; i < std::size(special) && i < a.samples.size(); ++i)
        a.samples[i] = special[i];
    return a;
}

} // namespace

TEST(WavRoundTrip, EveryFormatChannelCountAndHeaderKind) {
    const std::pair<Encoding, int> kinds[] = {{Encoding::Pcm, 8},
                                              {Encoding::Pcm, 16},
                                              {Encoding::Pcm, 24},
                                              {Encoding::Pcm, 32},
                                              {Encoding::Float, 32},
                                              {Encoding::Float, 64}};
    for (const auto& [encoding, bits] : kinds)
        for (int channels : {1, 2, 3})
            for (bool extensible : {false, true}) {
                wav::Format f{encoding, bits, channels, 44100, extensible};
                SCOPED_TRACE(f.describe());
                const wav::Audio in = testAudio(f, 101);
                const std::vector<uint8_t> file = wav::encode(in);
                ASSERT_FALSE(file.empty());
                EXPECT_EQ(file.size() % 2, 0u);
                wav::Audio out;
                std::string error;
                ASSERT_TRUE(decodes(file, out, error)) << error;
                EXPECT_EQ(out.format.encoding, encoding);
                EXPECT_EQ(out.format.bits, bits);
                EXPECT_EQ(out.format.channels, channels);
                EXPECT_EQ(out.format.rate, 44100u);
                EXPECT_EQ(out.format.extensible, extensible);
                ASSERT_EQ(out.frames, 101u);
                // Integer formats keep a value to half a step and saturate +1.0 one step below.
                const double step = encoding == Encoding::Float ? 0.0 : std::ldexp(1.0, 1 - bits);
                for (size_t i = 0; i < in.samples.size(); ++i) {
                    const double expected = std::fmin(in.samples[i], 1.0 - step);
                    ASSERT_NEAR(out.samples[i], expected, step / 2 + 1e-7) << "sample " << i;
                }
                EXPECT_EQ(out.samples[1], -1.0f);
            }
}

TEST(WavRoundTrip, FloatKeepsValuesBeyondFullScaleAndNaN) {
    wav::Format f{Encoding::Float, 32, 1, 48000, false};
    wav::Audio in;
    in.format = f;
    in.samples = {1.5f, -2.0f, std::numeric_limits<float>::quiet_NaN(), 1e-40f};
    in.frames = in.samples.size();
    wav::Audio out;
    std::string error;
    ASSERT_TRUE(decodes(wav::encode(in), out, error)) << error;
    EXPECT_EQ(out.samples[0], 1.5f);
    EXPECT_EQ(out.samples[1], -2.0f);
    EXPECT_TRUE(std::isnan(out.samples[2]));
    EXPECT_EQ(out.samples[3], 1e-40f);
}

TEST(WavDecode, HandWrittenLayouts) {
    std::string error;
    wav::Audio a;
    // 16-bit: 0x4000 is 0.5, 0x8000 is -1.0, 0x7FFF just below 1.0.
    ASSERT_TRUE(decodes(riff({chunk("fmt ", fmtPcm16Mono()),
                              chunk("data", bytesOf({0x00, 0x40, 0x00, 0x80, 0xFF, 0x7F}))}),
                        a,
                        error))
        << error;
    EXPECT_EQ(a.format.rate, 8000u);
    ASSERT_EQ(a.frames, 3u);
    EXPECT_EQ(a.samples[0], 0.5f);
    EXPECT_EQ(a.samples[1], -1.0f);
    EXPECT_EQ(a.samples[2], 32767.0f / 32768.0f);

    // 24-bit stereo: left 0x800000 (-1.0), right 0x000001 (one step).
    auto fmt24 = bytesOf({1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0, 0, 0, 0, 6, 0, 24, 0});
    ASSERT_TRUE(decodes(
        riff({chunk("fmt ", fmt24), chunk("data", bytesOf({0, 0, 0x80, 1, 0, 0}))}), a, error))
        << error;
    ASSERT_EQ(a.frames, 1u);
    EXPECT_EQ(a.channel(0)[0], -1.0f);
    EXPECT_EQ(a.channel(1)[0], 1.0f / 8388608.0f);

    // 8-bit is unsigned: 0 is -1.0, 128 is silence.
    auto fmt8 = bytesOf({1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0});
    ASSERT_TRUE(
        decodes(riff({chunk("fmt ", fmt8), chunk("data", bytesOf({0, 128, 192}))}), a, error));
    EXPECT_EQ(a.samples, (std::vector<float>{-1.0f, 0.0f, 0.5f}));
}

TEST(WavDecode, ChunkOrderPaddingAndExtras) {
    std::string error;
    wav::Audio a;
    // An odd-sized chunk before fmt is padded; data may come before fmt; trailing chunks and a
    // partial last frame are ignored.
    const auto file = riff({chunk("LIST", bytesOf({1, 2, 3})),
                            chunk("data", bytesOf({0, 0x40, 0, 0xC0, 7})),
                            chunk("fmt ", fmtPcm16Mono()),
                            chunk("cue ", bytesOf({0, 0, 0, 0}))});
    ASSERT_TRUE(decodes(file, a, error)) << error;
    EXPECT_EQ(a.samples, (std::vector<float>{0.5f, -0.5f}));
}

TEST(WavDecode, DataSizeLeftUnknownByAStreamingRecorderReadsToTheEnd) {
    auto file = riff({chunk("fmt ", fmtPcm16Mono()), chunk("data", bytesOf({0, 0x40, 0, 0x40}))});
    std::memset(file.data() + file.size() - 8, 0xFF, 4);
    wav::Audio a;
    std::string error;
    ASSERT_TRUE(decodes(file, a, error)) << error;
    EXPECT_EQ(a.frames, 2u);
}

// A data chunk after a complete first one, left by a streaming recorder or by damage, neither
// replaces nor extends it: whether its size is unknown, too large or right.
TEST(WavDecode, OnlyTheFirstCompleteDataChunkIsTheAudio) {
    const auto second = chunk("data", bytesOf({0, 0x20, 0, 0x20, 0, 0x20}));
    for (uint32_t declared : {0xFFFFFFFFu, 1000u, 6u}) {
        auto file = riff(
            {chunk("fmt ", fmtPcm16Mono()), chunk("data", bytesOf({0, 0x40, 0, 0xC0})), second});
        const size_t sizeField = file.size() - second.size() + 4;
        for (int i = 0; i < 4; ++i) file[sizeField + i] = static_cast<uint8_t>(declared >> (8 * i));
        wav::Audio a;
        std::string error;
        ASSERT_TRUE(decodes(file, a, error)) << declared << ": " << error;
        EXPECT_EQ(a.samples, (std::vector<float>{0.5f, -0.5f})) << declared;
    }
}

TEST(WavDecode, MalformedFilesGiveClearErrors) {
    const auto fmt = chunk("fmt ", fmtPcm16Mono());
    const auto data = chunk("data", bytesOf({0, 0x40, 0, 0x40}));
    EXPECT_NE(errorOf({}).find("not a WAV"), std::string::npos);
    EXPECT_NE(
        errorOf(bytesOf({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '})).find("not a WAV"),
        std::string::npos);
    EXPECT_NE(errorOf(riff({data})).find("no fmt chunk"), std::string::npos);
    EXPECT_NE(errorOf(riff({fmt})).find("no data chunk"), std::string::npos);

    auto truncated = riff({fmt, data});
    truncated.resize(truncated.size() - 1);
    EXPECT_NE(errorOf(truncated).find("truncated"), std::string::npos);

    auto huge = riff({fmt, data});
    std::memset(huge.data() + huge.size() - 8, 0xFE, 4); // 4 GB of data claimed
    EXPECT_NE(errorOf(huge).find("truncated"), std::string::npos);

    auto hugeBeforeFmt = riff({chunk("junk", bytesOf({1, 2})), fmt, data});
    std::memset(hugeBeforeFmt.data() + 16, 0xFF, 4);
    EXPECT_NE(errorOf(hugeBeforeFmt).find("'junk'"), std::string::npos);

    auto shortFmt = fmtPcm16Mono();
    shortFmt.resize(14);
    EXPECT_NE(errorOf(riff({chunk("fmt ", shortFmt), data})).find("too short"), std::string::npos);

    auto adpcm = fmtPcm16Mono();
    adpcm[0] = 2;
    EXPECT_NE(errorOf(riff({chunk("fmt ", adpcm), data})).find("format tag 2"), std::string::npos);

    auto twelveBits = fmtPcm16Mono();
    twelveBits[14] = 12;
    EXPECT_NE(errorOf(riff({chunk("fmt ", twelveBits), data})).find("unsupported sample size"),
              std::string::npos);

    auto badAlign = fmtPcm16Mono();
    badAlign[12] = 3;
    EXPECT_NE(errorOf(riff({chunk("fmt ", badAlign), data})).find("block size"), std::string::npos);

    auto noChannels = fmtPcm16Mono();
    noChannels[2] = 0;
    noChannels[12] = 0;
    EXPECT_NE(errorOf(riff({chunk("fmt ", noChannels), data})).find("no channels"),
              std::string::npos);

    wav::Format ext{Encoding::Pcm, 16, 1, 8000, true};
    auto extFile = wav::encode(testAudio(ext, 2));
    extFile[20 + 26] ^= 0xFF; // one byte of the sub-format GUID
    EXPECT_NE(errorOf(extFile).find("sub-format"), std::string::npos);
}

TEST(WavDecode, EveryTruncationAndRandomDamageIsHandled) {
    wav::Format f{Encoding::Pcm, 24, 2, 44100, true};
    const auto good = wav::encode(testAudio(f, 40));
    // Cut at every length: an error, or fewer whole frames, never a read past the end.
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        wav::Audio a;
        std::string error;
        if (decodes(cut, a, error)) {
            EXPECT_LT(a.frames, 40u);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        auto damaged = good;
        for (int k = 0; k < 4; ++k) damaged[random() % 80] = static_cast<uint8_t>(random());
        wav::Audio a;
        std::string error;
        if (decodes(damaged, a, error)) {
            EXPECT_EQ(a.samples.size(), a.frames * a.format.channels);
            EXPECT_LE(a.frames * a.format.bytesPerFrame(), damaged.size());
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(WavEncode, RefusesWhatTheFileSizesCannotHold) {
    wav::Format f{Encoding::Float, 32, 2, 48000, false};
    EXPECT_FALSE(wav::encodeHeader(f, 536870000).empty());
    EXPECT_TRUE(wav::encodeHeader(f, 536870912).empty()); // 4 GiB of samples
    f.bits = 24;
    f.encoding = Encoding::Float;
    EXPECT_TRUE(wav::encodeHeader(f, 1).empty());
}

class WavFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("torv-wav-test-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string path(const char* name) const { return (dir / name).string(); }
    size_t filesInDir() const {
        size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(dir)) n += e.is_regular_file();
        return n;
    }
    std::filesystem::path dir;
};

TEST_F(WavFileTest, WriterStreamsBlocksAndReplacesTheTargetOnlyOnCommit) {
    const std::string target = path("out.wav");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(target, "previous contents", error)) << error;

    wav::Format f{Encoding::Float, 32, 2, 44100, false};
    const float block[] = {0.25f, -0.25f, 0.5f, -0.5f, 0.75f, -0.75f};
    {
        wav::FileWriter abandoned(target, f);
        ASSERT_TRUE(abandoned.open(error)) << error;
        ASSERT_TRUE(abandoned.append(block, 3));
    }
    std::string contents;
    ASSERT_TRUE(readWholeFile(target, contents, error));
    EXPECT_EQ(contents, "previous contents");
    EXPECT_EQ(filesInDir(), 1u) << "the abandoned temporary file must be gone";

    wav::FileWriter writer(target, f);
    ASSERT_TRUE(writer.open(error)) << error;
    ASSERT_TRUE(writer.append(block, 3));
    ASSERT_TRUE(writer.append(block, 1));
    ASSERT_TRUE(writer.commit(error)) << error;
    wav::Audio a;
    ASSERT_TRUE(wav::readFile(target, a, error)) << error;
    EXPECT_EQ(a.frames, 4u);
    EXPECT_EQ(a.channel(1), (std::vector<float>{-0.25f, -0.5f, -0.75f, -0.25f}));
    EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(WavFileTest, UnreadableAndUnwritablePathsAreReported) {
    std::string error;
    wav::Audio a;
    EXPECT_FALSE(wav::readFile(path("missing.wav"), a, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;

    ASSERT_TRUE(writeFileAtomically(path("text.wav"), "just some text, long enough", error));
    EXPECT_FALSE(wav::readFile(path("text.wav"), a, error));
    EXPECT_NE(error.find("text.wav: not a WAV"), std::string::npos) << error;

    wav::FileWriter writer(path("no/such/dir/out.wav"), wav::Format{});
    EXPECT_FALSE(writer.open(error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

// The streaming reader walks the same chunks by the same rules as decode(): the same format,
// first channel and message for every file, whether it reads in pieces that split frames or
// from a file on disk.
TEST_F(WavFileTest, StreamingReaderAgreesWithDecode) {
    std::vector<std::vector<uint8_t>> files;
    const std::pair<Encoding, int> kinds[] = {{Encoding::Pcm, 16},
                                              {Encoding::Pcm, 24},
                                              {Encoding::Pcm, 32},
                                              {Encoding::Float, 32},
                                              {Encoding::Float, 64}};
    for (const auto& [encoding, bits] : kinds)
        for (int channels : {1, 2})
            for (bool extensible : {false, true})
                files.push_back(
                    wav::encode(testAudio({encoding, bits, channels, 44100, extensible}, 37)));
    const auto fmt = chunk("fmt ", fmtPcm16Mono());
    const auto data = chunk("data", bytesOf({0, 0x40, 0, 0xC0, 0, 0x20}));
    auto unknownSize = riff({fmt, data});
    std::memset(unknownSize.data() + unknownSize.size() - 10, 0xFF, 4);
    files.push_back(unknownSize);
    for (uint32_t declared : {0xFFFFFFFFu, 1000u, 6u}) {
        auto later = riff({fmt, data, data});
        std::memcpy(later.data() + later.size() - 10, &declared, 4); // little-endian host
        files.push_back(later);
    }
    files.push_back(riff({chunk("LIST", bytesOf({1, 2, 3})),
                          chunk("data", bytesOf({0, 0x40, 0, 0xC0, 7})),
                          fmt,
                          chunk("cue ", bytesOf({0, 0, 0, 0}))}));
    files.push_back(riff({data}));
    files.push_back(riff({fmt}));
    auto hugeBeforeFmt = riff({chunk("junk", bytesOf({1, 2})), fmt, data});
    std::memset(hugeBeforeFmt.data() + 16, 0xFF, 4);
    files.push_back(hugeBeforeFmt);
    const auto stereo24 = wav::encode(testAudio({Encoding::Pcm, 24, 2, 44100, true}, 9));
    const size_t firstCut = files.size();
    for (size_t n = 0; n < stereo24.size(); ++n) // every truncation
        files.push_back(std::vector<uint8_t>(stereo24.begin(), stereo24.begin() + n));

    const std::string onDisk = path("in.wav");
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        const auto& file = files[i];
        wav::Audio audio;
        std::string decodeError;
        const bool decoded = decodes(file, audio, decodeError);
        const std::vector<float> first = decoded ? audio.channel(0) : std::vector<float>{};

        for (size_t piece :
             {size_t{1}, size_t{5}, size_t{7}, wav::FirstChannelReader::defaultPieceBytes}) {
            wav::MemorySource source(file.data(), file.size());
            wav::Layout layout;
            std::string error;
            ASSERT_EQ(wav::readLayout(source, layout, error), decoded);
            if (!decoded) {
                EXPECT_EQ(error, decodeError);
                continue;
            }
            EXPECT_EQ(layout.format.describe(), audio.format.describe());
            ASSERT_EQ(layout.frames, audio.frames);
            wav::FirstChannelReader reader(source, layout, piece);
            std::vector<float> got(first.size() + 1);
            size_t done = 0;
            for (size_t ask = 1; done < got.size(); ask = ask % 3 + 1) {
                const size_t n = reader.read(got.data() + done, std::min(ask, got.size() - done));
                if (n == 0) break;
                done += n;
            }
            EXPECT_TRUE(reader.error().empty()) << reader.error();
            got.resize(done);
            EXPECT_EQ(got, first) << "pieces of " << piece << " bytes";
        }

        if (i > firstCut && i % 8 != 0) continue; // on disk: a few of the cuts are enough
        ASSERT_TRUE(
            writeFileAtomically(onDisk, std::string(file.begin(), file.end()), decodeError));
        std::string readError, streamError;
        const bool read = wav::readFile(onDisk, audio, readError);
        wav::FileReader reader;
        ASSERT_EQ(reader.open(onDisk, streamError), read);
        EXPECT_EQ(streamError, readError);
        if (!read) continue;
        std::vector<float> got(audio.frames + 1);
        size_t n = 0;
        ASSERT_TRUE(reader.read(got.data(), got.size(), n, streamError)) << streamError;
        got.resize(n);
        EXPECT_EQ(got, audio.channel(0));
    }

    // A file cut short while it is read is an error, not a shorter render.
    std::string error;
    ASSERT_TRUE(writeFileAtomically(onDisk, std::string(stereo24.begin(), stereo24.end()), error));
    wav::FileReader reader;
    ASSERT_TRUE(reader.open(onDisk, error)) << error;
    std::filesystem::resize_file(onDisk, 80);
    std::vector<float> got(9);
    size_t n = 0;
    EXPECT_FALSE(reader.read(got.data(), got.size(), n, error));
    EXPECT_NE(error.find("in.wav: cannot read at byte 80"), std::string::npos) << error;
}
