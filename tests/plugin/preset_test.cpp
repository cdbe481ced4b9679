// Preset files: the format, every message of loading and saving, and that a failed save keeps
// the file that was there.
#include "plugin/test_host.h"
#include "support/capture.h"

#include "plugin/preset_file.h"
#include "plugin/torv_strings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <vector>

using namespace testhost;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

constexpr size_t headerSize = sizeof torvProductString;

class Preset : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("torv-preset-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "a.torv").string();
    }
    void TearDown() override {
        presetFileIo = saved;
        fs::remove_all(dir);
    }

    static Bytes file(int32_t state, float frequency) {
        Bytes b(torvProductString, torvProductString + headerSize);
        uint32_t f;
        std::memcpy(&f, &frequency, 4);
        for (uint32_t v : {static_cast<uint32_t>(state), f})
            for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
        return b;
    }
    void write(const Bytes& b) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    Bytes read() const {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    // Loads and returns the messages shown.
    std::vector<std::string> load(VX_Application* app, const std::string& from) {
        BoxCapture boxes;
        stdoutOf([&] { app->loadPreset(from.c_str()); });
        return texts(boxes);
    }
    std::vector<std::string> save(VX_Application* app, const std::string& to) {
        BoxCapture boxes;
        stdoutOf([&] { app->savePreset(to.c_str()); });
        return texts(boxes);
    }
    // The names in the preset's folder.
    std::set<std::string> folder() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }
    static std::vector<std::string> texts(const BoxCapture& boxes) {
        std::vector<std::string> r;
        for (const CapturedBox& b : boxes.boxes) {
            EXPECT_EQ(b.caption, "Error");
            EXPECT_EQ(b.type, unsigned{VX_MB_ICONERROR});
            r.push_back(b.text);
        }
        return r;
    }
    using Messages = std::vector<std::string>;

    fs::path dir;
    std::string path;
    PresetFileIo saved = presetFileIo;
};

// Stand-ins for fread and fwrite that fail from the given call on.
int callsBeforeFailure = 0;
size_t failingRead(void* data, size_t size, size_t count, std::FILE* f) {
    return callsBeforeFailure-- > 0 ? std::fread(data, size, count, f) : 0;
}
size_t failingWrite(const void* data, size_t size, size_t count, std::FILE* f) {
    return callsBeforeFailure-- > 0 ? std::fwrite(data, size, count, f) : 0;
}

TEST_F(Preset, SavedFileIsTheHeaderAndTheTwoValues) {
    Effect e;
    e->setParameter(e.get(), 0, 0.0f);
    e->setParameter(e.get(), 1, 0.25f); // 2515 Hz on the knob
    EXPECT_EQ(save(e.object(), path), Messages{});
    EXPECT_EQ(read(), file(0, 2515.0f));
    EXPECT_EQ(read().size(), headerSize + 8);
    EXPECT_EQ(folder(), std::set<std::string>{"a.torv"}); // nothing else left behind

    Effect other;
    EXPECT_EQ(load(other.object(), path), Messages{});
    EXPECT_EQ(other->getParameter(other.get(), 0), 0.0f);
    EXPECT_EQ(other.object()->params[1].value.f, 2515.0f);
    EXPECT_EQ(other.object()->params[1].type, VX_TYPE_FLOAT);
    EXPECT_FLOAT_EQ(other.object()->cutoff, 9980.0f * 0.0625f + 20.0f);
}

TEST_F(Preset, SavingReplacesAnOlderFile) {
    Effect e;
    write(Bytes(300, 'z'));
    EXPECT_EQ(save(e.object(), path), Messages{});
    EXPECT_EQ(read(), file(1, 1500.0f));
}

TEST_F(Preset, LoadingStateOffSwitchesTheFiltersOff) {
    Effect e;
    write(file(0, 1500.0f));
    EXPECT_EQ(load(e.object(), path), Messages{});
    EXPECT_EQ(e->getParameter(e.get(), 0), 0.0f);
    int32_t on = -1;
    VX_cmd("VX_Effect %o -on", e.object()->graph->highpass, &on);
    EXPECT_EQ(on, 0);
    VX_cmd("VX_Effect %o -on", e.object()->graph->bandpass, &on);
    EXPECT_EQ(on, 0);
}

