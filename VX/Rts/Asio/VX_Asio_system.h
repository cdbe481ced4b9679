// What the ASIO driver list needs of the system: the registry, file existence, class
// identifiers and COM. On Windows the real ones (VX_Asio_system_win32.cpp); elsewhere a system
// without drivers (VX_Asio_system_posix.cpp); tests put in their own.
#pragma once

#include "VX/Rts/Asio/VX_Asio_abi.h"

#include <cstddef>

class VX_Asio_System {
public:
    using Key = void*;
    enum Root { localMachine, classesRoot };
    virtual ~VX_Asio_System() = default;

    // Opens a key for reading (null when it cannot be opened); relative to `parent`, or to the
    // root when `parent` is null.
    virtual Key openKey(Root root, Key parent, const char* path) = 0;
    virtual void closeKey(Key key) = 0;
    // The name of the index-th subkey; false past the last one or when it does not fit.
    virtual bool subkeyName(Key key, unsigned index, char* name, size_t size) = 0;
    // A string value (null name: the default value), zero-terminated; false when missing or
    // when it does not fit in `size` bytes.
    virtual bool stringValue(Key key, const char* value, char* text, size_t size) = 0;
    virtual bool fileExists(const char* path) = 0;
    // Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; false when it is not one.
    virtual bool parseGuid(const char* text, VX_Asio_Guid* guid) = 0;

    virtual void comInitialize() = 0;
    virtual void comUninitialize() = 0;
    // Creates the in-process server's object of the class, asking for the interface whose
    // identifier is the class identifier itself, as ASIO drivers expect. Returns the HRESULT.
    virtual int32_t createInstance(const VX_Asio_Guid& clsid, VX_Asio_Driver** driver) = 0;
};

VX_Asio_System* VX_asio_system_default();
