#include "links/GraphIndex.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "io/FileErrors.h"
#include "io/PosixFile.h"

namespace vantle {
namespace {

namespace fs = std::filesystem;

// The index is read on the machine that wrote it: numbers are in the machine's own byte order.
constexpr std::array<char, 8> kMagic = {'V', 'N', 'T', 'L', 'G', 'R', 'F', '1'};
constexpr std::size_t kBuckets = 256;
// Every kBlock-th key is kept in memory; a look-up then reads one block of entries.
constexpr std::size_t kBlock = 256;
constexpr std::size_t kDetailBytes = 256;
constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kEntriesAt = kHeaderBytes;
constexpr std::size_t kBucketBuffer = std::size_t{1} << 16;
// A bucket is sorted in memory: one larger than this is a file no graph release comes near.
constexpr std::uint64_t kMaxBucketBytes = std::uint64_t{1} << 30;

struct Header {
    std::array<char, 8> magic = kMagic;
    std::uint32_t problem = 0;
    std::uint32_t detailLength = 0;
    FileStamp source;
    std::uint64_t count = 0;
    std::uint64_t entries = 0;
    std::uint64_t skipped = 0;
    std::array<char, kDetailBytes> detail{};
};
static_assert(sizeof(Header) <= kHeaderBytes);

struct Entry {
    std::uint64_t key;
    LinkRanks ranks;
};
static_assert(sizeof(Entry) == 16);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool Known(std::uint32_t problem) {
    return problem <= static_cast<std::uint32_t>(RanksProblem::CannotIndex);
}

// The temporary folder of one build, removed with what is left in it.
class WorkFolder {
public:
    explicit WorkFolder(const fs::path& beside) {
        std::string pattern = beside.string() + ".part-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~WorkFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The entries of one pass, spread over the bucket files by the top byte of their keys.
class Spreader {
public:
    bool Open(const fs::path& folder) {
        buffers_.resize(kBuckets * kBucketBuffer);
        for (std::size_t b = 0; b < kBuckets; ++b) {
            std::FILE* file = std::fopen((folder / std::to_string(b)).c_str(), "w+be");
            if (file == nullptr) {
                error_ = errno;
                return false;
            }
            std::setvbuf(file, buffers_.data() + b * kBucketBuffer, _IOFBF, kBucketBuffer);
            files_[b].reset(file);
        }
        return true;
    }
    void Add(std::string_view domain, const LinkRanks& ranks) {
        const Entry entry{GraphKey(domain), ranks};
        if (error_ == 0 && std::fwrite(&entry, sizeof entry, 1, files_[entry.key >> 56].get()) != 1) {
            error_ = errno != 0 ? errno : EIO;
        }
    }
    int Error() const { return error_; }
    std::FILE* Bucket(std::size_t b) const { return files_[b].get(); }

private:
    std::vector<char> buffers_;
    std::array<std::unique_ptr<std::FILE, FileCloser>, kBuckets> files_;
    int error_ = 0;
};

int WriteAt(int fd, const void* data, std::size_t bytes, std::uint64_t at) {
    const auto* from = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t put = ::pwrite(fd, from, bytes, static_cast<off_t>(at));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return put < 0 ? errno : EIO;
        }
        from += put;
        bytes -= static_cast<std::size_t>(put);
        at += static_cast<std::uint64_t>(put);
    }
    return 0;
}

// Reads one bucket, sorts it and merges the entries of one key; 0 or an errno.
int SortedBucket(std::FILE* file, std::vector<Entry>& entries) {
    if (std::fflush(file) != 0 || std::fseek(file, 0, SEEK_END) != 0) {
        return errno;
    }
    const long bytes = std::ftell(file);
    if (bytes < 0 || static_cast<std::uint64_t>(bytes) > kMaxBucketBytes) {
        return bytes < 0 ? errno : EFBIG;
    }
    entries.resize(static_cast<std::size_t>(bytes) / sizeof(Entry));
    std::rewind(file);
    if (std::fread(entries.data(), sizeof(Entry), entries.size(), file) != entries.size()) {
        return EIO;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (kept > 0 && entries[kept - 1].key == entries[i].key) {
            LinkRanks& ranks = entries[kept - 1].ranks;
            ranks.harmonic = std::min(ranks.harmonic, entries[i].ranks.harmonic);
            ranks.pagerank = std::min(ranks.pagerank, entries[i].ranks.pagerank);
        } else {
            entries[kept++] = entries[i];
        }
    }
    entries.resize(kept);
    return 0;
}

// Writes the index (entries from the buckets, or none for a file with a problem) to out.
int WriteIndex(int out, const RanksPass& pass, const FileStamp& source, const Spreader* spread) {
    Header header;
    header.problem = static_cast<std::uint32_t>(pass.problem);
    header.source = source;
    header.entries = pass.entries;
    header.skipped = pass.skipped;
    header.detailLength = static_cast<std::uint32_t>(std::min(pass.detail.size(), kDetailBytes));
    std::memcpy(header.detail.data(), pass.detail.data(), header.detailLength);
    std::vector<std::uint64_t> fences;
    std::uint64_t at = kEntriesAt;
    if (spread != nullptr) {
        std::vector<Entry> entries;
        for (std::size_t b = 0; b < kBuckets; ++b) {
            if (const int error = SortedBucket(spread->Bucket(b), entries); error != 0) {
                return error;
            }
            for (std::size_t i = (kBlock - header.count % kBlock) % kBlock; i < entries.size(); i += kBlock) {
                fences.push_back(entries[i].key);
            }
            const std::size_t bytes = entries.size() * sizeof(Entry);
            if (const int error = WriteAt(out, entries.data(), bytes, at); error != 0) {
                return error;
            }
            at += bytes;
            header.count += entries.size();
        }
    }
    std::array<char, kHeaderBytes> head{};
    std::memcpy(head.data(), &header, sizeof header);
    if (const int error = WriteAt(out, fences.data(), fences.size() * sizeof(std::uint64_t), at);
        error != 0) {
        return error;
    }
    return WriteAt(out, head.data(), head.size(), 0);
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return FileStamp{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                     static_cast<std::uint64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtim.tv_sec),
                     static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

// FNV-1a, its bits then spread by the finaliser of SplitMix64, so that the top byte picks buckets evenly.
std::uint64_t GraphKey(std::string_view domain) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : domain) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9ULL;
    hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebULL;
    return hash ^ (hash >> 31);
}

std::optional<GraphIndex> GraphIndex::Open(const fs::path& file, const FileStamp& source) {
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    Header header;
    if (!fd || ::fstat(fd.get(), &info) != 0 ||
        ::pread(fd.get(), &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
        header.magic != kMagic || !(header.source == source) || !Known(header.problem) ||
        header.detailLength > kDetailBytes || (header.problem != 0 && header.count != 0) ||
        header.count > static_cast<std::uint64_t>(info.st_size) / sizeof(Entry)) {
        return std::nullopt;
    }
    const std::uint64_t fences = (header.count + kBlock - 1) / kBlock;
    if (static_cast<std::uint64_t>(info.st_size) !=
        kEntriesAt + header.count * sizeof(Entry) + fences * sizeof(std::uint64_t)) {
        return std::nullopt;
    }
    GraphIndex index;
    index.fences_.resize(static_cast<std::size_t>(fences));
    const std::size_t fenceBytes = index.fences_.size() * sizeof(std::uint64_t);
    const auto fencesAt = static_cast<off_t>(kEntriesAt + header.count * sizeof(Entry));
    if (fenceBytes > 0 &&
        ::pread(fd.get(), index.fences_.data(), fenceBytes, fencesAt) != static_cast<ssize_t>(fenceBytes)) {
        return std::nullopt;
    }
    if (!std::is_sorted(index.fences_.begin(), index.fences_.end())) {
        return std::nullopt;
    }
    index.fd_ = std::move(fd);
    index.count_ = header.count;
    index.fileBytes_ = static_cast<std::uint64_t>(info.st_size);
    index.pass_.problem = static_cast<RanksProblem>(header.problem);
    index.pass_.detail.assign(header.detail.data(), header.detailLength);
    index.pass_.entries = header.entries;
    index.pass_.skipped = header.skipped;
    return index;
}

std::optional<LinkRanks> GraphIndex::Find(std::string_view domain) const {
    if (count_ == 0 || domain.empty()) {
        return std::nullopt;
    }
    const std::uint64_t key = GraphKey(domain);
    const auto after = std::upper_bound(fences_.begin(), fences_.end(), key);
    if (after == fences_.begin()) {
        return std::nullopt;
    }
    const auto block = static_cast<std::uint64_t>(after - fences_.begin() - 1);
    const std::uint64_t first = block * kBlock;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, count_ - first));
    std::array<Entry, kBlock> entries;
    const std::size_t bytes = count * sizeof(Entry);
    if (::pread(fd_.get(), entries.data(), bytes, static_cast<off_t>(kEntriesAt + first * sizeof(Entry))) !=
        static_cast<ssize_t>(bytes)) {
        return std::nullopt;
    }
    const auto found =
        std::lower_bound(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(count), key,
                         [](const Entry& entry, std::uint64_t k) { return entry.key < k; });
    if (found == entries.begin() + static_cast<std::ptrdiff_t>(count) || found->key != key) {
        return std::nullopt;
    }
    return found->ranks;
}

