// The value record that option handlers take and return.
#pragma once

#include <cstdint>

class VX_Object;

// Type codes of a VX_value.
enum : int32_t {
    VX_TYPE_NOTHING = 0, // "%" followed by an unknown letter or by the end of the text
    VX_TYPE_NONE = 1,    // no value: an option word, or the empty result
    VX_TYPE_INT = 2,
    VX_TYPE_FLOAT = 3,  // single precision
    VX_TYPE_STRING = 4, // pointer to characters
    VX_TYPE_OBJECT = 5, // object reference; with a length >= 0, a block of raw bytes
    VX_TYPE_SWITCH = 6, // on/off parameter of an application
};

// The value word. On 32-bit targets it is exactly 32 bits; on 64-bit targets it is as wide as a
// pointer, so that object references survive the trip through a command. Integers and floats
// only ever use the low 32 bits.
union VX_bits {
    int32_t i;
    uint32_t u;
    float f;
    char* s;
    void* p;
    VX_Object* o;
    uintptr_t raw;
};
static_assert(sizeof(VX_bits) == sizeof(void*));

class VX_value {
public:
    VX_bits value;
    int32_t type;
    int32_t length; // -1 when absent

    constexpr VX_value() : value{.raw = 0}, type(VX_TYPE_NONE), length(-1) {}
    constexpr VX_value(VX_bits v, int32_t t, int32_t len = -1) : value(v), type(t), length(len) {}
    VX_value(const VX_value&) = default;
    VX_value& operator=(const VX_value&) = default;
    // A value bound to a widget as its variable: the widget writes a user change into it, then
    // calls apply with its data pointer. Applications override it; here it does nothing.
    virtual void apply(void*) {}
    virtual ~VX_value() = default;

    static VX_value integer(int32_t i) {
        VX_bits b{.raw = 0};
        b.i = i;
        return VX_value(b, VX_TYPE_INT);
    }
    static VX_value real(float f) {
        VX_bits b{.raw = 0};
        b.f = f;
        return VX_value(b, VX_TYPE_FLOAT);
    }
    static VX_value string(const char* s) {
        VX_bits b{.raw = 0};
        b.s = const_cast<char*>(s);
        return VX_value(b, VX_TYPE_STRING);
    }
    static VX_value object(const void* p) {
        VX_bits b{.raw = 0};
        b.p = const_cast<void*>(p);
        return VX_value(b, VX_TYPE_OBJECT);
    }
    static VX_value bytes(const void* p, int32_t len) {
        VX_bits b{.raw = 0};
        b.p = const_cast<void*>(p);
        return VX_value(b, VX_TYPE_OBJECT, len);
    }

    // Numeric options accept an integer or a float; these read either as the handler needs it.
    bool hasValue() const { return type >= VX_TYPE_INT; }
    bool isNumber() const { return type == VX_TYPE_INT || type == VX_TYPE_FLOAT; }
    float asFloat() const { return type == VX_TYPE_FLOAT ? value.f : static_cast<float>(value.i); }
    double asDouble() const {
        return type == VX_TYPE_FLOAT ? static_cast<double>(value.f) : static_cast<double>(value.i);
    }
};

// The empty value: type 1, value 0, length -1. Handlers with nothing to report return a copy.
extern const VX_value VX_EMPTY;
