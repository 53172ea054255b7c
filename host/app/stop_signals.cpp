#include "host/app/stop_signals.h"

#include "host/lang/interpreter.h"

#include <csignal>

namespace tarn::app {

namespace {

volatile std::sig_atomic_t gSignal = 0;
lang::Interpreter* gInterpreter = nullptr;  // created before the handlers are installed

void onStopSignal(int signal) {
    if (gSignal != 0) {
        // Asked twice: the run did not reach a point where it could stop; end it now.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    gSignal = signal;
    gInterpreter->stop();
}

}  // namespace

void installStopSignals() {
    gInterpreter = &lang::hostInterpreter();
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM}) sigaction(signal, &sa, nullptr);
}

int stopSignal() {
    return gSignal;
}

}  // namespace tarn::app
