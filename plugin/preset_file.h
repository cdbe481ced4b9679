// Preset files on disk: a new file that nobody else uses, and replacing a preset in one step, so
// that a failed save never leaves a partial file where a good one was.
#pragma once

#include <cstdio>

// Creates `path` for writing in binary, only if nothing of that name exists yet. Null when it
// cannot be made; `exists` tells whether that was because the name is taken.
std::FILE* createNewPresetFile(const char* path, bool& exists);

// Moves `written` over `target`, replacing it if it exists. False when that fails.
bool replacePresetFile(const char* written, const char* target);
