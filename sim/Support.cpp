#include "sim/Support.h"

#include <asio.hpp>
#include <cstdio>

namespace vantle::sim {

std::thread ServeOnThread(asio::io_context& io, const char* who) {
    return std::thread([&io, who] {
        for (;;) {
            try {
                io.run();
                return;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s: %s\n", who, e.what());
            }
        }
    });
}

}  // namespace vantle::sim
