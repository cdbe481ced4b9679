// The binary interface of ASIO drivers, as far as the runtime uses it: types, records, the
// driver object's method table and the host callbacks. Written from the published facts of the
// interface; every width is fixed, since the interface's `long` is 32 bits on Windows (both
// targets) but not on the native test builds.
#pragma once

#include <cstdint>

// Calling conventions. On 32-bit Windows the driver's COM methods are __stdcall, its other
// methods C++ member functions (thiscall: the object in ECX, the callee removes the arguments),
// and the host callbacks plain C functions. Elsewhere there is one convention.
#if defined(__i386__) && defined(_WIN32)
#define VX_ASIO_STDCALL __attribute__((stdcall))
#define VX_ASIO_THISCALL __attribute__((thiscall))
#define VX_ASIO_CDECL __attribute__((cdecl))
#else
#define VX_ASIO_STDCALL
#define VX_ASIO_THISCALL
#define VX_ASIO_CDECL
#endif

using ASIOBool = int32_t;
using ASIOError = int32_t;
using ASIOSampleRate = double;
using ASIOSampleType = int32_t;

enum : ASIOError {
    ASE_OK = 0,
    ASE_SUCCESS = 0x3f4847a0, // the answer to a future() selector
    ASE_NotPresent = -1000,
    ASE_HWMalfunction = -999,
    ASE_InvalidParameter = -998,
    ASE_InvalidMode = -997,
    ASE_SPNotAdvancing = -996,
    ASE_NoClock = -995,
    ASE_NoMemory = -994,
};

// Sample types. Only the little-endian PCM ones (16 to 27) are usable here.
enum : ASIOSampleType {
    ASIOSTInt16MSB = 0,
    ASIOSTInt24MSB = 1,
    ASIOSTInt32MSB = 2,
    ASIOSTFloat32MSB = 3,
    ASIOSTFloat64MSB = 4,
    ASIOSTInt32MSB16 = 8,
    ASIOSTInt32MSB18 = 9,
    ASIOSTInt32MSB20 = 10,
    ASIOSTInt32MSB24 = 11,
    ASIOSTInt16LSB = 16,
    ASIOSTInt24LSB = 17,
    ASIOSTInt32LSB = 18,
    ASIOSTFloat32LSB = 19,
    ASIOSTFloat64LSB = 20,
    ASIOSTInt32LSB16 = 24,
    ASIOSTInt32LSB18 = 25,
    ASIOSTInt32LSB20 = 26,
    ASIOSTInt32LSB24 = 27,
    ASIOSTDSDInt8LSB1 = 32,
    ASIOSTDSDInt8MSB1 = 33,
    ASIOSTDSDInt8NER8 = 40,
};

// Message selectors of the host's message callback.
enum : int32_t {
    kAsioSelectorSupported = 1,
    kAsioEngineVersion = 2,
    kAsioResetRequest = 3,
    kAsioBufferSizeChange = 4,
    kAsioResyncRequest = 5,
    kAsioLatenciesChanged = 6,
    kAsioSupportsTimeInfo = 7,
    kAsioSupportsTimeCode = 8,
    kAsioMMCCommand = 9,
    kAsioSupportsInputMonitor = 10,
    kAsioSupportsInputGain = 11,
    kAsioSupportsInputMeter = 12,
    kAsioSupportsOutputGain = 13,
    kAsioSupportsOutputMeter = 14,
    kAsioOverload = 15,
};

struct ASIOSamples { // a 64-bit count in two halves
    uint32_t hi, lo;
};
using ASIOTimeStamp = ASIOSamples;

struct ASIODriverInfo {
    int32_t asioVersion;   // filled by the host: 2
    int32_t driverVersion; // by the driver
    char name[32];
    char errorMessage[124];
    void* sysRef; // the host's window, may be null
};

struct ASIOChannelInfo {
    int32_t channel;   // in
    ASIOBool isInput;  // in
    ASIOBool isActive; // out
    int32_t channelGroup;
    ASIOSampleType type;
    char name[32];
};

struct ASIOBufferInfo {
    ASIOBool isInput;   // in
    int32_t channelNum; // in
    void* buffers[2];   // out: the two halves of the double buffer
};

