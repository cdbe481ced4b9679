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
    if (saved_ >= 0) {
        _dup2(null, 1);
        // NUL is a character device, which the C library writes unbuffered: a character at a
        // time, each a trip to the Wine server. Buffered, the module's trace costs nothing.
        std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    }
    _close(null);
}

StdoutMute::~StdoutMute() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    _dup2(saved_, 1);
    _close(saved_);
    // Back to what the library gives the real output: unbuffered on a console, else buffered.
    std::setvbuf(stdout, nullptr, _isatty(1) ? _IONBF : _IOFBF, BUFSIZ);
}
