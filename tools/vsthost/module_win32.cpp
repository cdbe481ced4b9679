#include "module.h"

#include <windows.h>

namespace {
std::string systemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr,
                                   code,
                                   0,
                                   reinterpret_cast<char*>(&text),
                                   0,
                                   nullptr);
    std::string message = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}
} // namespace

std::shared_ptr<Module> Module::load(const std::string& path, std::string& error) {
    // No "cannot find DLL" box from the system: the caller reports the failure.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE handle = LoadLibraryA(path.c_str());
    const DWORD code = GetLastError();
    SetErrorMode(previousMode);
    if (!handle) {
        error = "cannot load " + path + ": " + systemMessage(code);
        return nullptr;
    }
    return std::shared_ptr<Module>(new Module(handle, path));
}

Module::~Module() {
    FreeLibrary(static_cast<HMODULE>(handle_));
}

void* Module::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}
