// A loaded plug-in module (a DLL on Windows, a shared object elsewhere), unloaded when the
// object goes away. The platform files module_win32.cpp and module_posix.cpp implement it.
#pragma once

#include <memory>
#include <string>

class Module {
public:
    // Loads the module at `path`; null with a message on failure.
    static std::shared_ptr<Module> load(const std::string& path, std::string& error);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // The address of an exported symbol, or null.
    void* symbol(const char* name) const;
    const std::string& path() const { return path_; }
    // The platform's handle (HMODULE, or what dlopen returned).
    void* nativeHandle() const { return handle_; }

private:
    Module(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::string path_;
};
