// Replacing a preset file in one step, so that a failed save never leaves a partial file
// where a good one was.
#pragma once

// Moves `written` over `target`, replacing it if it exists. False when that fails.
bool replacePresetFile(const char* written, const char* target);
