#include "toplist/RankCheck.h"

#include <fcntl.h>
#include <libpsl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "toplist/TopListTable.h"

namespace vantle {
namespace {

// The public suffix list: the system's copy when there is one, else the one built into libpsl.
// Loaded once and kept for the process; lookups only read it.
const psl_ctx_t* SuffixList() {
    static const psl_ctx_t* const list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest != nullptr ? latest : psl_builtin();
    }();
    return list;
}

// The whole content of a file; nothing when it cannot be read or is too large.
std::optional<std::string> ReadWhole(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<unsigned long long>(info.st_size) > kMaxTopListBytes) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;  // the file became shorter while it was read: keep what there is
        }
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

std::string RegistrableDomain(const std::string& name) {
    const char* found = psl_registrable_domain(SuffixList(), name.c_str());
    return found == nullptr ? std::string() : std::string(found);
}

std::optional<TopListTable> ReadTopListFile(const std::string& path) {
    std::optional<std::string> bytes = ReadWhole(path);
    if (!bytes) {
        return std::nullopt;
    }
    return TopListTable::FromBytes(*bytes);
}

bool RankCheck::Stamp::operator==(const Stamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

RankCheck::RankCheck(CheckEndpoints endpoints) : endpoints_(std::move(endpoints)) {}

RankCheck::~RankCheck() = default;

void RankCheck::RunStarts() {
    const std::lock_guard lock(mutex_);
    inRuns_ = true;
    lookedThisRun_ = false;
}

bool RankCheck::LookAtFile() {
    const std::lock_guard lock(mutex_);
    const bool look = !inRuns_ || !lookedThisRun_;
    lookedThisRun_ = true;
    return look;
}

// A stat for every name would cost more than the look-up itself over a long list.
std::shared_ptr<const TopListTable> RankCheck::Current() {
    if (!LookAtFile()) {
        const std::lock_guard lock(mutex_);
        return table_;
    }
    struct stat info {};
    std::optional<Stamp> now;
    if (::stat(endpoints_.topListFile.c_str(), &info) == 0) {
        now =
            Stamp{static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino),
                  static_cast<long long>(info.st_size), info.st_mtim};
    }
    std::lock_guard lock(mutex_);
    if (!now) {
        read_.reset();
        table_.reset();
        return nullptr;
    }
    if (read_ && *read_ == *now) {
        return table_;
    }
    std::optional<TopListTable> table = ReadTopListFile(endpoints_.topListFile);
    read_ = now;
    table_ = table ? std::make_shared<const TopListTable>(std::move(*table)) : nullptr;
    return table_;
}

std::vector<std::string> RankCheck::Run(const DomainNames& names, const CancelToken&) {
    try {
        if (endpoints_.topListFile.empty()) {
            return {""};
        }
        const std::shared_ptr<const TopListTable> table = Current();
        if (!table) {
            return {"no list"};
        }
        int rank = table->Rank(names.full);
        if (rank == 0) {
            const std::string registrable = RegistrableDomain(names.full);
            if (!registrable.empty() && registrable != names.full) {
                rank = table->Rank(registrable);
            }
        }
        return {rank == 0 ? std::string() : std::to_string(rank)};
    } catch (...) {
        return {"error"};
    }
}

}  // namespace vantle