TEST_F(Preset, WrongSizeIsBadContent) {
    Effect e;
    for (int delta : {-1, +1}) {
        Bytes b = file(0, 300.0f);
        b.resize(b.size() + delta, 0);
        write(b);
        EXPECT_EQ(load(e.object(), path), Messages{"Bad content in preset file."});
    }
    write({});
    EXPECT_EQ(load(e.object(), path), Messages{"Bad content in preset file."});
    EXPECT_EQ(e->getParameter(e.get(), 0), 1.0f);
    EXPECT_EQ(e.object()->params[1].value.f, 1500.0f);
}

TEST_F(Preset, AHeaderThatDiffersAnywhereIsWrong) {
    Effect e;
    for (size_t at : {size_t{0}, size_t{4}, headerSize - 2, headerSize - 1}) {
        Bytes b = file(0, 300.0f);
        b[at] ^= 0x20;
        write(b);
        EXPECT_EQ(load(e.object(), path), Messages{"Wrong header in preset file."}) << at;
    }
    // A zero byte early in the header ends the text there: still not the product string.
    Bytes b = file(0, 300.0f);
    b[10] = 0;
    write(b);
    EXPECT_EQ(load(e.object(), path), Messages{"Wrong header in preset file."});
    EXPECT_EQ(e.object()->params[1].value.f, 1500.0f);
}

// The effect never writes a frequency off its knob, 20 to 10000 Hz: anything else, a NaN as much
// as 3e38 (which would give an infinite cutoff), is refused, and nothing of the file is taken.
TEST_F(Preset, AFrequencyOffTheKnobIsRefused) {
    Effect e;
    for (float bad : {std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity(),
                      3e38f,
                      20000.0f,
                      10000.001f,
                      19.999f,
                      0.0f,
                      -300.0f}) {
        write(file(0, bad));
        EXPECT_EQ(load(e.object(), path), Messages{"Bad content in preset file."}) << bad;
    }
    EXPECT_EQ(e->getParameter(e.get(), 0), 1.0f);
    EXPECT_EQ(e.object()->params[1].value.f, 1500.0f);
    EXPECT_FLOAT_EQ(e.object()->cutoff, 239.47897f);
    // The ends of the knob are its own values.
    for (float edge : {20.0f, 10000.0f}) {
        write(file(1, edge));
        EXPECT_EQ(load(e.object(), path), Messages{}) << edge;
        EXPECT_EQ(e.object()->params[1].value.f, edge);
        EXPECT_FLOAT_EQ(e.object()->cutoff, edge);
    }
}

TEST_F(Preset, MissingFileCannotBeOpened) {
    Effect e;
    EXPECT_EQ(load(e.object(), (dir / "none.torv").string()), Messages{"Cannot open this file."});
}

TEST_F(Preset, ReadFailuresStopWhereTheyHappen) {
    Effect e;
    write(file(0, 300.0f));
    presetFileIo.read = failingRead;

    callsBeforeFailure = 0;
    EXPECT_EQ(load(e.object(), path), Messages{"Cannot read header in preset file."});
    callsBeforeFailure = 1;
    EXPECT_EQ(load(e.object(), path), Messages{"Cannot read params from preset file."});
    EXPECT_EQ(e->getParameter(e.get(), 0), 1.0f);
    // The state was read before the frequency failed: it stays set and applied.
    callsBeforeFailure = 2;
    EXPECT_EQ(load(e.object(), path), Messages{"Cannot read params from preset file."});
    EXPECT_EQ(e->getParameter(e.get(), 0), 0.0f);
    EXPECT_EQ(e.object()->params[1].value.f, 1500.0f);
}

