// Helpers of the tests that run the ASIO backend against the test driver
// (tests/fixtures/asio_driver): its configuration, its recordings, the known signal and what
// the host makes of it.
#pragma once

#include "fixtures/asio_driver/test_asio_signal.h"

// The runtime's parts behind its seams (drivers, calls, backends), tested directly.
#include "VX/Rts/Asio/VX_Rts_Asio.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace asiotest {

inline std::string programDir() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    return dir.erase(dir.find_last_of("\\/") + 1);
}

inline std::string driverFile() {
    return programDir() + "torv_test_asio.dll";
}

// Configures the first (0) or second (1) test driver for the driver objects made from now on.
inline void configure(int driver, const std::string& text) {
    SetEnvironmentVariableA(driver == 0 ? "TORV_TEST_ASIO" : "TORV_TEST_ASIO_2", text.c_str());
}

// A fresh recording prefix: the files of an earlier run are removed.
inline std::string recording(const std::string& name) {
    const std::string dir = programDir() + "rts-records\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string prefix = dir + name;
    DeleteFileA((prefix + ".log").c_str());
    for (int k = 0; k < 32; ++k) {
        DeleteFileA((prefix + ".in" + std::to_string(k) + ".raw").c_str());
        DeleteFileA((prefix + ".out" + std::to_string(k) + ".raw").c_str());
    }
    return prefix;
}

inline std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> logLines(const std::string& prefix) {
    std::ifstream in(prefix + ".log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline int countLines(const std::vector<std::string>& lines, const std::string& start) {
    int n = 0;
    for (const std::string& l : lines) n += l.compare(0, start.size(), start) == 0;
    return n;
}

// Waits up to `ms` for the condition, looking every millisecond.
template <typename F> bool waitFor(F condition, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(1);
    }
    return true;
}

// Significant bits of the integer sample types, 0 for the float ones.
inline int significantBits(long type) {
    switch (type) {
    case 16:
        return 16;
    case 17:
        return 24;
    case 18:
        return 32;
    case 24:
        return 16;
    case 25:
        return 18;
    case 26:
        return 20;
    case 27:
        return 24;
    default:
        return 0;
    }
}

// The host's float for one fed sample, worked out from the conversion rules: an integer is
// taken left-justified and divided by 2^31 - 1 in extended precision; floats are clamped.
inline float hostValue(long type, int32_t fed) {
    if (type == 19) return static_cast<float>(fed / 2147483648.0);
    if (type == 20) return static_cast<float>(fed / 2147483648.0);
    const int bits = significantBits(type);
    const int32_t v =
        static_cast<int32_t>(static_cast<uint32_t>(fed >> (32 - bits)) << (32 - bits));
    double x = static_cast<double>(v * (1.0L / 2147483647.0L));
    if (x < -1.0) x = -1.0;
    return static_cast<float>(x);
}

// The bytes a host float becomes in an output channel of the type.
inline std::vector<unsigned char> deviceBytes(long type, float x) {
    std::vector<unsigned char> out(static_cast<size_t>(testasio::sampleBytes(type)));
    if (type == 19) {
        std::memcpy(out.data(), &x, 4);
    } else if (type == 20) {
        const double d = x;
        std::memcpy(out.data(), &d, 8);
    } else {
        const int32_t w = static_cast<int32_t>(static_cast<double>(x) * 2147483647.0) >>
                          (32 - significantBits(type));
        std::memcpy(out.data(), &w, out.size());
    }
    return out;
}

// A processing callback that passes input channel k through a float block to output channel
// k, as the host does, and counts the blocks.
struct PassThrough {
    static std::atomic<int> blocks;
    static std::atomic<DWORD> firstThread;
    static void reset() {
        blocks = 0;
        firstThread = 0;
    }
    static void process() {
        static float host[8192];
        if (blocks == 0) firstThread = GetCurrentThreadId();
        VX_Rts_Asio* rts = VX_Rts_Asio::current();
        for (int32_t k = 0;; ++k) {
            VX_Rts::Chan* in = rts->inputAt(k);
            VX_Rts::Chan* out = rts->outputAt(k);
            if (!in || !out || in->count > 8192) break;
            VX_Rts::Chan f("host", VX_RTS_FLOAT32, in->count);
            f.data = host;
            VX_Rts::copyBuffer(&f, in);
            VX_Rts::copyBuffer(out, &f);
        }
        ++blocks;
    }
};
inline std::atomic<int> PassThrough::blocks{0};
inline std::atomic<DWORD> PassThrough::firstThread{0};

// What a recorded output channel must hold after `blocks` switches of `frames` frames when the
// host passed input channel `channel` of type `inType` through to an output of `outType`.
inline std::vector<unsigned char> expectedOutput(int channel, long inType, long outType, int blocks,
                                                 long frames) {
    std::vector<unsigned char> out;
    for (long long f = 0; f < static_cast<long long>(blocks) * frames; ++f) {
        const std::vector<unsigned char> b =
            deviceBytes(outType, hostValue(inType, testasio::testAsioSample(channel, f)));
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

} // namespace asiotest
