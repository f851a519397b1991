// Measures the registration readers on a folder of real answers: how many of the fields that a careful
// reader takes from them the program's readers give back. Not a benchmark of speed.
//
//   registry-corpus WHOIS_DIR [RDAP_DIR] [-v]
//
// WHOIS_DIR holds answers/<name> (the WHOIS text) and expected/<name> (JSON: creation_date,
// expiration_date, registrar); RDAP_DIR holds the RDAP answers and EXPECTED.tsv (file, source, created,
// expires, registrar). -v lists every field that disagrees.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "registry/RegistryReaders.h"

namespace fs = std::filesystem;
using vantle::registry::RegistryCells;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Blanks collapsed, case dropped: the wording that counts, not its spelling.
std::string Normal(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
        } else {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

// The accepted values of one field; a date as YYYY-MM-DD, an empty string for "none".
using Accepted = std::vector<std::string>;

struct Expected {
    Accepted created;
    Accepted expires;
    Accepted registrar;
};

// The expected files are not always right; these values were read by hand from the answers (the
// folder's README lists them). An entry replaces what the file says for that field.
struct Correction {
    const char* answer;
    const char* field;
    Accepted values;
};

const std::vector<Correction> kCorrections = {
    {"slashdot.org", "created", {"1997-10-05"}},
    {"davidwalsh.name", "registrar", {"Name.com, Inc."}},
    {"seal.jobs", "registrar", {"GoDaddy.com, LLC"}},
    {"microsoft.com", "registrar", {"TUCOWS INC."}},
    {"amazon.co.uk", "created", {""}},
    {"www.gov.uk", "created", {""}},
    {"google.sk", "registrar", {"FAJNOR IP s. r. o.", "FAJN-0002"}},
    {"google.com.ua", "registrar", {"MarkMonitor Inc.", "ua.markmonitor"}},
    // Not in the README: the answer's "[Registrar]" block names the registrar ("Name: ..."); the file
    // expects none.
    {"google.lv", "registrar", {"MarkMonitor Inc."}},
    {"reddit.com", "registrar", {"DOMAINBANK", "DSTR ACQUISITION PA I, LLC DBA DOMAINBANK.COM"}},
};

std::string DateOf(const nlohmann::json& value) {
    if (value.is_string()) {
        return value.get<std::string>().substr(0, 10);
    }
    if (value.is_array() && !value.empty()) {
        return DateOf(value.front());
    }
    return {};
}

// The expected file is JSON, or a Python literal of the same (None, datetime.datetime(Y, M, D, ...)).
std::optional<Expected> ReadExpected(std::string text) {
    for (std::size_t at; (at = text.find("None")) != std::string::npos;) {
        text.replace(at, 4, "null");
    }
    for (std::size_t at; (at = text.find("datetime.datetime(")) != std::string::npos;) {
        const std::size_t end = text.find(')', at);
        int y = 0, m = 0, d = 0;
        std::sscanf(text.c_str() + at + 18, "%d, %d, %d", &y, &m, &d);
        char day[16];
        std::snprintf(day, sizeof day, "\"%04d-%02d-%02d\"", y, m, d);
        text.replace(at, end + 1 - at, day);
    }
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object()) {
        return std::nullopt;
    }
    Expected e;
    e.created = {DateOf(doc.value("creation_date", nlohmann::json()))};
    e.expires = {DateOf(doc.value("expiration_date", nlohmann::json()))};
    const nlohmann::json registrar = doc.value("registrar", nlohmann::json());
    e.registrar = {registrar.is_string() ? registrar.get<std::string>() : std::string()};
    return e;
}

struct Tally {
    int right = 0;
    int total = 0;
    void Add(bool ok) {
        right += ok ? 1 : 0;
        ++total;
    }
    double Percent() const { return total == 0 ? 0 : 100.0 * right / total; }
};

struct Tallies {
    Tally created, expires, registrar;
    Tally given;  // the fields whose expected value is not empty
    Tally All() const {
        return {created.right + expires.right + registrar.right,
                created.total + expires.total + registrar.total};
    }
};

// A date field agrees when the cell holds the expected day; where none is expected, when the cell holds
// no date and no failure word ("registered" says the name is taken, which is right).
bool DateAgrees(const std::string& cell, const Accepted& accepted, bool createdCell) {
    for (const std::string& day : accepted) {
        if (day.empty() ? (cell.empty() || (createdCell && cell == "registered")) : cell == day) {
            return true;
        }
    }
    return false;
}

bool NameAgrees(const std::string& cell, const Accepted& accepted) {
    return std::any_of(accepted.begin(), accepted.end(),
                       [&](const std::string& name) { return Normal(name) == Normal(cell); });
}

