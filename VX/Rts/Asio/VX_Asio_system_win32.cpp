// The registry, class identifiers and COM of Windows, for the ASIO driver list.
#include "VX/Rts/Asio/VX_Asio_system.h"

#include <windows.h>

#include <objbase.h>

static_assert(sizeof(VX_Asio_Guid) == sizeof(GUID));

namespace {

HKEY rootKey(VX_Asio_System::Root root) {
    return root == VX_Asio_System::localMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT;
}

class SystemAsio : public VX_Asio_System {
public:
    Key openKey(Root root, Key parent, const char* path) override {
        HKEY key = nullptr;
        const HKEY base = parent ? static_cast<HKEY>(parent) : rootKey(root);
        return RegOpenKeyExA(base, path, 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr;
    }
    void closeKey(Key key) override {
        if (key) RegCloseKey(static_cast<HKEY>(key));
    }
    bool subkeyName(Key key, unsigned index, char* name, size_t size) override {
        DWORD length = static_cast<DWORD>(size);
        return RegEnumKeyExA(static_cast<HKEY>(key),
                             index,
                             name,
                             &length,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr) == ERROR_SUCCESS;
    }
    bool stringValue(Key key, const char* value, char* text, size_t size) override {
        if (size == 0) return false;
        DWORD type = 0, length = static_cast<DWORD>(size - 1);
        if (RegQueryValueExA(static_cast<HKEY>(key),
                             value,
                             nullptr,
                             &type,
                             reinterpret_cast<BYTE*>(text),
                             &length) != ERROR_SUCCESS)
            return false;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        text[length] = 0; // stored strings need not end in a zero
        return true;
    }
    // Whether the server file is there (any path length, unlike OpenFile's 128 characters).
    bool fileExists(const char* path) override {
        const DWORD attributes = GetFileAttributesA(path);
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool parseGuid(const char* text, VX_Asio_Guid* guid) override {
        wchar_t wide[100];
        if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 100)) return false;
        return CLSIDFromString(wide, reinterpret_cast<CLSID*>(guid)) == NOERROR;
    }
    void comInitialize() override { CoInitialize(nullptr); }
    void comUninitialize() override { CoUninitialize(); }
    int32_t createInstance(const VX_Asio_Guid& clsid, VX_Asio_Driver** driver) override {
        const CLSID& id = reinterpret_cast<const CLSID&>(clsid);
        return CoCreateInstance(
            id, nullptr, CLSCTX_INPROC_SERVER, id, reinterpret_cast<void**>(driver));
    }
};

} // namespace

VX_Asio_System* VX_asio_system_default() {
    static SystemAsio system;
    return &system;
}
