// A count of every allocation the test program makes, the plug-in's own included when it is
// loaded into the program: linking CountedAllocations.cpp replaces the global allocation
// functions with counting ones, so a test can show that the audio path allocates nothing.
#pragma once

namespace stepveil::testing {

// How many times operator new (any form) has been called so far, from any thread.
long allocationsSoFar();

} // namespace stepveil::testing