struct ASIOClockSource {
    int32_t index;
    int32_t associatedChannel;
    int32_t associatedGroup;
    ASIOBool isCurrentSource;
    char name[32];
};

struct ASIOTime; // passed through by pointer only

struct ASIOCallbacks {
    void(VX_ASIO_CDECL* bufferSwitch)(int32_t doubleBufferIndex, ASIOBool directProcess);
    void(VX_ASIO_CDECL* sampleRateDidChange)(ASIOSampleRate rate);
    int32_t(VX_ASIO_CDECL* asioMessage)(int32_t selector, int32_t value, void* message,
                                        double* opt);
    ASIOTime*(VX_ASIO_CDECL* bufferSwitchTimeInfo)(ASIOTime* params, int32_t doubleBufferIndex,
                                                   ASIOBool directProcess);
};

// The driver object: a pointer to its method table, slot by slot.
struct VX_Asio_Driver;
struct VX_Asio_Methods {
    int32_t(VX_ASIO_STDCALL* queryInterface)(VX_Asio_Driver*, const void* iid, void** object);
    uint32_t(VX_ASIO_STDCALL* addRef)(VX_Asio_Driver*);
    uint32_t(VX_ASIO_STDCALL* release)(VX_Asio_Driver*);
    ASIOBool(VX_ASIO_THISCALL* init)(VX_Asio_Driver*, void* sysHandle);
    void(VX_ASIO_THISCALL* getDriverName)(VX_Asio_Driver*, char* name); // 32 bytes
    int32_t(VX_ASIO_THISCALL* getDriverVersion)(VX_Asio_Driver*);
    void(VX_ASIO_THISCALL* getErrorMessage)(VX_Asio_Driver*, char* text); // 124 bytes
    ASIOError(VX_ASIO_THISCALL* start)(VX_Asio_Driver*);
    ASIOError(VX_ASIO_THISCALL* stop)(VX_Asio_Driver*);
    ASIOError(VX_ASIO_THISCALL* getChannels)(VX_Asio_Driver*, int32_t* inputs, int32_t* outputs);
    ASIOError(VX_ASIO_THISCALL* getLatencies)(VX_Asio_Driver*, int32_t* input, int32_t* output);
    ASIOError(VX_ASIO_THISCALL* getBufferSize)(VX_Asio_Driver*, int32_t* minimum, int32_t* maximum,
                                               int32_t* preferred, int32_t* granularity);
    ASIOError(VX_ASIO_THISCALL* canSampleRate)(VX_Asio_Driver*, ASIOSampleRate rate);
    ASIOError(VX_ASIO_THISCALL* getSampleRate)(VX_Asio_Driver*, ASIOSampleRate* rate);
    ASIOError(VX_ASIO_THISCALL* setSampleRate)(VX_Asio_Driver*, ASIOSampleRate rate);
    ASIOError(VX_ASIO_THISCALL* getClockSources)(VX_Asio_Driver*, ASIOClockSource* clocks,
                                                 int32_t* count);
    ASIOError(VX_ASIO_THISCALL* setClockSource)(VX_Asio_Driver*, int32_t reference);
    ASIOError(VX_ASIO_THISCALL* getSamplePosition)(VX_Asio_Driver*, ASIOSamples* position,
                                                   ASIOTimeStamp* stamp);
    ASIOError(VX_ASIO_THISCALL* getChannelInfo)(VX_Asio_Driver*, ASIOChannelInfo* info);
    ASIOError(VX_ASIO_THISCALL* createBuffers)(VX_Asio_Driver*, ASIOBufferInfo* infos,
                                               int32_t count, int32_t bufferSize,
                                               ASIOCallbacks* callbacks);
    ASIOError(VX_ASIO_THISCALL* disposeBuffers)(VX_Asio_Driver*);
    ASIOError(VX_ASIO_THISCALL* controlPanel)(VX_Asio_Driver*);
    ASIOError(VX_ASIO_THISCALL* future)(VX_Asio_Driver*, int32_t selector, void* opt);
    ASIOError(VX_ASIO_THISCALL* outputReady)(VX_Asio_Driver*);
};
struct VX_Asio_Driver {
    const VX_Asio_Methods* methods;
};

// A class or interface identifier, as the registry writes it in braces.
struct VX_Asio_Guid {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];
};
