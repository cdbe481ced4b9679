// Progress of a long render on standard error. On a terminal one line is redrawn in place a few
// times a second; into a log it writes at most one line per tenth of the work, and nothing at
// all for work that finishes within a second.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

class Progress {
public:
    Progress(std::string what, double total, double sampleRate, bool enabled, bool terminal,
             std::FILE* out = stderr);
    void update(double done);
    void finish();

private:
    void print(double done, bool final);

    std::string what_;
    double total_, sampleRate_;
    bool enabled_, terminal_;
    std::FILE* out_;
    std::chrono::steady_clock::time_point start_, last_;
    int lastTenth_ = 0;
    bool printed_ = false;
};
