#pragma once
// What a process can tell of itself for the notes of the benchmarks and the simulator: its peak
// resident set and its processor time.

#include <sys/resource.h>

namespace vantle::sim {

// The resident set's high-water mark (VmHWM) in MiB, or -1 when it cannot be read.
long PeakResidentMiB();

// Processor time, user and system: of the whole process with every thread (RUSAGE_SELF) or of the
// calling thread (RUSAGE_THREAD).
double CpuSeconds(int who = RUSAGE_SELF);

}  // namespace vantle::sim
