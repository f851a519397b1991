#pragma once
// The run interface: what walks the list (or the rows of a recheck) and writes the table. Two kinds:
// the old services' run, one domain at a time at the rate (OneByOne.h), and the run of the checks that
// answer today, many domains at once (ParallelRun.h). A finished row leaves either through
// CheckRunHost::RowWritten.

#include <string>
#include <vector>

#include "check/Check.h"

namespace vantle {

class LineRun {
public:
    virtual ~LineRun() = default;
    // Walks list lines [first, count), writing rows from row on (row moves on with them). Returns the
    // line to go on from when the run stopped or failed, else -1.
    virtual int Lines(int first, int count, int& row) = 0;
    // Checks rows of the table again in place (the selection, in the order shown). Returns the index
    // into rows of the first one not rechecked when stopped, else -1.
    virtual int Rows(const std::vector<int>& rows) = 0;
};

// The forms of a name as the table shows it, with the facts its checks share.
DomainNames NamesOf(const std::string& displayName);

}  // namespace vantle
