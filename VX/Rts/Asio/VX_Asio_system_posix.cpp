// Without Windows there is no registry and no COM: the driver list stays empty.
#include "VX/Rts/Asio/VX_Asio_system.h"

namespace {

constexpr int32_t classNotRegistered = static_cast<int32_t>(0x80040154);

class NoDrivers : public VX_Asio_System {
public:
    Key openKey(Root, Key, const char*) override { return nullptr; }
    void closeKey(Key) override {}
    bool subkeyName(Key, unsigned, char*, size_t) override { return false; }
    bool stringValue(Key, const char*, char*, size_t) override { return false; }
    bool fileExists(const char*) override { return false; }
    bool parseGuid(const char*, VX_Asio_Guid*) override { return false; }
    void comInitialize() override {}
    void comUninitialize() override {}
    int32_t createInstance(const VX_Asio_Guid&, VX_Asio_Driver** driver) override {
        *driver = nullptr;
        return classNotRegistered;
    }
};

} // namespace

VX_Asio_System* VX_asio_system_default() {
    static NoDrivers system;
    return &system;
}
