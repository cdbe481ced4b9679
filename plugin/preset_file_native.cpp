#include "plugin/preset_file.h"

#include <cstdio>

bool replacePresetFile(const char* written, const char* target) {
    // rename() replaces an existing target atomically.
    return std::rename(written, target) == 0;
}
