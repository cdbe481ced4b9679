// Capturing what the framework reports: message boxes and the interpreter's lines on standard
// output.
#pragma once

#include "VX/VX.h"

#include <string>
#include <vector>

struct CapturedBox {
    std::string text;
    std::string caption;
    unsigned type;
};

// Routes every message box to a list while it lives.
class BoxCapture {
public:
    BoxCapture();
    ~BoxCapture();
    std::vector<CapturedBox> boxes;

private:
    VX_Message_Box previous;
};

// Runs a function and returns what it wrote to standard output.
template <typename F> std::string stdoutOf(F&& f);

std::string beginStdoutCapture();
std::string endStdoutCapture();

template <typename F> std::string stdoutOf(F&& f) {
    beginStdoutCapture();
    f();
    return endStdoutCapture();
}
