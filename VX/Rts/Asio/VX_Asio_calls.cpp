#include "VX/Rts/Asio/VX_Asio_calls.h"

#include "VX/Rts/Asio/VX_Asio_drivers.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t noInterface = static_cast<int32_t>(0x80004002); // E_NOINTERFACE

VX_Asio_Driver* current = nullptr;
VX_Asio_Forward forward;

// The forwarding object in front of the current driver, or null when there is none.
VX_Asio_Forward* driver() {
    if (!current) return nullptr;
    forward.driver = current;
    return &forward;
}

} // namespace

// Each method passes the call on through the driver's own table, whose pointers carry the
// drivers' calling convention.
int32_t VX_Asio_Forward::queryInterface(const void*, void** object) {
    if (object) *object = nullptr;
    return noInterface;
}
uint32_t VX_Asio_Forward::addRef() {
    return 1;
}
uint32_t VX_Asio_Forward::release() {
    return 1;
}
ASIOBool VX_Asio_Forward::init(void* sysHandle) {
    return driver->methods->init(driver, sysHandle);
}
void VX_Asio_Forward::getDriverName(char* name) {
    driver->methods->getDriverName(driver, name);
}
int32_t VX_Asio_Forward::getDriverVersion() {
    return driver->methods->getDriverVersion(driver);
}
void VX_Asio_Forward::getErrorMessage(char* text) {
    driver->methods->getErrorMessage(driver, text);
}
ASIOError VX_Asio_Forward::start() {
    return driver->methods->start(driver);
}
ASIOError VX_Asio_Forward::stop() {
    return driver->methods->stop(driver);
}
ASIOError VX_Asio_Forward::getChannels(int32_t* inputs, int32_t* outputs) {
    return driver->methods->getChannels(driver, inputs, outputs);
}
ASIOError VX_Asio_Forward::getLatencies(int32_t* input, int32_t* output) {
    return driver->methods->getLatencies(driver, input, output);
}
ASIOError VX_Asio_Forward::getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred,
                                         int32_t* granularity) {
    return driver->methods->getBufferSize(driver, minimum, maximum, preferred, granularity);
}
ASIOError VX_Asio_Forward::canSampleRate(ASIOSampleRate rate) {
    return driver->methods->canSampleRate(driver, rate);
}
ASIOError VX_Asio_Forward::getSampleRate(ASIOSampleRate* rate) {
    return driver->methods->getSampleRate(driver, rate);
}
ASIOError VX_Asio_Forward::setSampleRate(ASIOSampleRate rate) {
    return driver->methods->setSampleRate(driver, rate);
}
ASIOError VX_Asio_Forward::getClockSources(ASIOClockSource* clocks, int32_t* count) {
    return driver->methods->getClockSources(driver, clocks, count);
}
ASIOError VX_Asio_Forward::setClockSource(int32_t reference) {
    return driver->methods->setClockSource(driver, reference);
}
ASIOError VX_Asio_Forward::getSamplePosition(ASIOSamples* position, ASIOTimeStamp* stamp) {
    return driver->methods->getSamplePosition(driver, position, stamp);
}
ASIOError VX_Asio_Forward::getChannelInfo(ASIOChannelInfo* info) {
    return driver->methods->getChannelInfo(driver, info);
}
ASIOError VX_Asio_Forward::createBuffers(ASIOBufferInfo* infos, int32_t count, int32_t bufferSize,
                                         ASIOCallbacks* callbacks) {
    return driver->methods->createBuffers(driver, infos, count, bufferSize, callbacks);
}
ASIOError VX_Asio_Forward::disposeBuffers() {
    return driver->methods->disposeBuffers(driver);
}
ASIOError VX_Asio_Forward::controlPanel() {
    return driver->methods->controlPanel(driver);
}
ASIOError VX_Asio_Forward::future(int32_t selector, void* opt) {
    return driver->methods->future(driver, selector, opt);
}
ASIOError VX_Asio_Forward::outputReady() {
    return driver->methods->outputReady(driver);
}

VX_Asio_Driver* VX_asio_current() {
    return current;
}

void VX_asio_set_current(VX_Asio_Driver* d) {
    current = d;
    forward.driver = d;
}

ASIOError VX_asio_init(ASIODriverInfo* info) {
    VX_Asio_Forward* d = driver();
    info->driverVersion = 0;
    std::snprintf(info->name, sizeof info->name, "No ASIO Driver");
    if (!d) return ASE_NotPresent;
    if (d->init(info->sysRef)) {
        std::snprintf(info->errorMessage, sizeof info->errorMessage, "No ASIO Driver Error");
        char name[sizeof info->name] = "";
        d->getDriverName(name);
        name[sizeof name - 1] = 0;
        std::memcpy(info->name, name, sizeof name);
        info->driverVersion = d->getDriverVersion();
        return ASE_OK;
    }
    char message[sizeof info->errorMessage] = "";
    d->getErrorMessage(message);
    message[sizeof message - 1] = 0;
    std::memcpy(info->errorMessage, message, sizeof message);
    VX_asio_set_current(nullptr);
    return ASE_NotPresent;
}

ASIOError VX_asio_exit() {
    if (current) {
        if (VX_Asio_Drivers* list = VX_asio_drivers(false)) list->closeCurrent();
    }
    VX_asio_set_current(nullptr);
    return ASE_OK;
}

ASIOError VX_asio_start() {
    VX_Asio_Forward* d = driver();
    return d ? d->start() : ASE_NotPresent;
}

ASIOError VX_asio_stop() {
    VX_Asio_Forward* d = driver();
    return d ? d->stop() : ASE_NotPresent;
}

ASIOError VX_asio_get_channels(int32_t* inputs, int32_t* outputs) {
    if (VX_Asio_Forward* d = driver()) return d->getChannels(inputs, outputs);
    *inputs = *outputs = 0;
    return ASE_NotPresent;
}

ASIOError VX_asio_get_buffer_size(int32_t* minimum, int32_t* maximum, int32_t* preferred,
                                  int32_t* granularity) {
    if (VX_Asio_Forward* d = driver())
        return d->getBufferSize(minimum, maximum, preferred, granularity);
    *minimum = *maximum = *preferred = *granularity = 0;
    return ASE_NotPresent;
}

ASIOError VX_asio_can_sample_rate(ASIOSampleRate rate) {
    VX_Asio_Forward* d = driver();
    return d ? d->canSampleRate(rate) : ASE_NotPresent;
}

ASIOError VX_asio_set_sample_rate(ASIOSampleRate rate) {
    VX_Asio_Forward* d = driver();
    return d ? d->setSampleRate(rate) : ASE_NotPresent;
}

ASIOError VX_asio_get_channel_info(ASIOChannelInfo* info) {
    if (VX_Asio_Forward* d = driver()) return d->getChannelInfo(info);
    info->channelGroup = -1;
    info->type = 0;
    std::snprintf(info->name, sizeof info->name, "None");
    return ASE_NotPresent;
}

ASIOError VX_asio_create_buffers(ASIOBufferInfo* infos, int32_t count, int32_t bufferSize,
                                 ASIOCallbacks* callbacks) {
    if (VX_Asio_Forward* d = driver()) return d->createBuffers(infos, count, bufferSize, callbacks);
    for (int32_t i = 0; i < count; ++i) infos[i].buffers[0] = infos[i].buffers[1] = nullptr;
    return ASE_NotPresent;
}

ASIOError VX_asio_dispose_buffers() {
    VX_Asio_Forward* d = driver();
    return d ? d->disposeBuffers() : ASE_NotPresent;
}
