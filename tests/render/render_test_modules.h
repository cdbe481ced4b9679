// Where the test modules are: defined per source file by tests/render/CMakeLists.txt.
#pragma once

#ifndef RENDER_TESTPLUG
#error "RENDER_TESTPLUG (the path of the test plug-in module) must be defined"
#endif

inline const char* const testPlugin = RENDER_TESTPLUG;
inline const char* const testPluginMainOnly = RENDER_TESTPLUG_MAIN_ONLY;
inline const char* const moduleWithoutEntry = RENDER_NO_ENTRY;
