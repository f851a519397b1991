#pragma once
// Ctrl+C, SIGTERM or SIGHUP during a run: the first only raises a flag (the run stops and what was
// checked is written); the handler of that signal then steps aside, so that a second one ends the
// program at once (the rows so far are in the file already).

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
