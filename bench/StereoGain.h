// The yardstick of the benchmarks: the plainest stereo gain a host could apply, with the
// signature of a replacing process entry so that it is called the way an effect is.
#pragma once

namespace stepveil::bench {

// outputs[c][k] = gain × inputs[c][k] for both channels. Kept in a file of its own and called
// through a pointer, so that the compiler cannot fold it into the timing loop.
void applyStereoGain(float** inputs, float** outputs, int frames, float gain);

} // namespace stepveil::bench
