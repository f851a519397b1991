// vantle-cli for the tests: its leading arguments say where the simulator listens, the rest go to
// the program as they would on the command line.
//
//   vantle-cli-sim [--sim-bar=A] [--sim-webmaster=A] [--sim-fetch=A] [--sim-dns=A] [--sim-ca=FILE]
//                  [--sim-connect-to=ENTRY]... [--sim-timeout-ms=N] [--sim-archive=URL]
//                  [vantle-cli arguments]
#include <unistd.h>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/CliMain.h"

int main(int argc, char** argv) {
    vantle::ServiceHosts hosts;
    vantle::CheckEndpoints endpoints;
    int first = 1;
    for (; first < argc; ++first) {
        const std::string_view arg = argv[first];
        const std::size_t eq = arg.find('=');
        if (arg.substr(0, 6) != "--sim-" || eq == std::string_view::npos) {
            break;
        }
        const std::string_view name = arg.substr(6, eq - 6);
        const std::string value(arg.substr(eq + 1));
        if (name == "bar") {
            hosts.bar = value;
        } else if (name == "webmaster") {
            hosts.webmaster = value;
        } else if (name == "fetch") {
            hosts.fetchConnectTo = value;
        } else if (name == "dns") {
            endpoints.dnsServers.push_back(value);
        } else if (name == "ca") {
            endpoints.caFile = value;
        } else if (name == "connect-to") {
            endpoints.connectTo.push_back(value);
        } else if (name == "timeout-ms") {
            endpoints.checkTimeoutMs = std::stol(value);
            endpoints.connectTimeoutMs = endpoints.checkTimeoutMs;
        } else if (name == "archive") {
            endpoints.archiveUrl = value;
        } else {
            std::cerr << "vantle-cli-sim: unknown " << arg << '\n';
            return 64;
        }
    }
    std::vector<char*> rest{argv[0]};
    rest.insert(rest.end(), argv + first, argv + argc);
    return vantle::cli::CliMain(static_cast<int>(rest.size()), rest.data(), std::cin, std::cout, std::cerr,
                                hosts, endpoints, ::isatty(STDERR_FILENO) != 0);
}
