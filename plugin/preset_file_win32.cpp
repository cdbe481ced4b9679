#include "plugin/preset_file.h"

#include <windows.h>

bool replacePresetFile(const char* written, const char* target) {
    // Unlike rename(), MoveFileEx can replace a file that exists.
    return MoveFileExA(written, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
