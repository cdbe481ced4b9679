#include "journal_replay.h"

#include "host/host_journal.h"

#include <cstring>
#include <map>

namespace replay {

namespace {

VstIntPtr VST_CALL master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr dispatch(AEffect* e, VstInt32 opcode, float opt = 0.0f) {
    return e->dispatcher(e, opcode, 0, 0, nullptr, opt);
}

} // namespace

Result run(const std::vector<uint32_t>& words, VstPluginMainProc entry, const InputBlock& input) {
    Result r;
    std::map<uint32_t, AEffect*> effects;
    std::vector<float> in, out[2];
    for (size_t at = 0; at < words.size();) {
        const uint32_t kind = words[at] & 0xFF, count = words[at] >> 8;
        const uint32_t* w = &words[at + 1];
        if (at + 1 + count > words.size()) {
            r.error = "an entry runs past the end";
            break;
        }
        at += 1 + count;
        switch (kind) {
        case HostJournal::stream:
            if (count != 3) r.error = "a stream entry of the wrong size";
            r.streams.push_back({w[0], w[1], w[2]});
            break;
        case HostJournal::failed:
            if (!r.streams.empty()) r.streams.back().failed = true;
            break;
        case HostJournal::created:
            effects[w[0]] = entry(&master);
            ++r.created;
            break;
        case HostJournal::rate: {
            float rate;
            std::memcpy(&rate, &w[1], 4);
            if (AEffect* e = effects[w[0]]) dispatch(e, effSetSampleRate, rate);
            break;
        }
        case HostJournal::closed:
            if (AEffect* e = effects[w[0]]) dispatch(e, effClose);
            effects.erase(w[0]);
            ++r.closed;
            break;
        case HostJournal::block: {
            if (r.streams.empty() || count < 3 || (count - 3) % 2) {
                r.error = "a block entry without a stream or of the wrong size";
                return r;
            }
            Block b;
            b.stream = r.streams.size() - 1;
            b.block = w[0];
            b.mark[0] = w[1];
            b.mark[1] = w[2];
            const size_t frames = r.streams.back().frames;
            in.assign(frames, 0.0f);
            out[0].assign(frames, 0.0f);
            out[1].assign(frames, 0.0f);
            b.mix[0].assign(frames, 0.0f);
            b.mix[1].assign(frames, 0.0f);
            for (uint32_t k = 3; k + 1 < count; k += 2) {
                b.serials.push_back(w[k]);
                b.inputs.push_back(w[k + 1]);
            }
            for (size_t k = 0; k < b.serials.size(); ++k) {
                AEffect* e = effects[b.serials[k]];
                if (!e) {
                    r.error = "a block runs an effect that does not exist";
                    return r;
                }
                input(r.streams.back(), b, static_cast<int32_t>(b.inputs[k]), in.data());
                float* ins[2] = {in.data(), in.data()};
                float* outs[2] = {out[0].data(), out[1].data()};
                e->processReplacing(e, ins, outs, static_cast<VstInt32>(frames));
                for (size_t i = 0; i < frames; ++i) {
                    b.mix[0][i] += out[0][i];
                    b.mix[1][i] += out[1][i];
                }
            }
            r.blocks.push_back(std::move(b));
            break;
        }
        default:
            r.error = "an entry of unknown kind";
            return r;
        }
    }
    for (auto& [serial, e] : effects)
        if (e) dispatch(e, effClose);
    return r;
}

} // namespace replay
