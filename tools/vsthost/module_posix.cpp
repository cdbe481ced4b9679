#include "module.h"

#include <dlfcn.h>

std::shared_ptr<Module> Module::load(const std::string& path, std::string& error) {
    // A bare name would be searched on the library path; a module is always meant as a file.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    return std::shared_ptr<Module>(new Module(handle, path));
}

Module::~Module() {
    dlclose(handle_);
}

void* Module::symbol(const char* name) const {
    return dlsym(handle_, name);
}
