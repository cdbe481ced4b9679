// Message boxes and resources on platforms without Win32: messages go to standard error, and
// resources come from the tables that programs register at start-up.
#include "VX/VX_cfuncs.h"

#include <strings.h>

int VX_stderr_message_box(const char* text, const char* caption, unsigned type);

int VX_platform_message_box(const char* text, const char* caption, unsigned type) {
    return VX_stderr_message_box(text, caption, type);
}

namespace {
// A handful of tables at most (one per program); registration happens during static
// initialisation, before any thread runs.
constexpr int maxTables = 8;
const VX_Embedded_Resource* tables[maxTables];
int tableCount = 0;
} // namespace

bool VX_register_resources(const VX_Embedded_Resource* table) {
    if (tableCount == maxTables) return false;
    tables[tableCount++] = table;
    return true;
}

const void* VX_resource_sized(const char* name, std::size_t* size) {
    for (int t = 0; t < tableCount; ++t)
        for (const VX_Embedded_Resource* r = tables[t]; r->name; ++r)
            if (strcasecmp(r->name, name) == 0) {
                if (size) *size = r->size;
                return r->data;
            }
    // A missing resource is reported by its name, as on Windows.
    VX_error_func("VX/VX_cfuncs", 121, "VX_resource", __DATE__, __TIME__, name);
    if (size) *size = 0;
    return nullptr;
}

const void* VX_resource(const char* name) {
    return VX_resource_sized(name, nullptr);
}
