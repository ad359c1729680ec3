// Conversions of the numbers a host passes with an opcode. A host may send any bit pattern;
// these never invoke undefined behaviour, whatever the value.
#pragma once

#include "vst2/vst2.h"

namespace argumentConversions {

// Truncates toward zero; values beyond the 32-bit range saturate, NaN gives 0.
vst2::int32 truncateToInt32(double value);

// Narrows a pointer-sized argument to 32 bits, saturating at the 32-bit limits.
vst2::int32 clampToInt32(vst2::intptr value);

// Rounds to a 32-bit float; magnitudes beyond the float range become infinities.
float roundToFloat(double value);

// The key record that the editor's key operations receive: character from index, virtual key
// from the low 8 bits of value, modifiers from the low 8 bits of opt truncated toward zero
// (an opt that is not a number, or out of the 32-bit range, carries no modifiers).
VstKeyCode makeKeyCode(vst2::int32 index, vst2::intptr value, float opt);

// A sample rate the effect can compute with: finite and above zero.
bool isUsableSampleRate(float rate);

// A block size or byte count that is positive and fits 32 bits.
bool isUsableBlockSize(vst2::intptr size);

} // namespace argumentConversions
