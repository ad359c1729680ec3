#include "tools/Interruption.h"

#include <csignal>
#include <initializer_list>

namespace stepveil::tool {
namespace {

volatile std::sig_atomic_t interruptionFlag = 0;

extern "C" void raiseInterruptionFlag(int) {
    interruptionFlag = 1;
}

} // namespace

void installInterruptionHandlers() {
    struct sigaction action {};
    action.sa_handler = raiseInterruptionFlag;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signalNumber, &action, nullptr);
    }
}

bool interruptionRequested() {
    return interruptionFlag != 0;
}

} // namespace stepveil::tool
