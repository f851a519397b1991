#include "cli/CliMain.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "FWURLPosition/FetchURL.h"
#include "catalog/CheckCatalog.h"
#include "check/CheckRun.h"
#include "check/Texts.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleHost.h"
#include "cli/Interrupt.h"
#include "cli/ListInput.h"
#include "cli/OutputFormat.h"
#include "history/HistoryStore.h"
#include "history/HistoryTable.h"
#include "http/HttpClient.h"
#include "io/FileErrors.h"
#include "io/Journal.h"
#include "links/LinksCheck.h"
#include "text/IntText.h"
#include "text/Utf8.h"

#ifndef VANTLE_VERSION
#define VANTLE_VERSION "0"
#endif

namespace vantle::cli {
namespace {

constexpr char kProgram[] = "vantle-cli";

void Complain(std::ostream& err, const std::string& utf8) {
    err << kProgram << ": " << utf8 << '\n' << std::flush;
}

std::vector<std::string> ReadLines(const std::string& list, std::istream& in) {
    return list == "-" ? ReadListLines(in) : ReadListLines(list);
}

// "не удалось записать таблицу в «FILE»: <reason>", the standard output named as such.
std::string OutputFailed(const CliOptions& options, int errorNumber) {
    const std::string where =
        options.output ? "в «" + *options.output + "»" : std::string("в стандартный вывод");
    return "не удалось записать таблицу " + where +
           (errorNumber > 0 ? ": " + Cp1251ToUtf8(SystemErrorText(errorNumber)) : std::string());
}

// Writes and flushes; the errno of the failure, else 0 (-1 for a failure without one).
int WriteOut(std::ostream& table, const std::string& bytes) {
    errno = 0;
    table << bytes;
    table.flush();
    if (table) {
        return 0;
    }
    return errno != 0 ? errno : -1;
}

// The links check's graph, its index built now when there is none yet, the pass shown as it goes.
// False when Ctrl+C stopped it; a file that cannot be used is told and its cells say so.
bool PrepareGraph(const CheckEndpoints& endpoints, Progress& progress, std::ostream& err) {
    std::stop_source stop;
    const auto started = std::chrono::steady_clock::now();
    const PassProgress shown = [&](std::uint64_t done, std::uint64_t total) {
        if (InterruptWatch::Requested()) {
            stop.request_stop();
        }
        const long long ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
                .count();
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        progress.Show("Граф ссылок: строится указатель, прочитано " + std::to_string(percent) + "% за " +
                          std::to_string(ms / 1000) + " с",
                      percent / 10, ms);
    };
    const LinkGraph graph = PrepareLinkGraph(endpoints, shown, stop.get_token());
    progress.Finish();
    if (graph.pass.problem == RanksProblem::Stopped) {
        return false;
    }
    if (graph.pass.problem != RanksProblem::None) {
        Complain(err, "файл графа «" + endpoints.graphRanksFile +
                          "»: " + Cp1251ToUtf8(RanksProblemText(graph.pass)) +
                          "; в столбцах LinkRank и LinkPR будет «no graph»");
    }
    return true;
}

ProgressStyle StyleFor(const CliOptions& options, bool errIsTerminal) {
    if (options.quiet) {
        return ProgressStyle::Off;
    }
    return errIsTerminal ? ProgressStyle::Terminal : ProgressStyle::Lines;
}

// The output file of -o, when one is named; false (and told) when it cannot be made.
bool OpenOutput(const CliOptions& options, std::ofstream& file, std::ostream& err) {
    if (options.output) {
        file.open(*options.output, std::ios::binary | std::ios::trunc);
        if (!file) {
            Complain(err, CannotCreateText(*options.output, errno));
            return false;
        }
    }
    return true;
}

// The store of answers as the options want it: none with --no-history or when it cannot be used (told
// once; the run goes on without it).
std::unique_ptr<history::HistoryStore> OpenStore(const CliOptions& options, std::ostream& err) {
    if (options.noHistory) {
        return nullptr;
    }
    const std::string path = history::HistoryStore::DefaultPath();
    if (path.empty()) {
        Complain(err, "история ответов не ведётся: не известна домашняя папка");
        return nullptr;
    }
    history::HistoryStore::Options storeOptions;
    storeOptions.keptDays = options.keepDays;
    std::string problem;
    std::unique_ptr<history::HistoryStore> store = history::HistoryStore::Open(
        path, static_cast<std::int64_t>(std::time(nullptr)), storeOptions, problem);
    if (!problem.empty()) {
        Complain(err, Cp1251ToUtf8(problem) + (store ? "" : "; проверка идёт без истории"));
    }
    return store;
}

// --history NAME: the domain's answers, newest first, in the chosen format, to -o FILE or out.
int PrintHistory(const CliOptions& options, std::ostream& standardOut, std::ostream& err) {
    std::ofstream file;
    if (!OpenOutput(options, file, err)) {
        return kExitUsage;
    }
    std::ostream& out = options.output ? file : standardOut;
    const std::unique_ptr<history::HistoryStore> store = OpenStore(options, err);
    if (!store) {
        return kExitFailure;
    }
    const std::vector<std::vector<std::string>> rows =
        history::HistoryTable(store->Answers(Utf8ToCp1251Keeping(*options.history)));
    const CsvTable table{static_cast<int>(rows.size()), static_cast<int>(rows[0].size()),
                         [&rows](int col, int row) {
                             return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
                         }};
    const OutputFormat& format = *FindOutputFormat(options.format);
    if (format.line) {
        out << format.prefix;
        for (const auto& row : rows) {
            out << format.line(row);
        }
    } else {
        format.write(out, table);
    }
    out.flush();
    return out ? kExitChecked : kExitFailure;
}

}  // namespace

int CliMain(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err,
            const ServiceHosts& hosts, const CheckEndpoints& endpoints, bool errIsTerminal) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::variant<CliOptions, CliUsageError> parsed = ParseCliOptions(args);
    if (const auto* error = std::get_if<CliUsageError>(&parsed)) {
        Complain(err, error->message);
        err << "Справка: «" << kProgram << " --help».\n";
        return kExitUsage;
    }
    const CliOptions& options = std::get<CliOptions>(parsed);
    if (options.help) {
        out << HelpText() << std::flush;
        return kExitChecked;
    }
    if (options.version) {
        out << kProgram << ' ' << VANTLE_VERSION << '\n' << std::flush;
        return kExitChecked;
    }

