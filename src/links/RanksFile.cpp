#include "links/RanksFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "io/FileErrors.h"
#include "text/Cp1251.h"

namespace vantle {
namespace {

constexpr std::size_t kReadBytes = std::size_t{1} << 20;
constexpr unsigned kZlibBuffer = 1u << 18;

struct GzCloser {
    void operator()(gzFile_s* file) const { gzclose(file); }
};

class LineSplitter {
public:
    LineSplitter(const RanksSink& sink, RanksPass& pass) : sink_(sink), pass_(pass) {}

    // false once the first line shows the file is no ranks file.
    bool Line(std::string_view line) {
        if (first_) {
            first_ = false;
            if (!IsRanksHeader(line)) {
                pass_.problem = RanksProblem::NotRanks;
                return false;
            }
            return true;
        }
        const RanksLine read = ReadRanksLine(line);
        if (read.kind == RanksLineKind::Entry) {
            ++pass_.entries;
            sink_(read.domain, read.ranks);
        } else if (read.kind == RanksLineKind::Skipped || line.size() > kMaxRanksLine) {
            ++pass_.skipped;
        }
        return true;
    }

    // Walks the complete lines of block; the piece of a line after its last LF is kept for the next.
    bool Block(std::string_view block) {
        while (!block.empty()) {
            const char* lf = static_cast<const char*>(std::memchr(block.data(), '\n', block.size()));
            const std::size_t length =
                lf == nullptr ? block.size() : static_cast<std::size_t>(lf - block.data());
            const std::string_view piece = block.substr(0, length);
            if (lf == nullptr) {
                Keep(piece);
                return true;
            }
            block.remove_prefix(length + 1);
            if (!tooLong_ && carry_.empty()) {
                if (!Line(piece)) {
                    return false;
                }
                continue;
            }
            Keep(piece);
            if (!End()) {
                return false;
            }
        }
        return true;
    }

    // The line kept, which no LF ended (the last line of a file without one at its end).
    bool End() {
        const bool ok = tooLong_ ? Skip() : carry_.empty() || Line(carry_);
        carry_.clear();
        tooLong_ = false;
        return ok;
    }
    bool SawAnything() const { return !first_; }

private:
    void Keep(std::string_view piece) {
        if (tooLong_ || carry_.size() + piece.size() > kMaxRanksLine) {
            tooLong_ = true;
            carry_.clear();
            return;
        }
        carry_.append(piece);
    }
    bool Skip() {
        if (first_) {
            first_ = false;
            pass_.problem = RanksProblem::NotRanks;
            return false;
        }
        ++pass_.skipped;
        return true;
    }

    const RanksSink& sink_;
    RanksPass& pass_;
    std::string carry_;
    bool tooLong_ = false;
    bool first_ = true;
};

}  // namespace

RanksPass PassRanksFile(const std::string& path, const RanksSink& sink, const PassProgress& progress,
                        std::stop_token stop) {
    RanksPass pass;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        pass.problem = RanksProblem::CannotOpen;
        pass.detail = fd < 0 ? SystemErrorText(errno) : SystemErrorText(EISDIR);
        if (fd >= 0) {
            ::close(fd);
        }
        return pass;
    }
    const std::unique_ptr<gzFile_s, GzCloser> gz(gzdopen(fd, "rb"));
    if (!gz) {
        ::close(fd);
        pass.problem = RanksProblem::CannotOpen;
        pass.detail = SystemErrorText(ENOMEM);
        return pass;
    }
    gzbuffer(gz.get(), kZlibBuffer);
    const auto total = static_cast<std::uint64_t>(info.st_size);
    std::vector<char> buffer(kReadBytes);
    LineSplitter lines(sink, pass);
    while (true) {
        if (stop.stop_requested()) {
            pass.problem = RanksProblem::Stopped;
            return pass;
        }
        const int got = gzread(gz.get(), buffer.data(), static_cast<unsigned>(buffer.size()));
        if (got > 0 && !lines.Block({buffer.data(), static_cast<std::size_t>(got)})) {
            return pass;
        }
        if (progress) {
            const z_off_t at = gzoffset(gz.get());
            progress(at > 0 ? std::min<std::uint64_t>(static_cast<std::uint64_t>(at), total) : 0, total);
        }
        if (got > 0) {
            continue;
        }
        int code = Z_OK;
        const char* message = gzerror(gz.get(), &code);
        if (!lines.End()) {
            return pass;
        }
        if (got < 0 && code != Z_ERRNO) {
            pass.problem = RanksProblem::Corrupt;
            pass.detail = message != nullptr ? message : "";
        } else if (!lines.SawAnything()) {
            pass.problem = RanksProblem::NotRanks;
        } else if (code == Z_BUF_ERROR) {
            pass.problem = RanksProblem::Truncated;
        } else if (code == Z_ERRNO) {
            pass.problem = RanksProblem::Corrupt;
            pass.detail = SystemErrorText(errno);
        } else if (code != Z_OK) {
            pass.problem = RanksProblem::Corrupt;
            pass.detail = message != nullptr ? message : "";
        }
        if (progress) {
            progress(total, total);
        }
        return pass;
    }
}

std::string RanksProblemText(const RanksPass& pass) {
    const std::string because = pass.detail.empty() ? std::string() : ": " + pass.detail;
    switch (pass.problem) {
        case RanksProblem::None:
            return {};
        case RanksProblem::CannotOpen:
            return Utf16ToCp1251(u"не открыть") + because;
        case RanksProblem::NotRanks:
            return Utf16ToCp1251(u"не файл рангов графа: первая строка не заголовок «#harmonicc_pos ...»");
        case RanksProblem::Truncated:
            return Utf16ToCp1251(u"файл оборван: сжатый поток кончился раньше конца");
        case RanksProblem::Corrupt:
            return Utf16ToCp1251(u"файл повреждён") + because;
        case RanksProblem::Stopped:
            return Utf16ToCp1251(u"чтение остановлено");
        case RanksProblem::CannotIndex:
            return Utf16ToCp1251(u"указатель графа не записать") + because;
    }
    return {};
}

}  // namespace vantle
