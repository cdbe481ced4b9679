#include "VX/Rts/Asio/VX_Asio_drivers.h"

#include "VX/Rts/Asio/VX_Asio_calls.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

VX_Asio_Drivers* theList = nullptr;
std::atomic<VX_Asio_System*> systemOverride{nullptr};

// Registry texts as their sizes limit them: key names of 128 characters, "CLSID" and
// "Description" of 256 bytes, class keys of 512 characters, server paths of 512 bytes.
constexpr size_t keyNameSize = 129, valueSize = 256, classKeySize = 513, pathSize = 512;
// Names are compared as the backend reads them, with 32 bytes.
constexpr int32_t listedNameSize = 32;

void lowerCase(char* text) {
    for (; *text; ++text)
        *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
}

} // namespace

VX_Asio_Drivers::VX_Asio_Drivers(VX_Asio_System* system) : system(system) {
    walk();
    if (entries) system->comInitialize();
}

VX_Asio_Drivers::~VX_Asio_Drivers() {
    for (Entry* e = first; e;) {
        Entry* next = e->next;
        if (e->driver) {
            if (VX_asio_current() == e->driver) VX_asio_set_current(nullptr);
            e->driver->methods->release(e->driver);
        }
        delete e;
        e = next;
    }
    if (entries) system->comUninitialize();
}

void VX_Asio_Drivers::walk() {
    VX_Asio_System::Key asio =
        system->openKey(VX_Asio_System::localMachine, nullptr, "software\\asio");
    if (!asio) return;
    char keyName[keyNameSize];
    for (unsigned i = 0; system->subkeyName(asio, i, keyName, sizeof keyName); ++i) {
        VX_Asio_System::Key key = system->openKey(VX_Asio_System::localMachine, asio, keyName);
        if (!key) continue;
        char clsidText[valueSize];
        if (system->stringValue(key, "clsid", clsidText, sizeof clsidText) &&
            registered(clsidText)) {
            auto* e = new Entry;
            e->index = entries;
            if (!system->parseGuid(clsidText, &e->clsid)) e->clsid = VX_Asio_Guid{};
            char description[valueSize];
            const char* name =
                system->stringValue(key, "description", description, sizeof description)
                    ? description
                    : keyName;
            // A description longer than the entry's name is cut.
            std::snprintf(e->name, sizeof e->name, "%.*s", int{sizeof e->name - 1}, name);
            append(e);
        }
        system->closeKey(key);
    }
    system->closeKey(asio);
}

// Whether the class of this identifier names an in-process server file that exists. Only the
// first class key equal to it (ignoring case) is examined.
bool VX_Asio_Drivers::registered(const char* clsidText) {
    char wanted[valueSize];
    std::snprintf(wanted, sizeof wanted, "%s", clsidText);
    lowerCase(wanted);
    VX_Asio_System::Key classes = system->openKey(VX_Asio_System::classesRoot, nullptr, "clsid");
    if (!classes) return false;
    bool valid = false;
    char name[classKeySize];
    for (unsigned i = 0; system->subkeyName(classes, i, name, sizeof name); ++i) {
        lowerCase(name);
        if (std::strcmp(name, wanted) != 0) continue;
        if (VX_Asio_System::Key key = system->openKey(VX_Asio_System::classesRoot, classes, name)) {
            if (VX_Asio_System::Key server =
                    system->openKey(VX_Asio_System::classesRoot, key, "InprocServer32")) {
                char path[pathSize];
                valid = system->stringValue(server, nullptr, path, sizeof path) &&
                        system->fileExists(path);
                system->closeKey(server);
            }
            system->closeKey(key);
        }
        break;
    }
    system->closeKey(classes);
    return valid;
}

void VX_Asio_Drivers::append(Entry* entry) {
    Entry** end = &first;
    while (*end) end = &(*end)->next;
    *end = entry;
    ++entries;
}

VX_Asio_Drivers::Entry* VX_Asio_Drivers::entryAt(int32_t index) const {
    for (Entry* e = first; e; e = e->next)
        if (e->index == index) return e;
    return nullptr;
}

int32_t VX_Asio_Drivers::name(int32_t index, char* buffer, int32_t size) const {
    if (!buffer || size <= 0) return VX_ASIO_INVALID_PARAMETER;
    const Entry* e = entryAt(index);
    if (!e) return VX_ASIO_DRIVER_NOT_FOUND;
    const size_t length = std::strlen(e->name);
    if (length < static_cast<size_t>(size)) {
        std::memcpy(buffer, e->name, length + 1);
    } else if (size >= 4) {
        std::memcpy(buffer, e->name, static_cast<size_t>(size - 4));
        std::memcpy(buffer + size - 4, "...", 4);
    } else {
        std::memcpy(buffer, e->name, static_cast<size_t>(size - 1));
        buffer[size - 1] = 0;
    }
    return 0;
}

int32_t VX_Asio_Drivers::open(int32_t index, VX_Asio_Driver** driver) {
    if (!driver) return VX_ASIO_INVALID_PARAMETER;
    Entry* e = entryAt(index);
    if (!e) return VX_ASIO_DRIVER_NOT_FOUND;
    if (e->driver) return VX_ASIO_DRIVER_OPEN;
    VX_Asio_Driver* object = nullptr;
    const int32_t result = system->createInstance(e->clsid, &object);
    if (result != 0 || !object) return result != 0 ? result : VX_ASIO_NO_DRIVER;
    e->driver = object;
    *driver = object;
    return 0;
}

int32_t VX_Asio_Drivers::close(int32_t index) {
    Entry* e = entryAt(index);
    if (e && e->driver) {
        VX_Asio_Driver* d = e->driver;
        e->driver = nullptr;
        if (VX_asio_current() == d) VX_asio_set_current(nullptr);
        d->methods->release(d);
    }
    return 0;
}

void VX_Asio_Drivers::closeCurrent() {
    if (currentIndex >= 0) close(currentIndex);
    currentIndex = -1;
}

bool VX_Asio_Drivers::load(const char* wanted) {
    if (!wanted) return false;
    int32_t found = -1;
    char listed[listedNameSize];
    for (Entry* e = first; e && found < 0; e = e->next)
        if (name(e->index, listed, listedNameSize) == 0 && std::strcmp(listed, wanted) == 0)
            found = e->index;
    if (found < 0) return false;

    char previous[listedNameSize] = "";
    if (currentIndex >= 0) name(currentIndex, previous, listedNameSize);
    closeCurrent();

    VX_Asio_Driver* driver = nullptr;
    if (open(found, &driver) == 0) {
        currentIndex = found;
        VX_asio_set_current(driver);
        return true;
    }
    VX_asio_set_current(nullptr);
    if (previous[0] && std::strcmp(previous, wanted) != 0) load(previous);
    return false;
}

VX_Asio_Drivers* VX_asio_drivers(bool create) {
    if (!theList && create) {
        VX_Asio_System* system = systemOverride.load();
        theList = new VX_Asio_Drivers(system ? system : VX_asio_system_default());
    }
    return theList;
}

void VX_asio_drivers_destroy() {
    delete theList;
    theList = nullptr;
}

void VX_asio_use_system(VX_Asio_System* system) {
    systemOverride.store(system);
}
