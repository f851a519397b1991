#include "io/Journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <system_error>

#include "io/UserDirs.h"
#include "text/Cp1251.h"
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

std::string ReadFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::string bytes;
    int error = 0;
    if (!fd || ReadAll(fd.get(), bytes, kMaxJournal, error) != ReadResult::Ok) {
        return {};
    }
    return bytes;
}

constexpr std::size_t kMaxColumns = 64;
constexpr std::size_t kMaxChecks = 64;
constexpr int kMaxLinesWithoutList = 1 << 24;
constexpr int kMaxSlots = 64;

// An integer in [low, high], else nullopt (also for a fraction, a string or a number beyond int).
std::optional<int> IntIn(const json* value, long long low, long long high) {
    long long n = 0;
    if (value == nullptr) {
        return std::nullopt;
    } else if (value->is_number_unsigned()) {
        const auto u = value->get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(high)) {
            return std::nullopt;
        }
        n = static_cast<long long>(u);
    } else if (value->is_number_integer()) {
        n = value->get<long long>();
    } else {
        return std::nullopt;
    }
    if (n < low || n > high) {
        return std::nullopt;
    }
    return static_cast<int>(n);
}

const json* Field(const json& record, const char* name) {
    const auto it = record.find(name);
    return it == record.end() ? nullptr : &*it;
}

// An array of at most `most` strings, else nullopt.
std::optional<std::vector<std::string>> Strings(const json* value, std::size_t most) {
    if (value == nullptr || !value->is_array() || value->size() > most) {
        return std::nullopt;
    }
    std::vector<std::string> out;
    for (const json& item : *value) {
        if (!item.is_string()) {
            return std::nullopt;
        }
        out.push_back(item.get<std::string>());
    }
    return out;
}

std::vector<std::string> Cp1251List(std::vector<std::string> utf8) {
    for (std::string& text : utf8) {
        text = Utf8ToCp1251Keeping(text);
    }
    return utf8;
}

// The most lines a list of these bytes can have, however its lines end.
long long LinesIn(std::string_view list) {
    return std::count_if(list.begin(), list.end(), [](char c) { return c == '\n' || c == '\r'; }) + 1;
}

std::optional<JournalStart> StartOf(const json& s, const std::string& list) {
    JournalStart start;
    auto columns = Strings(Field(s, "cols"), kMaxColumns);
    auto checks = Strings(Field(s, "checks"), kMaxChecks);
    const json* hash = Field(s, "hash");
    if (!columns || columns->empty() || !checks || hash == nullptr || !hash->is_string()) {
        return std::nullopt;
    }
    start.listHash = hash->get<std::string>();
    const bool listKnown = ListHash(list) == start.listHash;
    const auto lines = IntIn(Field(s, "lines"), 0, listKnown ? LinesIn(list) : kMaxLinesWithoutList);
    if (!lines) {
        return std::nullopt;
    }
    start.columns = Cp1251List(std::move(*columns));
    start.checks = std::move(*checks);
    start.lineCount = *lines;
    return start;
}

std::optional<std::pair<int, JournalRow>> RowOf(const json& record, const JournalStart& start) {
    const int lines = start.lineCount;
    const auto at = IntIn(Field(record, "row"), 1, lines);
    const auto line = IntIn(Field(record, "line"), -1, lines - 1);
    auto cells = Strings(Field(record, "cells"), start.columns.size());
    const json* totals = Field(record, "totals");
    if (!at || !line || !cells || totals == nullptr || !totals->is_array() || totals->size() != 3) {
        return std::nullopt;
    }
    JournalRow row{*line, Cp1251List(std::move(*cells)), {}};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto count = IntIn(&(*totals)[i], 0, lines);
        if (!count) {
            return std::nullopt;
        }
        row.totals[i] = *count;
    }
    return std::make_pair(*at, std::move(row));
}

