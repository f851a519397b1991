#pragma once
// vantle-cli: the check run of the main window from the command line, its table written as the
// window saves it. The program's main passes the production hosts and endpoints; the test program
// passes the simulator's.

#include <istream>
#include <ostream>

#include "check/CheckEndpoints.h"
#include "check/ServiceHosts.h"

namespace vantle::cli {

// What the program exits with.
enum ExitStatus : int {
    kExitChecked = 0,  // the list was checked (or stopped by Ctrl+C)
    kExitUsage = 1,    // bad arguments, an empty list, a file that cannot be read or created
    kExitFailure = 2,  // a failure ended the run; the rows so far were written
};

// argv[0] is the program's name. Messages on err are UTF-8; progress goes there when errIsTerminal
// (in place) or as plain lines otherwise, unless --quiet.
int CliMain(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err,
            const ServiceHosts& hosts, const CheckEndpoints& endpoints, bool errIsTerminal = false);

}  // namespace vantle::cli
