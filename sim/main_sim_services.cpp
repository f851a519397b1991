// The simulated services of the long-list benchmark in a process of their own, for other programs to be
// measured over the same list: the names of the expired-domains list with their faults planted, every
// answer after the same delay. It prints where everything is, one "key value" line each, then "ready",
// and serves until SIGINT or SIGTERM; then it prints its own peak memory and removes the CA's file.
//
//   vantle-sim-services [--dns-port=N] [--names=N] [--delay-ms=N]
//
//   --dns-port   the DNS server's port on 127.0.0.1 (default: any free one); 53 for clients that cannot
//                be told another. A port that is taken or not permitted ends the program with status 1.
//   --names      how many names of the list (default 10000)
//   --delay-ms   the wait before every answer (default 100)
//
// What it prints:
//   dns 127.0.0.1:<port>
//   http 127.0.0.1:<port>
//   https 127.0.0.1:<port>
//   ca <the PEM file of the CA that issues every certificate>
//   names <count>
//   name <host>                                 each name of the list, in its order
//   connect-to <host>:<port>:<address>:<port>   a route, in the form of curl's --connect-to; the routes
//                                               of single hosts first, then those of every other host
//   ready
//   ... and at the end: peak <MiB>, cpu <seconds, user and system>
#include <pthread.h>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include <asio/error.hpp>

#include "sim/CheckServices.h"
#include "sim/ExpiredList.h"
#include "sim/ProcessFigures.h"

namespace {

constexpr std::string_view kProgram = "vantle-sim-services";

struct Options {
    int dnsPort = 0;
    int names = vantle::sim::kExpiredListNames;
    int delayMs = 100;
};

// The value of "--name=<number>" in arg into out, within [low, high]; false when arg is another option.
bool ReadNumber(std::string_view arg, std::string_view name, int low, int high, int& out, bool& bad) {
    const std::string prefix = "--" + std::string(name) + "=";
    if (arg.substr(0, prefix.size()) != prefix) {
        return false;
    }
    const std::string_view digits = arg.substr(prefix.size());
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    bad = ec != std::errc() || end != digits.data() + digits.size() || value < low || value > high;
    out = value;
    return true;
}

int Serve(const Options& options) {
    using vantle::sim::CheckServices;
    CheckServices services({}, static_cast<std::uint16_t>(options.dnsPort));
    services.SetDelayAll(std::chrono::milliseconds(options.delayMs));
    vantle::sim::PlantExpiredList(services.Web(), options.names);
    std::cout << "dns " << services.Dns().authority() << '\n'
              << "http 127.0.0.1:" << services.Web().HttpPort() << '\n'
              << "https 127.0.0.1:" << services.Web().HttpsPort() << '\n'
              << "ca " << services.Web().CaFile() << '\n'
              << "names " << options.names << '\n';
    for (int i = 0; i < options.names; ++i) {
        std::cout << "name " << vantle::sim::ExpiredListName(i) << '\n';
    }
    for (const std::string& route : services.Web().ConnectTo()) {
        std::cout << "connect-to " << route << '\n';
    }
    std::cout << "ready" << std::endl;
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    int signal = 0;
    sigwait(&stop, &signal);
    std::cout << "peak " << vantle::sim::PeakResidentMiB() << '\n'
              << "cpu " << vantle::sim::CpuSeconds() << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        bool bad = false;
        if (!ReadNumber(arg, "dns-port", 0, 65535, options.dnsPort, bad) &&
            !ReadNumber(arg, "names", 1, 10000000, options.names, bad) &&
            !ReadNumber(arg, "delay-ms", 0, 60000, options.delayMs, bad)) {
            bad = true;
        }
        if (bad) {
            std::cerr << kProgram << ": cannot use " << arg << "\nusage: " << kProgram
                      << " [--dns-port=N] [--names=N] [--delay-ms=N]\n";
            return 64;
        }
    }
    // Blocked before the services start their threads, which inherit the mask: the signals reach only
    // the wait in Serve, and the services end through their destructors.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    try {
        return Serve(options);
    } catch (const std::system_error& e) {
        if (options.dnsPort != 0 &&
            (e.code() == asio::error::address_in_use || e.code() == asio::error::access_denied)) {
            std::cerr << kProgram << ": cannot serve DNS on 127.0.0.1:" << options.dnsPort
                      << " (the port is taken or not permitted): " << e.what() << '\n';
        } else {
            std::cerr << kProgram << ": cannot start the services: " << e.what() << '\n';
        }
        return 1;
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": cannot start the services: " << e.what() << '\n';
        return 1;
    }
}