// A hand-made cell of a row the journal holds; false when it does not fit.
bool ApplyEdit(const json& record, JournalState& state) {
    const auto at = IntIn(Field(record, "edit"), 1, state.start.lineCount);
    const auto col = IntIn(Field(record, "col"), 0, static_cast<long long>(state.start.columns.size()) - 1);
    const json* text = Field(record, "text");
    const json* hand = Field(record, "hand");
    const auto row = at ? state.rows.find(*at) : state.rows.end();
    if (!col || row == state.rows.end() || text == nullptr || !text->is_string() || hand == nullptr ||
        !hand->is_boolean()) {
        return false;
    }
    std::vector<std::string>& cells = row->second.cells;
    cells.resize(std::max(cells.size(), static_cast<std::size_t>(*col) + 1));
    cells[static_cast<std::size_t>(*col)] = Utf8ToCp1251Keeping(text->get<std::string>());
    if (hand->get<bool>()) {
        state.edited.insert({*at, *col});
    } else {
        state.edited.erase({*at, *col});
    }
    state.done = false;
    return true;
}

// New columns for the journal's table (a check added to it): every row's cells move to the column of
// their header, the new columns empty.
bool ApplyColumns(const json& record, JournalState& state) {
    auto columns = Strings(Field(record, "cols"), kMaxColumns);
    if (!columns || columns->empty()) {
        return false;
    }
    const std::vector<std::string> now = Cp1251List(std::move(*columns));
    const std::vector<std::string>& before = state.start.columns;
    for (auto& [at, row] : state.rows) {
        std::vector<std::string> cells(now.size());
        for (std::size_t c = 0; c < now.size(); ++c) {
            const auto old = std::find(before.begin(), before.end(), now[c]);
            const auto index = static_cast<std::size_t>(old - before.begin());
            if (old != before.end() && index < row.cells.size()) {
                cells[c] = std::move(row.cells[index]);
            }
        }
        row.cells = std::move(cells);
    }
    // Hand-made cells move with their columns; one whose column went is an edit no more.
    std::set<std::pair<int, int>> edited;
    for (const auto& [at, col] : state.edited) {
        const auto to = col < static_cast<int>(before.size())
                            ? std::find(now.begin(), now.end(), before[static_cast<std::size_t>(col)])
                            : now.end();
        if (to != now.end()) {
            edited.insert({at, static_cast<int>(to - now.begin())});
        }
    }
    state.edited = std::move(edited);
    state.start.columns = now;
    return true;
}

// One record after a start into state; false when its values do not fit.
bool ApplyRecord(const json& record, JournalState& state) {
    const int lines = state.start.lineCount;
    if (record.contains("cols")) {
        return ApplyColumns(record, state);
    }
    if (record.contains("row")) {
        auto parsed = RowOf(record, state.start);
        if (!parsed) {
            return false;
        }
        auto& [at, row] = *parsed;
        if (row.line < 0) {
            const auto old = state.rows.find(at);
            row.line = old == state.rows.end() ? -1 : old->second.line;
        } else {
            state.resume.reset();
            state.lastLine = row.line;
        }
        state.lastTotals = row.totals;
        state.rows[at] = std::move(row);
        // The row written anew is the check's answer again: no hand-made cell left in it.
        state.edited.erase(state.edited.lower_bound({at, 0}), state.edited.lower_bound({at + 1, 0}));
        state.done = false;
    } else if (record.contains("edit")) {
        return ApplyEdit(record, state);
    } else if (record.contains("resume")) {
        const auto line = IntIn(Field(record, "resume"), 0, lines);
        const auto at = IntIn(Field(record, "at"), 1, static_cast<long long>(lines) + 1);
        if (!line || !at) {
            return false;
        }
        state.resume = std::make_pair(*line, *at);
    } else if (record.contains("done")) {
        const json* done = Field(record, "done");
        if (!done->is_boolean()) {
            return false;
        }
        state.done = state.done || done->get<bool>();
    }
    return true;
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

std::optional<JournalState> ReadJournalBytes(std::string_view bytes, std::string list) {
    std::optional<JournalState> state;
    JournalState current;
    bool started = false;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        const std::size_t end = bytes.find('\n', begin);
        if (end == std::string_view::npos) {
            break;  // no line end yet: the write was cut
        }
        const json record = json::parse(bytes.substr(begin, end - begin), nullptr, false);
        begin = end + 1;
        if (!record.is_object()) {
            continue;  // a line that does not parse (torn) is passed over
        }
        if (const auto it = record.find("start"); it != record.end()) {
            std::optional<JournalStart> start = it->is_object() ? StartOf(*it, list) : std::nullopt;
            started = start.has_value();
            current = JournalState{};
            if (start) {
                current.start = std::move(*start);
            }
        } else if (started && !ApplyRecord(record, current)) {
            ++current.rejected;
        }
    }
    if (!started) {
        return state;
    }
    if (ListHash(list) == current.start.listHash) {
        current.list = CurrentEscapes(list);  // an earlier version closed its escapes with ";"
    }
    state = std::move(current);
    return state;
}

