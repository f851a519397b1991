#include "cli/Interrupt.h"

#include <signal.h>
#include <csignal>
#include <iterator>

namespace vantle::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

// Ctrl+C, a terminal that went away, and the polite end the system asks for.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

struct InterruptWatch::Saved {
    struct sigaction previous[std::size(kSignals)]{};
};

InterruptWatch::InterruptWatch() : saved_(new Saved) {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &saved_->previous[i]);
    }
}

InterruptWatch::~InterruptWatch() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &saved_->previous[i], nullptr);
    }
    delete saved_;
}

bool InterruptWatch::Requested() {
    return interrupted != 0;
}

}  // namespace vantle::cli
