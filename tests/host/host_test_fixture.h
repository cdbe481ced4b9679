// A host with model menus and stand-in backends, started as the program starts it.
#pragma once

#include "host_fakes.h"
#include "support/capture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class HostFixture : public testing::Test {
protected:
    void TearDown() override {
        if (host) host->shutDown();
        host.reset();
        backends.clear();
    }

    FakeRts* addBackend(const char* name, FakeSetup setup = {}) {
        backends.push_back(std::make_unique<FakeRts>(name, std::move(setup)));
        return backends.back().get();
    }

    // Start-up as WinMain runs it, without the windows.
    void start() {
        host = std::make_unique<TorvHost>(ui, &VSTPluginMain);
        host->buildMenus();
        host->selectFirstDriver();
        host->addFirstRoute();
        host->takeProductTitle();
    }

    VX_error run(uint32_t id) { return host->command(id); }

    std::vector<std::string> routeLabels() {
        std::vector<std::string> out;
        for (int32_t k = 0; k < host->routeCount; ++k) out.push_back(host->routes[k].label);
        return out;
    }
    std::vector<int32_t> uses() {
        std::vector<int32_t> out;
        for (int32_t c = 0; c < host->inputCount; ++c) out.push_back(host->inputs[c].uses);
        return out;
    }
    // The report boxes, each as "<message> in <function>".
    std::vector<std::string> reports() {
        std::vector<std::string> out;
        for (const CapturedBox& b : boxes.boxes) {
            const std::string& t = b.text;
            const size_t message = t.find("Error: "), proc = t.find("Proc: ");
            out.push_back(t.substr(message + 7, t.find('\n', message) - message - 7) + " in " +
                          t.substr(proc + 6, t.find('\n', proc) - proc - 6));
        }
        return out;
    }

    BoxCapture boxes;
    MenuModel ui;
    std::vector<std::unique_ptr<FakeRts>> backends;
    std::unique_ptr<TorvHost> host;
};

// Input k of a stand-in device: a different deterministic signal on each channel.
inline float testInput(int channel, int64_t frame) {
    const uint32_t x =
        static_cast<uint32_t>(frame) * 2654435761u + static_cast<uint32_t>(channel) * 0x9E3779B9u;
    return static_cast<float>(static_cast<int32_t>(x) / 4294967296.0);
}