bool JournalFinished(const std::string& dir) {
    // The last line whole is enough: the record of the end, written once when the table is saved,
    // stays the last one until a row or an edit follows it.
    constexpr std::size_t kTail = 256;
    UniqueFd fd(::open(PathIn(dir, kJournal).c_str(), O_RDONLY | O_CLOEXEC));
    const off_t size = fd ? ::lseek(fd.get(), 0, SEEK_END) : -1;
    if (size <= 0) {
        return false;
    }
    const off_t from = std::max<off_t>(0, size - static_cast<off_t>(kTail));
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    if (::pread(fd.get(), tail.data(), tail.size(), from) != static_cast<ssize_t>(tail.size())) {
        return false;
    }
    tail.erase(tail.rfind('\n') + 1);  // a line cut in its writing is passed over, as a read does
    const std::string done = JournalWriter::DoneLine() + "\n";
    return tail.size() >= done.size() && tail.compare(tail.size() - done.size(), done.size(), done) == 0 &&
           (tail.size() == done.size() ? from == 0 : tail[tail.size() - done.size() - 1] == '\n');
}

std::optional<JournalState> ReadUnfinishedJournal(const std::string& dir) {
    return JournalFinished(dir) ? std::nullopt : ReadJournal(dir);
}

std::optional<JournalState> ReadJournal(const std::string& dir) {
    const std::string bytes = ReadFile(PathIn(dir, kJournal));
    if (bytes.empty()) {
        return std::nullopt;
    }
    return ReadJournalBytes(bytes, ReadFile(PathIn(dir, kList)));
}

void TakeUpToFirstGap(JournalState& state) {
    int expected = 1;
    for (const auto& [row, content] : state.rows) {
        if (row != expected) {
            break;
        }
        ++expected;
    }
    const auto lastKept = state.rows.find(expected - 1);
    const auto after = state.rows.upper_bound(expected - 1);
    if (after == state.rows.end()) {
        return;
    }
    state.unwritten = static_cast<int>(std::distance(after, state.rows.end()));
    state.rows.erase(after, state.rows.end());
    int line = -1;
    for (const auto& [row, content] : state.rows) {
        line = std::max(line, content.line);
    }
    state.lastLine = line;
    state.lastTotals = lastKept == state.rows.end() ? std::array<std::int32_t, 3>{} : lastKept->second.totals;
    state.resume = std::make_pair(line + 1, expected);
}

bool Restorable(const JournalState& state) {
    return !state.done && !state.rows.empty() && !state.list.empty();
}

JournalSlot JournalSlot::Lock(std::string dir, int& errorNumber) {
    JournalSlot slot;
    slot.dir_ = std::move(dir);
    std::error_code made;
    std::filesystem::create_directories(slot.dir_, made);
    const std::string path = PathIn(slot.dir_, "lock");
    UniqueFd lock(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock) {
        errorNumber = errno;
    } else if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        errorNumber = errno;
        lock = UniqueFd();
    } else {
        errorNumber = 0;
        slot.lock_ = std::move(lock);
    }
    if (errorNumber != 0) {
        slot.error_ = path + ": " + std::strerror(errorNumber);
    }
    return slot;
}

