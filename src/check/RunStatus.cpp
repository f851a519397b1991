#include "check/RunStatus.h"

#include <cmath>
#include <cstdio>

#include "text/Cp1251.h"

namespace vantle {

namespace {

constexpr long long kSampleEveryMs = 1000;
constexpr long long kRateOverMs = 60000;

std::string Cp(const char16_t* text) {
    return Utf16ToCp1251(text);
}

// The host a pace key names: "whois:whois.tcinet.ru" its host, a kind alone its service.
std::string HostOfKey(const std::string& key) {
    const auto colon = key.find(':');
    if (colon != std::string::npos) {
        return key.substr(colon + 1);
    }
    return key == "archive" ? "web.archive.org" : key == "dns" ? "DNS" : key;
}

}  // namespace

std::string DurationText(long long seconds) {
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    }
    return text;
}

std::string HolderText(const Pacer::Queue& queue) {
    std::string text = Cp(u"ждём ") + HostOfKey(queue.key) + ": ";
    const double perSecond = queue.pace.perSecond;
    if (perSecond <= 0) {
        return text + Cp(u"по ") + std::to_string(queue.pace.atOnce) + Cp(u" сразу");
    }
    if (perSecond < 2) {
        return text + std::to_string(std::lround(perSecond * 60)) + Cp(u" в минуту");
    }
    return text + std::to_string(std::lround(perSecond)) + Cp(u" в секунду");
}

std::string PaceText(const RunStanding& s) {
    std::string text;
    if (s.perMinute > 0) {
        text = std::to_string(std::lround(s.perMinute)) + Cp(u" в минуту, осталось ") +
               DurationText(std::llround(s.left * 60.0 / s.perMinute));
    }
    if (s.holder) {
        text += (text.empty() ? "" : ", ") + HolderText(*s.holder);
    }
    return text;
}

std::string StandingText(const RunStanding& s) {
    const std::string text =
        Cp(u"в работе ") + std::to_string(s.inFlight) + Cp(u", ждут ") + std::to_string(s.waiting);
    const std::string pace = PaceText(s);
    return pace.empty() ? text : text + ", " + pace;
}

void RowRate::Add(long long nowMs, int written) {
    if (!samples_.empty() && nowMs - samples_.back().first < kSampleEveryMs) {
        return;
    }
    samples_.emplace_back(nowMs, written);
    while (samples_.size() > 2 && nowMs - samples_[1].first >= kRateOverMs) {
        samples_.pop_front();
    }
}

double RowRate::PerMinute() const {
    if (samples_.size() < 2) {
        return 0;
    }
    const auto& [fromMs, fromRows] = samples_.front();
    const auto& [toMs, toRows] = samples_.back();
    return toMs > fromMs ? (toRows - fromRows) * 60000.0 / static_cast<double>(toMs - fromMs) : 0;
}

}  // namespace vantle
