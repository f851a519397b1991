#include "cli/Interrupt.h"

#include <signal.h>
#include <csignal>

namespace vantle::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

}  // namespace

struct InterruptWatch::Saved {
    struct sigaction previous {};
};

InterruptWatch::InterruptWatch() : saved_(new Saved) {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, &saved_->previous);
}

InterruptWatch::~InterruptWatch() {
    sigaction(SIGINT, &saved_->previous, nullptr);
    delete saved_;
}

bool InterruptWatch::Requested() {
    return interrupted != 0;
}

}  // namespace vantle::cli