JournalSlot JournalSlot::Take(const std::string& base,
                              const std::function<bool(const JournalState&)>& prefer) {
    const auto dirOf = [&base](int n) { return n == 1 ? base : PathIn(base, std::to_string(n).c_str()); };
    std::vector<int> numbers{1};
    std::error_code listed;
    for (const auto& entry : std::filesystem::directory_iterator(base, listed)) {
        const std::string name = entry.path().filename().string();
        const auto n = name.size() <= 2 && name.find_first_not_of("0123456789") == std::string::npos
                           ? std::atoi(name.c_str())
                           : 0;
        if (n >= 2 && n <= kMaxSlots && std::to_string(n) == name) {
            numbers.push_back(n);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    JournalSlot empty;   // the first free slot without rows left unsaved
    JournalSlot spare;   // the first free slot at all
    JournalSlot failed;  // the first slot, held by another copy
    for (const int n : numbers) {
        int error = 0;
        JournalSlot slot = Lock(dirOf(n), error);
        if (!slot.Held()) {
            if (n == 1 && error != EWOULDBLOCK) {
                return slot;  // no lock can be taken below a base that has none
            }
            if (n == 1) {
                failed = std::move(slot);
            }
            continue;
        }
        const std::optional<JournalState> state = ReadUnfinishedJournal(slot.dir_);
        if (state && prefer && prefer(*state)) {
            return slot;
        }
        const bool unsaved = state && !state->done && !state->rows.empty();
        if (!unsaved && !empty.Held()) {
            empty = std::move(slot);
        } else if (!spare.Held()) {
            spare = std::move(slot);
        }
    }
    if (empty.Held()) {
        return empty;
    }
    for (int n = numbers.back() + 1; n <= kMaxSlots; ++n) {
        int error = 0;
        JournalSlot slot = Lock(dirOf(n), error);
        if (slot.Held() || error != EWOULDBLOCK) {
            return slot.Held() || !spare.Held() ? std::move(slot) : std::move(spare);
        }
    }
    return spare.Held() ? std::move(spare) : std::move(failed);
}

JournalWriter::JournalWriter(JournalSlot slot) : dir_(slot.Dir()), slot_(std::move(slot)) {
    if (!slot_.Held()) {
        refusal_ = slot_.Error();
    }
}

bool JournalWriter::Fail(const std::string& what, int errorNumber) {
    error_ = what + ": " + std::strerror(errorNumber);
    fd_ = UniqueFd();
    return false;
}

bool JournalWriter::Append(const std::string& line) {
    if (!refusal_.empty()) {
        error_ = refusal_;
        return false;
    }
    std::string record = line + "\n";
    if (!fd_) {
        const std::string path = PathIn(dir_, kJournal);
        fd_ = UniqueFd(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
        if (!fd_) {
            return Fail(path, errno);
        }
        // A line torn by a crash keeps its bytes; the next record starts on a line of its own.
        char last = '\n';
        const off_t size = ::lseek(fd_.get(), 0, SEEK_END);
        if (size > 0 && ::pread(fd_.get(), &last, 1, size - 1) == 1 && last != '\n') {
            record.insert(record.begin(), '\n');
        }
    }
    if (const int error = WriteAll(fd_.get(), record)) {
        return Fail(PathIn(dir_, kJournal), error);
    }
    if (::fdatasync(fd_.get()) != 0) {
        return Fail(PathIn(dir_, kJournal), errno);
    }
    error_.clear();
    return true;
}

// name written whole under a temporary name, flushed, and renamed over the old one: a crash leaves
// either file, never a part of the new one.
bool JournalWriter::Replace(const char* name, std::string_view bytes) {
    const std::string path = PathIn(dir_, name);
    const std::string temporary = path + ".new";
    UniqueFd file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!file) {
        return Fail(temporary, errno);
    }
    if (const int error = WriteAll(file.get(), bytes)) {
        return Fail(temporary, error);
    }
    if (::fdatasync(file.get()) != 0) {
        return Fail(temporary, errno);
    }
    if (const int error = file.close()) {
        return Fail(temporary, error);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        return Fail(path, errno);
    }
    return true;
}

bool JournalWriter::Start(const JournalStart& start, std::string_view listBytes) {
    if (!refusal_.empty()) {
        error_ = refusal_;
        return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(dir_, ignored);
    fd_ = UniqueFd();
    json record;
    record["start"] = {{"cols", Utf8List(start.columns)},
                       {"checks", start.checks},
                       {"lines", start.lineCount},
                       {"hash", start.listHash}};
    if (!Replace(kList, listBytes) || !Replace(kJournal, record.dump() + "\n")) {
        return false;
    }
    // The renames are safe once the folder that names the files is.
    UniqueFd folder(::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder || ::fsync(folder.get()) != 0) {
        return Fail(dir_, errno);
    }
    error_.clear();
    return true;
}

void JournalWriter::AppendRowLine(std::string& out, int row, const JournalRow& content) {
    // A run writes a line for every row, the bytes of its record dumped whole, made faster. A cell
    // with nothing to escape (no quote, backslash or control character: the rest, UTF-8 made from
    // Windows-1251, stands as it is) is written between its quotes; any other goes through the
    // library's serializer, kept for the thread with the bytes it writes to. The numbers are written
    // as the library writes numbers, under its keys in the order it writes them.
    thread_local json text = json::string_t();
    thread_local std::string dumped;
    thread_local nlohmann::detail::serializer<json> serializer(nlohmann::detail::output_adapter<char>(dumped),
                                                               ' ');
    using namespace std::string_view_literals;
    const auto number = [&out](std::int64_t value) {
        char digits[24];
        out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    out += R"({"cells":[)"sv;
    for (std::size_t i = 0; i < content.cells.size(); ++i) {
        const std::string& cell = content.cells[i];
        bool escaped = false;
        bool ascii = true;
        for (const char c : cell) {
            const auto byte = static_cast<unsigned char>(c);
            escaped = escaped || byte < 0x20 || c == '"' || c == '\\';
            ascii = ascii && byte < 0x80;
        }
        if (i > 0) {
            out += ',';
        }
        if (escaped) {
            text.get_ref<json::string_t&>() = Cp1251ToUtf8(cell);
            dumped.clear();
            serializer.dump(text, false, false, 0);
            out += dumped;
        } else {
            out += '"';
            if (ascii) {
                out += cell;
            } else {
                out += Cp1251ToUtf8(cell);
            }
            out += '"';
        }
    }
    out += R"(],"line":)"sv;
    number(content.line);
    out += R"(,"row":)"sv;
    number(row);
    out += R"(,"totals":[)"sv;
    for (std::size_t i = 0; i < content.totals.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        number(content.totals[i]);
    }
    out += "]}"sv;
}

std::string JournalWriter::RowLine(int row, const JournalRow& content) {
    std::string line;
    AppendRowLine(line, row, content);
    return line;
}

std::string JournalWriter::ResumeLine(int line, int row) {
    return json{{"resume", line}, {"at", row}}.dump();
}

std::string JournalWriter::ColumnsLine(const std::vector<std::string>& columns) {
    return json{{"cols", Utf8List(columns)}}.dump();
}

std::string JournalWriter::DoneLine() {
    return json{{"done", true}}.dump();
}

bool JournalWriter::Row(int row, const JournalRow& content) {
    return Append(RowLine(row, content));
}

bool JournalWriter::Rows(const std::map<int, JournalRow>& rows) {
    std::string records;
    for (const auto& [row, content] : rows) {
        records += records.empty() ? "" : "\n";
        AppendRowLine(records, row, content);
    }
    return records.empty() || Append(records);
}

std::string JournalWriter::EditLine(int row, int col, std::string_view text, bool byHand) {
    return json{{"edit", row}, {"col", col}, {"text", Cp1251ToUtf8(text)}, {"hand", byHand}}.dump();
}

bool JournalWriter::Edit(int row, int col, std::string_view text, bool byHand) {
    return Append(EditLine(row, col, text, byHand));
}

bool JournalWriter::Resume(int line, int row) {
    return Append(ResumeLine(line, row));
}

bool JournalWriter::Done() {
    return Append(DoneLine());
}

std::string DefaultStateDir(std::string_view subfolder) {
    std::filesystem::path base = UserDir("XDG_STATE_HOME", ".local/state");
    if (base.empty()) {
        base = std::filesystem::temp_directory_path();
    }
    base /= "vantle";
    if (!subfolder.empty()) {
        base /= subfolder;
    }
    return base.string();
}

}  // namespace vantle
