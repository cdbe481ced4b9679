// Message boxes and module resources through Win32.
#include "VX/VX_cfuncs.h"
#include "VX/VX_module_win32.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

int VX_stderr_message_box(const char* text, const char* caption, unsigned type);

int VX_platform_message_box(const char* text, const char* caption, unsigned type) {
    // Tests and unattended runs ask for the text on standard error instead of a modal box.
    const char* where = std::getenv("VX_MESSAGES");
    if (where && std::strcmp(where, "stderr") == 0)
        return VX_stderr_message_box(text, caption, type);
    return MessageBoxA(nullptr, text, caption, type);
}

bool VX_register_resources(const VX_Embedded_Resource*) {
    return false;
}

HMODULE VX_own_module() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&VX_own_module),
                       &module);
    return module;
}

// The reports name the framework's C file and fixed lines, whatever file this is compiled from.
static const char* const cfuncsFile = "VX/VX_cfuncs";

const void* VX_resource_sized(const char* name, std::size_t* size) {
    if (size) *size = 0;
    HMODULE module = VX_own_module();
    HRSRC found = FindResourceA(module, name, "DATA");
    if (!found) {
        VX_error_func(cfuncsFile, 121, "VX_resource", __DATE__, __TIME__, name);
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) {
        VX_error_func(
            cfuncsFile, 130, "VX_resource", __DATE__, __TIME__, VX_ERROR_RESOURCE_CANNOT_LOAD);
        return nullptr;
    }
    const void* data = LockResource(loaded);
    if (!data) {
        VX_error_func(
            cfuncsFile, 138, "VX_resource", __DATE__, __TIME__, VX_ERROR_RESOURCE_CANNOT_LOCK);
        return nullptr;
    }
    if (size) *size = SizeofResource(module, found);
    return data;
}

const void* VX_resource(const char* name) {
    return VX_resource_sized(name, nullptr);
}
