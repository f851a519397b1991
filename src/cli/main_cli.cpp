// vantle-cli: the check run from the command line, against the real services.
#include <unistd.h>
#include <iostream>

#include "cli/CliMain.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return vantle::cli::CliMain(argc, argv, std::cin, std::cout, std::cerr, vantle::ServiceHosts{},
                                vantle::CheckEndpoints{}, ::isatty(STDERR_FILENO) != 0);
}
