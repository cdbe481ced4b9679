// The installed ASIO drivers, read from the registry, and the loading of one of them at a
// time. Drivers are in-process COM servers registered under HKLM\Software\ASIO, each key with
// a "CLSID" and usually a "Description"; a driver is listed only when its class is registered
// with an in-process server file that exists. [ui thread], all of it.
#pragma once

#include "VX/Rts/Asio/VX_Asio_abi.h"
#include "VX/Rts/Asio/VX_Asio_system.h"

// Results of the list operations besides 0 (and a failing COM creation's HRESULT).
enum : int32_t {
    VX_ASIO_NO_DRIVER = -1000,
    VX_ASIO_INVALID_PARAMETER = -5001,
    VX_ASIO_DRIVER_OPEN = -5002,
    VX_ASIO_DRIVER_NOT_FOUND = -5003,
};

class VX_Asio_Drivers {
public:
    struct Entry {
        int32_t index = 0;                // position in registry enumeration order
        VX_Asio_Guid clsid{};             // zero when the text did not parse
        char name[128] = "";              // "Description", else the key name
        VX_Asio_Driver* driver = nullptr; // while loaded
        Entry* next = nullptr;
    };

    // Walks the registry; initialises COM for this thread when it found a driver.
    explicit VX_Asio_Drivers(VX_Asio_System* system);
    // Releases every loaded driver and uninitialises COM if it was initialised.
    ~VX_Asio_Drivers();
    VX_Asio_Drivers(const VX_Asio_Drivers&) = delete;
    VX_Asio_Drivers& operator=(const VX_Asio_Drivers&) = delete;

    int32_t count() const { return entries; }
    Entry* entryAt(int32_t index) const;
    // Copies the name; a name that does not fit keeps size - 4 characters and ends in "...".
    int32_t name(int32_t index, char* buffer, int32_t size) const;
    int32_t open(int32_t index, VX_Asio_Driver** driver);
    int32_t close(int32_t index);
    void closeCurrent();
    // Makes the first driver of this name (as listed with 32 bytes) the current one; when it
    // cannot be created, the driver that was current before is loaded again. True on success.
    bool load(const char* name);

    int32_t currentIndex = -1;
    VX_Asio_System* const system;

private:
    void walk();
    bool registered(const char* clsidText);
    void append(Entry* entry);

    Entry* first = nullptr;
    int32_t entries = 0;
};

// The process's list: made by the ASIO class initialisation (or by the first load when there is
// none), destroyed by its cleanup. Null when there is none and `create` is false.
VX_Asio_Drivers* VX_asio_drivers(bool create);
void VX_asio_drivers_destroy();
// The system the next list is built on; null: the platform's own (tests put in their own).
void VX_asio_use_system(VX_Asio_System* system);
