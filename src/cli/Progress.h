#pragma once
// The run's progress on standard error: on a terminal one line rewritten in place, elsewhere a plain
// line now and then (every tenth of the list, and at least every ten seconds while lines move).

#include <ostream>
#include <string>
#include <utility>

namespace vantle::cli {

enum class ProgressStyle { Off, Terminal, Lines };

class Progress {
public:
    Progress(std::ostream& err, ProgressStyle style) : err_(err), style_(style) {}

    // done of total lines gone through, nowMs on a monotonic clock. The rate is measured from the
    // first line done on: each line's time includes its pause, which comes after it is reported.
    void Update(int done, int total, long long nowMs);
    // Shows a line of another long step the same way: in place, or as a line of its own when tenth
    // (of the step, 0 to 10) grew or ten seconds passed. A step shown ends with Finish, and the run's
    // progress after it starts its tenths anew.
    void Show(const std::string& line, int tenth, long long nowMs);
    // Ends the in-place line, so that what follows starts on a line of its own.
    void Finish();
    // Where a run many at once stands (UTF-8, "в работе 16, ждут 40, ..."): it takes the place of the
    // rate and the time left from the next update on.
    void SetDetail(std::string utf8) { detail_ = std::move(utf8); }
    // Where a run one domain at a time stands (UTF-8, "12 в минуту, осталось 1:30"): it takes the place
    // of the rate and the time left measured here, before the detail.
    void SetStanding(std::string utf8) { standing_ = std::move(utf8); }

    // "Проверено: 12/100, 2,9 дом/сек, осталось 0:31" (UTF-8); without a rate (0) no rate or time left.
    static std::string Line(int done, int total, double perSecond);

private:
    std::ostream& err_;
    ProgressStyle style_;
    long long firstMs_ = -1;  // when the first line was done
    int firstDone_ = 0;
    long long lastLineMs_ = 0;
    int lastTenth_ = 0;
    std::size_t shownWidth_ = 0;
    bool open_ = false;
    std::string detail_;
    std::string standing_;
};

}  // namespace vantle::cli
