#include "cli/Progress.h"

#include <cstdio>

#include "check/RunStatus.h"

namespace vantle::cli {
namespace {

constexpr long long kLineEveryMs = 10000;

// Characters on the screen, not bytes: UTF-8 continuation bytes take no place.
std::size_t Width(const std::string& utf8) {
    std::size_t width = 0;
    for (const char c : utf8) {
        width += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return width;
}

}  // namespace

std::string Progress::Line(int done, int total, double perSecond) {
    std::string line = "Проверено: " + std::to_string(done) + "/" + std::to_string(total);
    if (perSecond > 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", perSecond);
        std::string shown = text;
        for (char& c : shown) {
            c = c == '.' ? ',' : c;
        }
        const long long left = static_cast<long long>(static_cast<double>(total - done) / perSecond + 0.5);
        line += ", " + shown + " дом/сек, осталось " + DurationText(left);
    }
    return line;
}

void Progress::Update(int done, int total, long long nowMs) {
    if (style_ == ProgressStyle::Off) {
        return;
    }
    if (firstMs_ < 0 && done > 0) {
        firstMs_ = nowMs;
        firstDone_ = done;
        lastLineMs_ = nowMs;
    }
    const double perSecond = firstMs_ >= 0 && nowMs > firstMs_
                                 ? (done - firstDone_) * 1000.0 / static_cast<double>(nowMs - firstMs_)
                                 : 0.0;
    std::string line = Line(done, total, detail_.empty() && standing_.empty() ? perSecond : 0);
    for (const std::string* part : {&standing_, &detail_}) {
        line += part->empty() ? "" : ", " + *part;
    }
    const int tenth = total > 0 ? static_cast<int>(static_cast<long long>(done) * 10 / total) : 10;
    Show(line, tenth, nowMs);
}

void Progress::Show(const std::string& line, int tenth, long long nowMs) {
    if (style_ == ProgressStyle::Off) {
        return;
    }
    if (style_ == ProgressStyle::Terminal) {
        const std::size_t width = Width(line);
        err_ << '\r' << line << std::string(shownWidth_ > width ? shownWidth_ - width : 0, ' ') << std::flush;
        shownWidth_ = width;
        open_ = true;
        return;
    }
    if (tenth > lastTenth_ || (firstMs_ >= 0 && nowMs - lastLineMs_ >= kLineEveryMs)) {
        err_ << line << '\n' << std::flush;
        lastTenth_ = tenth;
        lastLineMs_ = nowMs;
    }
}

void Progress::Finish() {
    lastTenth_ = 0;
    if (open_) {
        err_ << '\n' << std::flush;
        open_ = false;
        shownWidth_ = 0;
    }
}

}  // namespace vantle::cli
