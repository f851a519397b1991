// vantle-cli: the check run from the command line, against the real services.
#include <unistd.h>
#include <iostream>

#include "cli/CliMain.h"
#include "pace/SharedPaces.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // The paces of the services that limit each address are kept with the other copies.
    vantle::SharePacesIn(vantle::DefaultPaceStateDir());
    return vantle::cli::CliMain(argc, argv, std::cin, std::cout, std::cerr, vantle::ServiceHosts{},
                                vantle::CheckEndpoints{}, ::isatty(STDERR_FILENO) != 0);
}
