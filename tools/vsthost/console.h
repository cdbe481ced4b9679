// The few console facts the tools need from the platform (console_win32.cpp, console_posix.cpp).
#pragma once

// True when standard error is a terminal, where progress can be redrawn in place.
bool stderrIsTerminal();

// While alive, whatever anyone in the process writes to standard output (a plug-in's trace
// lines) is discarded; the previous standard output comes back afterwards.
class StdoutMute {
public:
    explicit StdoutMute(bool active = true);
    ~StdoutMute();
    StdoutMute(const StdoutMute&) = delete;
    StdoutMute& operator=(const StdoutMute&) = delete;

private:
    int saved_ = -1;
};
