#pragma once
// Where a long run stands, for the status bar and the command line's progress line: rows written, in
// flight and waiting for a slow row above them, rows a minute, the time left, and the service whose
// pace holds the run back. Texts are Windows-1251.

#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "pace/Limiter.h"

namespace vantle {

struct RunStanding {
    int written = 0;       // rows (or recheck rows) written so far in this run
    int left = 0;          // items not written yet, in flight and waiting included
    int inFlight = 0;      // being checked
    int waiting = 0;       // done, waiting for a row above them
    double perMinute = 0;  // 0 while unknown
    std::optional<Pacer::Queue> holder;
};

// "в работе 16, ждут 40, 57 в минуту, осталось 1:05:00, ждём web.archive.org: 24 в минуту"; the
// rate and the time left only once known, the service only when one holds queries back.
std::string StandingText(const RunStanding& standing);

// Its pace alone, as a run one domain at a time shows it: "12 в минуту, осталось 1:30, ждём
// web.archive.org: 24 в минуту"; empty while nothing of it is known.
std::string PaceText(const RunStanding& standing);

// "0:31", "59:59", "1:00:00".
std::string DurationText(long long seconds);

// "ждём web.archive.org: 24 в минуту", "ждём whois.tcinet.ru: 29 в минуту", "ждём rdap.example: 5 в
// секунду", "ждём 192.0.2.1: по 2 сразу".
std::string HolderText(const Pacer::Queue& queue);

// Rows a minute over the last minute (over the whole run while it is younger).
class RowRate {
public:
    void Add(long long nowMs, int written);
    double PerMinute() const;

private:
    std::deque<std::pair<long long, int>> samples_;  // (time, rows written), one a second at most
};

}  // namespace vantle
