#include "plugin/preset_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

std::FILE* createNewPresetFile(const char* path, bool& exists) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    exists = fd < 0 && errno == EEXIST;
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) close(fd);
    return file;
}

bool replacePresetFile(const char* written, const char* target) {
    // rename() replaces an existing target atomically.
    return std::rename(written, target) == 0;
}
