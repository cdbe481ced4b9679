#include "console.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

bool stderrIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

StdoutMute::StdoutMute(bool active) {
    if (!active) return;
    std::fflush(stdout);
    const int null = _open("NUL", _O_WRONLY);
    if (null < 0) return;
    saved_ = _dup(1);
    if (saved_ >= 0) _dup2(null, 1);
    _close(null);
}

StdoutMute::~StdoutMute() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    _dup2(saved_, 1);
    _close(saved_);
}
