#include "io/Journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "text/Utf8.h"

namespace vantle {

namespace {

using nlohmann::json;
constexpr const char* kJournal = "journal";
constexpr const char* kList = "list";
constexpr std::size_t kMaxJournal = 1u << 30;

std::string PathIn(const std::string& dir, const char* name) {
    return (std::filesystem::path(dir) / name).string();
}

json Utf8List(const std::vector<std::string>& cp1251) {
    json list = json::array();
    for (const std::string& text : cp1251) {
        list.push_back(Cp1251ToUtf8(text));
    }
    return list;
}

std::vector<std::string> Cp1251List(const json& list) {
    std::vector<std::string> out;
    for (const json& item : list) {
        out.push_back(Utf8ToCp1251(item.get<std::string>()));
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::string bytes;
    int error = 0;
    if (!fd || ReadAll(fd.get(), bytes, kMaxJournal, error) != ReadResult::Ok) {
        return {};
    }
    return bytes;
}

// One record into state; a record of the wrong shape throws and is passed over as torn.
void ApplyRecord(const json& record, JournalState& state, int& lastRow) {
    if (record.contains("start")) {
        const json& s = record.at("start");
        state = JournalState{};
        state.start.columns = Cp1251List(s.at("cols"));
        state.start.checks = s.at("checks").get<std::vector<std::string>>();
        state.start.lineCount = s.at("lines").get<int>();
        state.start.listHash = s.at("hash").get<std::string>();
        lastRow = 0;
    } else if (record.contains("row")) {
        JournalRow row;
        row.line = record.at("line").get<int>();
        row.cells = Cp1251List(record.at("cells"));
        row.totals = record.at("totals").get<std::array<std::int32_t, 3>>();
        const int at = record.at("row").get<int>();
        if (row.line < 0) {
            const auto old = state.rows.find(at);
            row.line = old == state.rows.end() ? -1 : old->second.line;
        } else {
            state.resume.reset();
            state.lastLine = row.line;
        }
        state.lastTotals = row.totals;
        state.rows[at] = std::move(row);
        state.done = false;
        lastRow = std::max(lastRow, at);
    } else if (record.contains("resume")) {
        state.resume = std::make_pair(record.at("resume").get<int>(), record.at("at").get<int>());
    } else if (record.contains("done")) {
        state.done = true;
    }
}

}  // namespace

std::string ListHash(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a, 64 bits
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::optional<JournalState> ReadJournal(const std::string& dir) {
    const std::string bytes = ReadFile(PathIn(dir, kJournal));
    std::optional<JournalState> state;
    JournalState current;
    bool started = false;
    int lastRow = 0;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        std::size_t end = bytes.find('\n', begin);
        const bool torn = end == std::string::npos;  // no line end yet: the write was cut
        if (torn) {
            break;
        }
        try {
            const json record = json::parse(std::string_view(bytes).substr(begin, end - begin));
            started = started || record.contains("start");
            if (started) {
                ApplyRecord(record, current, lastRow);
            }
        } catch (const std::exception&) {
            // a record that does not parse is passed over
        }
        begin = end + 1;
    }
    if (!started) {
        return state;
    }
    const std::string list = ReadFile(PathIn(dir, kList));
    if (ListHash(list) == current.start.listHash) {
        current.list = list;
    }
    state = std::move(current);
    return state;
}

bool JournalWriter::Fail(const std::string& what, int errorNumber) {
    error_ = what + ": " + std::strerror(errorNumber);
    fd_ = UniqueFd();
    return false;
}

bool JournalWriter::Append(const std::string& line) {
    if (!fd_) {
        fd_ =
            UniqueFd(::open(PathIn(dir_, kJournal).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
        if (!fd_) {
            return Fail(PathIn(dir_, kJournal), errno);
        }
    }
    if (const int error = WriteAll(fd_.get(), line + "\n")) {
        return Fail(PathIn(dir_, kJournal), error);
    }
    if (::fdatasync(fd_.get()) != 0) {
        return Fail(PathIn(dir_, kJournal), errno);
    }
    error_.clear();
    return true;
}

bool JournalWriter::Start(const JournalStart& start, std::string_view listBytes) {
    std::error_code ignored;
    std::filesystem::create_directories(dir_, ignored);
    fd_ = UniqueFd();
    {
        UniqueFd list(::open(PathIn(dir_, kList).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (!list) {
            return Fail(PathIn(dir_, kList), errno);
        }
        if (const int error = WriteAll(list.get(), listBytes)) {
            return Fail(PathIn(dir_, kList), error);
        }
    }
    UniqueFd fresh(::open(PathIn(dir_, kJournal).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fresh) {
        return Fail(PathIn(dir_, kJournal), errno);
    }
    json record;
    record["start"] = {{"cols", Utf8List(start.columns)},
                       {"checks", start.checks},
                       {"lines", start.lineCount},
                       {"hash", start.listHash}};
    return Append(record.dump());
}

bool JournalWriter::Row(int row, const JournalRow& content) {
    const json record = {
        {"row", row}, {"line", content.line}, {"cells", Utf8List(content.cells)}, {"totals", content.totals}};
    return Append(record.dump());
}

bool JournalWriter::Resume(int line, int row) {
    return Append(json{{"resume", line}, {"at", row}}.dump());
}

bool JournalWriter::Done() {
    return Append(json{{"done", true}}.dump());
}

std::string DefaultStateDir(std::string_view subfolder) {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = std::filesystem::path(home) / ".local" / "state";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    base /= "vantle";
    if (!subfolder.empty()) {
        base /= subfolder;
    }
    return base.string();
}

}  // namespace vantle
