// Option handlers that the filmstrip widgets (button and knob) share: a widget class W with the
// members strip, resource, command, data and variable.
#pragma once

#include "VX/VX_cfuncs.h"
#include "VX/Wid/VX_Wid.h"

// "-res": remembers the name and maps the "DATA" resource as a filmstrip; the size stays.
template <typename W> VX_value VX_wid_strip_res(VX_Object* o, VX_value v) {
    W* w = static_cast<W*>(o);
    if (v.type == VX_TYPE_STRING) {
        w->resource = v.value.s;
        w->strip.map(VX_resource(w->resource));
    }
    return VX_value::string(w->resource);
}

// "-com": the command callback.
template <typename W> VX_value VX_wid_command(VX_Object* o, VX_value v) {
    W* w = static_cast<W*>(o);
    void* p = nullptr;
    if (VX_wid_read_object(v, p)) w->command = reinterpret_cast<VX_Wid_Callback>(p);
    return VX_value::object(reinterpret_cast<void*>(w->command));
}

// "-var": the bound variable.
template <typename W> VX_value VX_wid_variable(VX_Object* o, VX_value v) {
    W* w = static_cast<W*>(o);
    void* p = nullptr;
    if (VX_wid_read_object(v, p)) w->variable = static_cast<VX_value*>(p);
    return VX_value::object(w->variable);
}

// "-dat": the pointer handed to the callback and to the variable's apply.
template <typename W> VX_value VX_wid_data(VX_Object* o, VX_value v) {
    W* w = static_cast<W*>(o);
    void* p = nullptr;
    if (VX_wid_read_object(v, p)) w->data = p;
    return VX_value::object(w->data);
}
