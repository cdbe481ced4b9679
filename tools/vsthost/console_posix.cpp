#include "console.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

bool stderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

StdoutMute::StdoutMute(bool active) {
    if (!active) return;
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0) return;
    saved_ = dup(STDOUT_FILENO);
    if (saved_ >= 0) dup2(null, STDOUT_FILENO);
    close(null);
}

StdoutMute::~StdoutMute() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
}