TEST_F(Preset, UnwritablePathCannotBeOpened) {
    Effect e;
    const fs::path nowhere = dir / "missing-folder" / "a.torv";
    EXPECT_EQ(save(e.object(), nowhere.string()), Messages{"Cannot open preset file."});
    EXPECT_FALSE(fs::exists(dir / "missing-folder"));
}

TEST_F(Preset, AFailedSaveKeepsTheFileThatWasThere) {
    Effect e;
    const Bytes good = file(0, 777.0f);
    const struct {
        int calls;
        const char* message;
    } cases[] = {{0, "Cannot write header to preset file."},
                 {1, "Cannot write params to preset file."},
                 {2, "Cannot write params to preset file."}};
    presetFileIo.write = failingWrite;
    for (const auto& c : cases) {
        write(good);
        callsBeforeFailure = c.calls;
        EXPECT_EQ(save(e.object(), path), Messages{c.message});
        EXPECT_EQ(read(), good) << c.calls;
        EXPECT_EQ(folder(), std::set<std::string>{"a.torv"}) << c.calls;
    }
}

// The file is written under a name of its own beside the target first: files of the user's
// that look like such a name stay as they are, and a failure to put it in place leaves nothing.
TEST_F(Preset, SavingTouchesNoOtherFileOfTheFolder) {
    Effect e;
    {
        std::ofstream mine(path + ".part", std::ios::binary);
        mine << "the user's own file";
    }
    fs::create_directory(dir / "a.torv.tmp");
    fs::create_directory(dir / "~");
    EXPECT_EQ(save(e.object(), path), Messages{});
    EXPECT_EQ(read(), file(1, 1500.0f));
    EXPECT_EQ(folder(), (std::set<std::string>{"a.torv", "a.torv.part", "a.torv.tmp", "~"}));
    std::ifstream mine(path + ".part", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(mine), {}), "the user's own file");

    // A folder where the preset should go: the file written cannot replace it, and goes.
    const std::string folderTarget = (dir / "a.torv.tmp").string();
    EXPECT_EQ(save(e.object(), folderTarget), Messages{"Cannot open preset file."});
    EXPECT_EQ(folder(), (std::set<std::string>{"a.torv", "a.torv.part", "a.torv.tmp", "~"}));
    // Even the shortest names have a free one beside them.
    EXPECT_EQ(save(e.object(), (dir / "b").string()), Messages{});
    EXPECT_EQ(folder().count("b"), 1u);
}

// A name as long as the system allows can be saved: the file written first never has a longer
// name than the preset's own.
TEST_F(Preset, NamesCloseToTheLengthLimitCanBeSaved) {
    Effect e;
#if defined(_WIN32)
    // Whole paths are limited to 259 characters.
    const size_t room = 259 - (dir.string().size() + 1);
#else
    const size_t room = 255; // the longest name of one file
#endif
    for (size_t shorter : {0, 1, 4}) {
        const std::string name = std::string(room - shorter - 5, 'p') + ".torv";
        const std::string target = (dir / name).string();
        EXPECT_EQ(save(e.object(), target), Messages{}) << name.size();
        EXPECT_TRUE(fs::exists(target)) << name.size();
        fs::remove(target);
    }
    EXPECT_TRUE(folder().empty());
}

TEST_F(Preset, NoPathNoAction) {
    Effect e;
    BoxCapture boxes;
    e.object()->loadPreset(nullptr);
    e.object()->savePreset("");
    // The buttons' variables ask the file dialog for a path; the user cancels both times.
    static int asked;
    asked = 0;
    const VX_Dlg_File::Answerer previous = VX_Dlg_File::setAnswerer([](bool, char*, size_t) {
        ++asked;
        return false;
    });
    e.object()->loadVariable.apply(static_cast<VX_Application*>(e.object()));
    e.object()->saveVariable.apply(static_cast<VX_Application*>(e.object()));
    VX_Dlg_File::setAnswerer(previous);
    EXPECT_LE(asked, 2);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(e->getParameter(e.get(), 0), 1.0f);
}

} // namespace
