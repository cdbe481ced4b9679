// A soundpipe of 512-sample blocks for the node tests, with the objects made by command and
// deleted again after each test, and helpers to stream a signal through a graph.
#pragma once

#include "support/signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

class NodeTest : public testing::Test {
protected:
    void SetUp() override { VX_cmd("VX_Soundpipe -bl %i", &sp, 512); }
    void TearDown() override {
        for (auto it = made.rbegin(); it != made.rend(); ++it) VX_cmd("%o -delete", *it);
        VX_cmd("%o -delete", sp);
        VX_Soundpipe::current = nullptr;
    }

    // Runs a creation command and keeps the object for deletion.
    template <typename T = VX_Object, typename... A> T* make(const char* command, A... args) {
        T* o = nullptr;
        VX_cmd(command, &o, args...);
        made.push_back(o);
        return o;
    }
    VX_Buffer* buffer(int32_t length = -1) { return make<VX_Buffer>("VX_Buffer -l %i", length); }

    static void fill(VX_Buffer* b, const std::vector<int32_t>& v) {
        std::copy(v.begin(), v.begin() + std::min<size_t>(v.size(), b->count), b->main);
    }
    static std::vector<int32_t> contents(VX_Buffer* b) {
        return std::vector<int32_t>(b->main, b->main + b->count);
    }

    // Streams x through the graph: each block goes into `in`, the soundpipe runs once, and
    // `out` is collected.
    std::vector<int32_t> stream(VX_Buffer* in, VX_Buffer* out, const std::vector<int32_t>& x) {
        std::vector<int32_t> y;
        const size_t block = static_cast<size_t>(sp->blockLength);
        for (size_t at = 0; at + block <= x.size(); at += block) {
            std::copy(x.begin() + at, x.begin() + at + block, in->main);
            sp->process();
            y.insert(y.end(), out->main, out->main + block);
        }
        return y;
    }

    VX_Soundpipe* sp = nullptr;
    std::vector<VX_Object*> made;
};
