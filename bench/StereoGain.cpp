#include "bench/StereoGain.h"

namespace stepveil::bench {

void applyStereoGain(float** inputs, float** outputs, int frames, float gain) {
    const float* left = inputs[0];
    const float* right = inputs[1];
    float* leftOut = outputs[0];
    float* rightOut = outputs[1];
    for (int k = 0; k < frames; ++k) {
        leftOut[k] = gain * left[k];
        rightOut[k] = gain * right[k];
    }
}

} // namespace stepveil::bench
