#include "support/capture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {
BoxCapture* active = nullptr;

int captureBox(const char* text, const char* caption, unsigned type) {
    if (active) active->boxes.push_back({text, caption, type});
    return 1;
}
} // namespace

BoxCapture::BoxCapture() : previous(VX_set_message_box(captureBox)) {
    active = this;
}

BoxCapture::~BoxCapture() {
    VX_set_message_box(previous);
    active = nullptr;
}

std::string beginStdoutCapture() {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    return {};
}

std::string endStdoutCapture() {
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}
