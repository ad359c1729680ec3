// Ctrl-C and termination requests during a render: the handler only raises a flag, and the
// render loop stops at the next block, so that the temporary output file is removed and the
// destination is left as it was.
#pragma once

namespace stepveil::tool {

// Installs handlers for SIGINT, SIGTERM and SIGHUP.
void installInterruptionHandlers();

bool interruptionRequested();

} // namespace stepveil::tool