void Compare(const std::string& name, const RegistryCells& got, const Expected& want, Tallies& tallies,
             bool verbose) {
    const auto note = [&](const char* field, bool ok, const std::string& cell, const Accepted& accepted) {
        if (!ok && verbose) {
            std::cout << "  " << name << " " << field << ": got \"" << cell << "\", want \""
                      << accepted.front() << "\"\n";
        }
    };
    const bool created = DateAgrees(got.created, want.created, true);
    const bool expires = DateAgrees(got.expires, want.expires, false);
    const bool registrar = NameAgrees(got.registrar, want.registrar);
    note("created", created, got.created, want.created);
    note("expires", expires, got.expires, want.expires);
    note("registrar", registrar, got.registrar, want.registrar);
    for (const auto& [ok, accepted] : {std::pair{created, &want.created}, std::pair{expires, &want.expires},
                                       std::pair{registrar, &want.registrar}}) {
        if (!accepted->front().empty()) {
            tallies.given.Add(ok);
        }
    }
    tallies.created.Add(created);
    tallies.expires.Add(expires);
    tallies.registrar.Add(registrar);
}

void Print(const char* what, const Tallies& t) {
    const Tally all = t.All();
    std::printf(
        "%-6s created %3d/%-3d (%5.1f %%)  expires %3d/%-3d (%5.1f %%)  registrar %3d/%-3d (%5.1f %%)  "
        "all %3d/%-3d (%5.1f %%)\n",
        what, t.created.right, t.created.total, t.created.Percent(), t.expires.right, t.expires.total,
        t.expires.Percent(), t.registrar.right, t.registrar.total, t.registrar.Percent(), all.right,
        all.total, all.Percent());
    std::printf("%-6s fields with a value expected %3d/%-3d (%5.1f %%)\n", what, t.given.right, t.given.total,
                t.given.Percent());
}

// The answers of one WHOIS server one after the other ("nic.live": IANA's referral, then the
// registry's): a client asks them apart and reads only the last.
std::string LastAnswer(const std::string& text) {
    const std::size_t at = text.rfind("\n# whois.");
    return at == std::string::npos ? text : text.substr(at + 1);
}

Tallies MeasureWhois(const fs::path& dir, bool verbose) {
    Tallies tallies;
    std::vector<fs::path> answers;
    for (const auto& entry : fs::directory_iterator(dir / "answers")) {
        answers.push_back(entry.path());
    }
    std::sort(answers.begin(), answers.end());
    for (const fs::path& path : answers) {
        const std::string name = path.filename().string();
        std::optional<Expected> want = ReadExpected(ReadFile(dir / "expected" / name));
        if (!want) {
            std::cerr << "no expected fields for " << name << "\n";
            continue;
        }
        for (const Correction& c : kCorrections) {
            if (name == c.answer) {
                Accepted& field = std::string_view(c.field) == "created"   ? want->created
                                  : std::string_view(c.field) == "expires" ? want->expires
                                                                           : want->registrar;
                field = c.values;
            }
        }
        Compare(name, vantle::registry::ReadWhois(LastAnswer(ReadFile(path)), name), *want, tallies, verbose);
    }
    return tallies;
}

std::vector<std::string> Split(const std::string& line, char by) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find(by, start)) != std::string::npos; start = at + 1) {
        parts.push_back(line.substr(start, at - start));
    }
    parts.push_back(line.substr(start));
    return parts;
}

Tallies MeasureRdap(const fs::path& dir, bool verbose) {
    Tallies tallies;
    std::istringstream table(ReadFile(dir / "EXPECTED.tsv"));
    for (std::string line; std::getline(table, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::vector<std::string> cells = Split(line, '\t');
        if (cells.size() < 4) {
            continue;
        }
        const Expected want{{cells[2]}, {cells[3]}, {cells.size() > 4 ? cells[4] : std::string()}};
        Compare(cells[0], vantle::registry::ReadRdap(ReadFile(dir / cells[0])), want, tallies, verbose);
    }
    return tallies;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> dirs;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-v") {
            verbose = true;
        } else {
            dirs.push_back(arg);
        }
    }
    if (dirs.empty() || dirs.size() > 2) {
        std::cerr << "usage: registry-corpus WHOIS_DIR [RDAP_DIR] [-v]\n";
        return 1;
    }
    const Tallies whois = MeasureWhois(dirs[0], verbose);
    Print("WHOIS", whois);
    if (dirs.size() == 2) {
        const Tallies rdap = MeasureRdap(dirs[1], verbose);
        Print("RDAP", rdap);
    }
    return 0;
}
