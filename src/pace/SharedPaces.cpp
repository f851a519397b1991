#include "pace/SharedPaces.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <utility>
#include <vector>

namespace vantle {
namespace {

// Longer than any wait a service may ask for: a time further ahead was written before a restart.
constexpr auto kFurthest = std::chrono::hours(24);
// Places of one service in the lock file: at most this many at once are shared.
constexpr int kMostPlaces = 16;

std::uint64_t KeyHash(std::string_view key) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : key) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return hash;
}

bool RangeLock(int fd, short type, long long at) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(at);
    range.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &range) == 0;
}

int OpenIn(const std::string& dir, const char* name) {
    const std::string path = dir + "/" + name;
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

bool MakeDirs(const std::string& dir) {
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, at);
        if (got <= 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        at += got;
    }
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (put <= 0) {
            return;
        }
        done += static_cast<std::size_t>(put);
    }
    if (::ftruncate(fd, static_cast<off_t>(text.size())) != 0) {
        return;
    }
}

std::mutex& ProcessMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<SharedPaces>& ProcessShared() {
    static std::shared_ptr<SharedPaces> shared;
    return shared;
}

}  // namespace

SharedPaces::Slot::Slot(Slot&& other) noexcept
    : owner_(std::exchange(other.owner_, nullptr)), at_(std::exchange(other.at_, -1)) {}

SharedPaces::Slot& SharedPaces::Slot::operator=(Slot&& other) noexcept {
    if (this != &other) {
        Free();
        owner_ = std::exchange(other.owner_, nullptr);
        at_ = std::exchange(other.at_, -1);
    }
    return *this;
}

void SharedPaces::Slot::Free() {
    if (owner_ != nullptr) {
        std::exchange(owner_, nullptr)->FreePlace(std::exchange(at_, -1));
    }
}

SharedPaces::SharedPaces(const std::string& dir) {
    if (dir.empty() || !MakeDirs(dir)) {
        return;
    }
    state_ = OpenIn(dir, "paces");
    slots_ = OpenIn(dir, "paces.places");
}

SharedPaces::~SharedPaces() {
    if (state_ >= 0) {
        ::close(state_);
    }
    if (slots_ >= 0) {
        ::close(slots_);
    }
}

void SharedPaces::Update(std::string_view key, SteadyTime now, const std::function<void(Entry&)>& change) {
    if (!Usable() || key.find_first_of(" \t\n") != std::string_view::npos) {
        Entry ignored;
        change(ignored);
        return;
    }
    if (::flock(state_, LOCK_EX) != 0) {
        Entry ignored;
        change(ignored);
        return;
    }
    const auto sane = [now](SteadyTime::rep count) {
        const SteadyTime at{SteadyTime::duration(count)};
        return at > now + kFurthest ? SteadyTime{} : at;
    };
    std::istringstream in(ReadAll(state_));
    std::ostringstream out;
    Entry mine;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        SteadyTime::rep next = 0;
        SteadyTime::rep backoff = 0;
        int streak = 0;
        if (!(fields >> name >> next >> backoff >> streak)) {
            continue;
        }
        const Entry entry{sane(next), sane(backoff), streak};
        if (name == key) {
            mine = entry;
        } else if (entry.nextStart > now || entry.backoffUntil > now || entry.streak > 0) {
            out << name << ' ' << entry.nextStart.time_since_epoch().count() << ' '
                << entry.backoffUntil.time_since_epoch().count() << ' ' << entry.streak << '\n';
        }
    }
    change(mine);
    if (mine.nextStart > now || mine.backoffUntil > now || mine.streak > 0) {
        out << key << ' ' << mine.nextStart.time_since_epoch().count() << ' '
            << mine.backoffUntil.time_since_epoch().count() << ' ' << mine.streak << '\n';
    }
    WriteAll(state_, out.str());
    ::flock(state_, LOCK_UN);
}

std::optional<SharedPaces::Slot> SharedPaces::TrySlot(std::string_view key, int atOnce) {
    if (!Usable() || atOnce <= 0) {
        return Slot();
    }
    const long long base = static_cast<long long>(KeyHash(key) % (1ull << 32)) * kMostPlaces;
    const std::lock_guard lock(placesMutex_);
    for (int place = 0; place < std::min(atOnce, kMostPlaces); ++place) {
        if (!held_.contains(base + place) && RangeLock(slots_, F_WRLCK, base + place)) {
            held_.insert(base + place);
            return Slot(this, base + place);
        }
    }
    return std::nullopt;
}

void SharedPaces::FreePlace(long long at) {
    const std::lock_guard lock(placesMutex_);
    RangeLock(slots_, F_UNLCK, at);
    held_.erase(at);
}

std::string DefaultPaceStateDir() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/') {
        return std::string(runtime) + "/vantle";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return std::string(home) + "/.cache/vantle";
    }
    return {};
}

void SharePacesIn(const std::string& dir) {
    auto shared = std::make_shared<SharedPaces>(dir);
    const std::lock_guard lock(ProcessMutex());
    ProcessShared() = shared->Usable() ? std::move(shared) : nullptr;
}

std::shared_ptr<SharedPaces> ProcessSharedPaces() {
    const std::lock_guard lock(ProcessMutex());
    return ProcessShared();
}

}  // namespace vantle
