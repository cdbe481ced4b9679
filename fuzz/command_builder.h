// Turns fuzzer bytes into commands of the command language: registered class names, option
// words of their class chains (and a few strangers), and values of every kind the lexer knows,
// but never raw object references and never directives (which would read missing arguments).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ByteSource {
public:
    ByteSource(const uint8_t* data, size_t size) : p(data), end(data + size) {}
    bool empty() const { return p == end; }
    uint8_t byte() { return p == end ? 0 : *p++; }
    uint32_t below(uint32_t n) { return n ? (byte() | uint32_t(byte()) << 8) % n : 0; }
    int32_t int32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | byte();
        return static_cast<int32_t>(v);
    }

private:
    const uint8_t* p;
    const uint8_t* end;
};

// One value word: integers (small, large, negative), floats, plain words, option-like words.
std::string fuzzValue(ByteSource& in);
// An option word ("-name") of the class's chain, or now and then one that no class has. Never
// "-delete": the caller deletes what it made.
std::string fuzzOption(ByteSource& in, const char* className);
// A creatable class name of the registry.
const char* fuzzClass(ByteSource& in);

// Message boxes answered at once and the framework's printed messages discarded: both would
// flood the fuzzer's output. For LLVMFuzzerInitialize.
void fuzzSilenceMessages();