    if (options.history) {
        return PrintHistory(options, out, err);
    }

    ConsoleHost::Settings settings;
    try {
        settings.lines = ReadLines(options.list, in);
    } catch (const std::exception& e) {
        Complain(err, e.what());
        return kExitUsage;
    }
    if (settings.lines.empty()) {
        Complain(err, Cp1251ToUtf8(texts::NeedDomainList()));
        return kExitUsage;
    }
    // The output file is made before the run, so that a name that cannot be written costs no run.
    std::ofstream file;
    if (!OpenOutput(options, file, err)) {
        return kExitUsage;
    }
    std::ostream& table = options.output ? file : out;

    settings.checks = options.checks;
    settings.parallel = options.parallel;
    settings.rateText = IntToStr(options.rate);
    settings.thresholdText = options.threshold.value_or(std::string());
    const std::unique_ptr<history::HistoryStore> store = OpenStore(options, err);
    settings.store = store.get();
    settings.fresh = options.fresh;
    settings.changesOnly = options.changesOnly;
    Progress progress(err, StyleFor(options, errIsTerminal));
    InterruptWatch interrupt;
    CheckEndpoints runEndpoints = endpoints;
    runEndpoints.topListFile = options.topList.value_or(endpoints.topListFile);
    runEndpoints.graphRanksFile = options.graphRanks.value_or(endpoints.graphRanksFile);
    if (options.checks.count("links") > 0 && !runEndpoints.graphRanksFile.empty() &&
        !PrepareGraph(runEndpoints, progress, err)) {
        Complain(err, "чтение файла графа остановлено; ничего не проверено");
        return kExitUsage;
    }
    // The first write of the table that fails (a full disk, a reader gone) stops the run at once.
    int outputError = 0;
    ConsoleHost host(std::move(settings), runEndpoints, err, progress,
                     [&outputError] { return outputError != 0 || InterruptWatch::Requested(); });
    HttpClient http;
    CheckRun run(host, http, hosts, DirectFetcher(hosts));
    run.UseDnsRate(options.dnsRate);
    host.Attach(run);
    std::vector<std::string> checkNames;
    for (std::string_view name : CheckNames()) {
        if (options.checks.count(std::string(name)) > 0) {
            checkNames.emplace_back(name);
        }
    }
    const std::string stateDir = DefaultStateDir("cli");
    const std::string journalDir = host.UseJournal(stateDir, checkNames, options.resume);
    if (options.resume) {
        const std::optional<JournalState> state = ReadUnfinishedJournal(journalDir);
        if (!state || !host.ResumeFrom(*state, run)) {
            Complain(
                err,
                "нечего продолжать: журнал прерванной проверки этого списка с этими проверками не найден");
            return kExitUsage;
        }
    }
    // The CSV formats go out row by row as the run writes them, each flushed: a run that is killed
    // leaves every row it checked in the file. The workbook is written whole at the end.
    const OutputFormat& format = *FindOutputFormat(options.format);
    if (format.line) {
        std::string head = std::string(format.prefix) + format.line(host.SavedRow(0));
        for (const int row : host.SavedRows()) {
            if (row > 0 && options.resume) {
                head += format.line(host.SavedRow(row));
            }
        }
        if (const int error = WriteOut(table, head)) {
            Complain(err, OutputFailed(options, error));
            return kExitFailure;
        }
        host.StreamRows([&](const std::vector<std::string>& cells) {
            if (outputError == 0) {
                outputError = WriteOut(table, format.line(cells));
            }
            if (outputError != 0) {
                run.Button3Click();
            }
        });
    }
    run.Button2Click();
    host.RunEnded();
    progress.Finish();
    host.StreamRows(nullptr);
    if (outputError != 0) {
        Complain(err, OutputFailed(options, outputError));
        return kExitFailure;
    }
    if (host.InfoShown()) {
        return kExitUsage;
    }

    const CsvTable saved = host.Saved();
    if (!format.line) {
        format.write(table, saved);
    }
    if (const int error = WriteOut(table, {})) {
        Complain(err, OutputFailed(options, error));
        return kExitFailure;
    }
    if (InterruptWatch::Requested()) {
        Complain(err, "проверка остановлена; строк в таблице: " + std::to_string(saved.rows - 1));
    } else if (!host.ErrorShown()) {
        host.JournalDone();
    }
    return host.ErrorShown() ? kExitFailure : kExitChecked;
}

}  // namespace vantle::cli
