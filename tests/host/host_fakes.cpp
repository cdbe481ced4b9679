#include "host_fakes.h"

#include <gtest/gtest.h>

#include <algorithm>

MenuItem& MenuModel::item(HostMenu m, uint32_t id) {
    for (MenuItem& i : items(m))
        if (i.id == id && i.kind != MenuItem::separator) return i;
    ADD_FAILURE() << "no item 0x" << std::hex << id;
    static MenuItem none(MenuItem::command);
    return none = MenuItem(MenuItem::command);
}

std::vector<std::string> MenuModel::texts(HostMenu m) {
    std::vector<std::string> out;
    for (const MenuItem& i : items(m)) out.push_back(i.kind == MenuItem::separator ? "-" : i.text);
    return out;
}

std::vector<uint32_t> MenuModel::checked(HostMenu m) {
    std::vector<uint32_t> out;
    for (const MenuItem& i : items(m))
        if (i.checked) out.push_back(i.id);
    return out;
}

void MenuModel::appendPopup(HostMenu parent, const char* text, HostMenu popup) {
    items(parent).emplace_back(MenuItem::popup, static_cast<uint32_t>(popup), text);
}

void MenuModel::appendSeparator(HostMenu parent) {
    items(parent).emplace_back(MenuItem::separator);
}

void MenuModel::appendCommand(HostMenu parent, const char* text, uint32_t id, bool grayed) {
    items(parent).emplace_back(MenuItem::command, id, text, grayed);
}

void MenuModel::insertRadio(HostMenu m, int position, uint32_t id, const char* text, void* data) {
    auto& list = items(m);
    MenuItem i(MenuItem::radio, id, text, false, data);
    if (position < 0 || position > static_cast<int>(list.size()))
        list.push_back(i);
    else
        list.insert(list.begin() + position, i);
}

void MenuModel::removeAt(HostMenu m, int position) {
    auto& list = items(m);
    ASSERT_LT(position, static_cast<int>(list.size()));
    list.erase(list.begin() + position);
}

void MenuModel::removeAll(HostMenu m) {
    items(m).clear();
}

void MenuModel::setItemAt(HostMenu m, int position, uint32_t id, const char* text) {
    auto& list = items(m);
    ASSERT_LT(position, static_cast<int>(list.size()));
    list[static_cast<size_t>(position)].id = id;
    list[static_cast<size_t>(position)].text = text;
}

// Like the system's calls by command: an identifier the menu does not hold changes nothing.
void MenuModel::check(HostMenu m, uint32_t id, bool on) {
    for (MenuItem& i : items(m))
        if (i.id == id && i.kind != MenuItem::separator) i.checked = on;
}

void MenuModel::enable(HostMenu m, uint32_t id, bool on) {
    for (MenuItem& i : items(m))
        if (i.id == id && i.kind != MenuItem::separator) i.grayed = !on;
}

void MenuModel::setText(HostMenu m, uint32_t id, const char* text) {
    for (MenuItem& i : items(m))
        if (i.id == id && i.kind != MenuItem::separator) i.text = text;
}

FakeRts::FakeRts(const char* name, FakeSetup s) : VX_Rts(name), setup(std::move(s)) {
    enlist(myClass);
}

FakeRts::~FakeRts() {
    myClass.remove(&classItem);
}

bool FakeRts::fails(const char* operation) const {
    return std::find(setup.failing.begin(), setup.failing.end(), operation) != setup.failing.end();
}

VX_error FakeRts::init() {
    calls.push_back("init");
    if (duringInit) duringInit();
    VX_Rts::exit();
    if (fails("init")) return VX_ERROR_AUDIO;
    for (const auto& m : setup.modes)
        modes.insert(&(new Mode(m.rate, m.bits, m.frames, m.channels))->item);
    int32_t number = 0;
    for (const std::string& name : setup.inputs)
        inputs.insert(&(new Chan(name.c_str(), setup.format, 0, number++))->item);
    return VX_OK;
}

VX_error FakeRts::exit() {
    calls.push_back("exit");
    if (fails("exit")) return VX_ERROR_AUDIO;
    return VX_Rts::exit();
}

VX_error FakeRts::mode(Mode* m) {
    calls.push_back("mode");
    if (fails("mode")) return VX_ERROR_AUDIO_CANNOT_OPEN;
    VX_Rts::mode(m);
    const size_t bytes = static_cast<size_t>(m->frames) * (setup.format & 0xFF);
    inBuffers.assign(static_cast<size_t>(inputs.count), std::vector<unsigned char>(bytes));
    outBuffers.assign(static_cast<size_t>(setup.outputs), std::vector<unsigned char>(bytes));
    inputs.forEach<Chan>([&](Chan* c) { c->count = m->frames; });
    for (int32_t k = 0; k < setup.outputs; ++k) {
        const std::string name = "Out " + std::to_string(k + 1);
        outputs.insert(&(new Chan(name.c_str(), setup.format, m->frames, k))->item);
    }
    frame = 0;
    return VX_OK;
}

VX_error FakeRts::free() {
    calls.push_back("free");
    if (fails("free")) return VX_ERROR_AUDIO_CANNOT_INPUT_STOP;
    return VX_Rts::free();
}

VX_error FakeRts::start() {
    calls.push_back("start");
    if (fails("start")) return VX_ERROR_AUDIO;
    return VX_Rts::start();
}

VX_error FakeRts::stop() {
    calls.push_back("stop");
    if (fails("stop")) return VX_ERROR_AUDIO;
    return VX_Rts::stop();
}

void FakeRts::block(float (*input)(int channel, int64_t frame), float outputFill) {
    const Mode* m = currentMode();
    if (!m) return;
    std::vector<float> values(static_cast<size_t>(m->frames));
    Chan source("source", VX_RTS_FLOAT32, m->frames);
    source.data = values.data();
    int k = 0;
    inputs.forEach<Chan>([&](Chan* c) {
        for (int32_t i = 0; i < m->frames; ++i)
            values[static_cast<size_t>(i)] = input(k, frame + i);
        c->data = inBuffers[static_cast<size_t>(k++)].data();
        VX_Rts::copyBuffer(c, &source);
    });
    std::fill(values.begin(), values.end(), outputFill);
    k = 0;
    outputs.forEach<Chan>([&](Chan* c) {
        c->data = outBuffers[static_cast<size_t>(k++)].data();
        VX_Rts::copyBuffer(c, &source);
    });
    TorvHost::audioCallback();
    frame += m->frames;
}

std::vector<float> FakeRts::output(int k) const {
    const Mode* m = currentMode();
    std::vector<float> values(m ? static_cast<size_t>(m->frames) : 0);
    if (!m || k >= static_cast<int>(outBuffers.size())) return values;
    Chan source("device", setup.format, m->frames);
    source.data = const_cast<unsigned char*>(outBuffers[static_cast<size_t>(k)].data());
    Chan host("host", VX_RTS_FLOAT32, m->frames);
    host.data = values.data();
    VX_Rts::copyBuffer(&host, &source);
    return values;
}
