// A registry and ASIO drivers for the ASIO tests that run without Windows: keys and values
// held in memory, files that exist by name, and driver objects with the drivers' method table
// whose behaviour each test sets. The driver's thread is the test: it calls the host's
// callbacks when the test says so.
#pragma once

// Stands in for the ASIO system seam: the runtime's own declarations of it.
#include "VX/Rts/Asio/VX_Asio_abi.h"
#include "VX/Rts/Asio/VX_Asio_system.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct FakeDriverSetup {
    std::string name = "Fake Driver";
    std::vector<ASIOSampleType> inputTypes{ASIOSTInt32LSB, ASIOSTInt32LSB};
    std::vector<ASIOSampleType> outputTypes{ASIOSTInt32LSB, ASIOSTInt32LSB};
    std::vector<std::string> inputNames, outputNames; // default "In k", "Out k"
    std::vector<double> rates{44100, 48000};
    int32_t minimum = 64, maximum = 2048, preferred = 256, granularity = -1;
    std::set<std::string> failing; // method names that return an error
    std::string errorMessage = "Fake failure";
};

class FakeDriver : public VX_Asio_Driver {
public:
    explicit FakeDriver(FakeDriverSetup setup);
    ~FakeDriver();

    FakeDriverSetup setup;
    std::vector<std::string> log; // methods called, by name
    int references = 1;
    bool initialised = false, started = false;
    double rate = 0;
    ASIOCallbacks* callbacks = nullptr;
    std::vector<ASIOBufferInfo> infos; // as created
    int32_t bufferSize = 0;

    int count(const std::string& method) const;
    int32_t bytesOf(bool input, int32_t channel) const;
    // Calls the host's buffer switch (or the time-info one) for a half.
    void bufferSwitch(int32_t index, bool timeInfo = false);
    int32_t message(int32_t selector, int32_t value);

    std::vector<std::unique_ptr<unsigned char[]>> memory;
};

class FakeSystem : public VX_Asio_System {
public:
    FakeSystem();
    // A key HKLM\Software\ASIO\<key> with "CLSID" (and "Description" unless empty), the class
    // registered with an in-process server that exists, creating drivers from the setup.
    void addDriver(const std::string& key, const std::string& clsid, const std::string& description,
                   const FakeDriverSetup& setup);
    void setValue(bool machine, const std::string& path, const std::string& value,
                  const std::string& text);
    void addKey(bool machine, const std::string& path);

    std::set<std::string> files;
    std::map<std::string, FakeDriverSetup> classes;  // by lower-case clsid text
    std::map<std::string, int32_t> creationFailures; // HRESULT by lower-case clsid text
    std::vector<FakeDriver*> created;                // owned, in creation order
    int comInitialised = 0;

    ~FakeSystem() override;
    Key openKey(Root root, Key parent, const char* path) override;
    void closeKey(Key key) override;
    bool subkeyName(Key key, unsigned index, char* name, size_t size) override;
    bool stringValue(Key key, const char* value, char* text, size_t size) override;
    bool fileExists(const char* path) override { return files.count(path) > 0; }
    bool parseGuid(const char* text, VX_Asio_Guid* guid) override;
    void comInitialize() override { ++comInitialised; }
    void comUninitialize() override { --comInitialised; }
    int32_t createInstance(const VX_Asio_Guid& clsid, VX_Asio_Driver** driver) override;

    struct Node {
        std::string name;
        std::vector<std::unique_ptr<Node>> children; // in creation order
        std::map<std::string, std::string> values;   // by lower-case name; "" is the default
    };
    Node machine, classesRoot;
    int openKeys = 0;

private:
    Node* find(Node* from, const std::string& path, bool create);
};

std::string guidText(const VX_Asio_Guid& g);
