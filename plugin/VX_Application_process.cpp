// The effect's processing: host floats in, fixed-point graph, host floats out.
#include "plugin/VX_Application.h"

#include <algorithm>

void VX_Application::runGraph(float** inputs, float** outputs, int32_t frames) {
    if (!outputs || !outputs[0] || !outputs[1] || frames <= 0) return;
    float* left = outputs[0];
    float* right = outputs[1];
    const float* in = inputs ? inputs[0] : nullptr;
    int32_t* graphIn = bufIn ? bufIn->main : nullptr;
    const int32_t* graphOut = bufOut ? bufOut->main : nullptr;
    // Chunks never exceed what the buffers hold.
    const int32_t chunk =
        std::min({blockLength, bufIn ? bufIn->count : 0, bufOut ? bufOut->count : 0});
    if (!soundpipe || !graphIn || !graphOut || chunk <= 0) {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        return;
    }

    for (int32_t pos = 0; pos < frames;) {
        const int32_t n = std::min(chunk, frames - pos);
        for (int32_t k = 0; k < n; ++k) {
            float x = in ? in[pos + k] : 0.0f;
            if (x > 1.0f) x = 1.0f;
            if (!(x >= -1.0f)) x = -1.0f; // NaN included
            // Within +-2^30 after clipping: a plain truncation is exact.
            graphIn[k] = static_cast<int32_t>(x * toFixed);
        }
        // Only the block length changes here: a single word, read by the buffers' users.
        soundpipe->blockLength = n;
        soundpipe->process();
        // The chunk's input is already read: a host may pass one array as input and output.
        for (int32_t k = 0; k < n; ++k) {
            const float y = static_cast<float>(graphOut[k]) * fromFixed;
            left[pos + k] = y;
            right[pos + k] = y;
        }
        pos += n;
    }
}

void VX_Application::clearGraph() {
    if (soundpipe) soundpipe->clear();
}

void VX_Application::setClock(int32_t rate) {
    sampleRateHz = rate;
    if (!soundpipe) return;
    for (VX_Chain_Item* i = soundpipe->nodes.first(); !soundpipe->nodes.isEnd(i); i = i->next)
        VX_cmd("VX_Effect %o -clock %i", i->data, rate);
}