RanksPass BuildGraphIndex(const std::string& source, const fs::path& file, const PassProgress& progress,
                          std::stop_token stop) {
    auto cannotIndex = [](int error) {
        RanksPass pass;
        pass.problem = RanksProblem::CannotIndex;
        pass.detail = SystemErrorText(error);
        return pass;
    };
    const std::optional<FileStamp> stamp = StampOf(source);
    std::error_code made;
    fs::create_directories(file.parent_path(), made);
    if (made) {
        return cannotIndex(made.value());
    }
    WorkFolder work(file);
    if (work.path().empty()) {
        return cannotIndex(errno);
    }
    Spreader spread;
    if (!spread.Open(work.path())) {
        return cannotIndex(spread.Error());
    }
    RanksPass pass = PassRanksFile(
        source, [&spread](std::string_view domain, const LinkRanks& ranks) { spread.Add(domain, ranks); },
        progress, stop);
    if (spread.Error() != 0) {
        return cannotIndex(spread.Error());
    }
    // A file that vanished, or a stop, says nothing lasting about the file.
    if (!stamp || pass.problem == RanksProblem::CannotOpen || pass.problem == RanksProblem::Stopped) {
        return pass;
    }
    const fs::path part = work.path() / "index";
    UniqueFd out(::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!out) {
        return cannotIndex(errno);
    }
    if (const int error =
            WriteIndex(out.get(), pass, *stamp, pass.problem == RanksProblem::None ? &spread : nullptr);
        error != 0) {
        return cannotIndex(error);
    }
    if (const int error = out.close(); error != 0) {
        return cannotIndex(error);
    }
    std::error_code renamed;
    fs::rename(part, file, renamed);
    if (renamed) {
        return cannotIndex(renamed.value());
    }
    return pass;
}

}  // namespace vantle
