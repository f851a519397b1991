#pragma once
// Ctrl+C during a run: the first SIGINT only raises a flag (the run stops after the current domain);
// the handler then steps aside, so that a second one ends the program at once.

namespace vantle::cli {

class InterruptWatch {
public:
    InterruptWatch();   // installs the handler and lowers the flag
    ~InterruptWatch();  // puts the previous handler back
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    static bool Requested();

private:
    struct Saved;
    Saved* saved_;
};

}  // namespace vantle::cli
