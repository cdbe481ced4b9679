#include "VX/Dlg/VX_Dlg_File.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<VX_Dlg_File::Answerer> answerer{nullptr};

// The extension of the first pattern: "*.torv" and "*.torv;*.bin" give "torv". A pattern
// without a plain extension ("*.*", "*", "*.t?rv") gives none.
void firstExtension(const char* filter, char* out, size_t size) {
    out[0] = 0;
    if (!filter || !*filter) return;
    const char* pattern = filter + std::strlen(filter) + 1;
    const size_t length = std::strcspn(pattern, ";");
    const char* ext = nullptr;
    for (size_t k = 0; k < length; ++k)
        if (pattern[k] == '.') ext = pattern + k + 1;
    if (!ext) return;
    const size_t n = static_cast<size_t>(pattern + length - ext);
    if (n == 0 || n >= size || std::strcspn(ext, "*?") < n) return;
    std::memcpy(out, ext, n);
    out[n] = 0;
}

} // namespace

VX_Dlg_File::Answerer VX_Dlg_File::setAnswerer(Answerer a) {
    return answerer.exchange(a);
}

const char* VX_Dlg_File::open() {
    return ask(false);
}

const char* VX_Dlg_File::save() {
    return ask(true);
}

const char* VX_Dlg_File::ask(bool forSaving) {
    bool chosen = false;
    if (Answerer a = answerer.load()) {
        chosen = a(forSaving, file, sizeof file);
        file[sizeof file - 1] = 0;
    } else {
        chosen = askSystem(forSaving);
    }
    return chosen && file[0] ? file : nullptr;
}

void VX_Dlg_File::takeExtension() {
    firstExtension(filter, extension, sizeof extension);
}
