// The benchmarks of the windows and the files. Every case runs in a child process of its own (this
// program started again with "--case <name> <dir>"), so that each peak memory figure is the case's own.
//
//   vantle-bench-gui [benchmark flags]     every case, beside its peer, with the ratios at the end
//   vantle-bench-gui --case NAME DIR       one case, in this process (what the children run)
#include <benchmark/benchmark.h>
#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "ChildCase.h"
#include "DomainLists.h"
#include "GuiCases.h"
#include "RatioReport.h"

namespace vantle::bench {
namespace {

struct GuiCase {
    const char* name;
    CaseOutcome (*run)(const std::string& dir);
    bool needsWindows;  // the case creates a QApplication
};

const GuiCase kCases[] = {
    {"ImportList1M/TForm2", ImportIntoDialog, true},
    {"ImportList1M/QPlainTextEdit", ImportIntoListBox, true},
    {"ImportList1M/QStringList", ImportIntoStringList, true},
    {"OpenDialog1M/TForm2", OpenDialogOnList, true},
    {"OpenDialog1M/QPlainTextEdit", OpenListBoxOnList, true},
    {"EditList1M/TForm2", EditListInDialog, true},
    {"OpenDialog5MiBLine/TForm2", OpenDialogOnLongLine, true},
    {"ReadListFile1M/vantle", ReadWithListFile, false},
    {"ReadListFile1M/getline", ReadWithGetline, false},
    {"CsvExport100k/SaveCsvFile", SaveWithCsvExport, false},
    {"CsvExport100k/ofstream", SaveWithOfstream, false},
    {"TableAppend100k/DomainTableModel", AppendToDomainTable, true},
    {"TableAppend100k/QStandardItemModel", AppendToStandardItemModel, true},
    {"TableSort100k/RowProxyModel", SortWithRowProxy, true},
    {"TableSort100k/QSortFilterProxyModel", SortWithQtProxy, true},
    {"TableFilter100k/RowProxyModel", FilterWithRowProxy, true},
    {"TableFilter100k/QSortFilterProxyModel", FilterWithQtProxy, true},
    {"CheckRun200/TForm1", RunThroughMainWindow, true},
    {"CheckRun200/TForm1+journal", RunThroughMainWindowWithJournal, true},
    {"CheckRun200/CheckRun", RunThroughEngine, false},
    {"Checks200/together", ChecksTogether, false},
    {"Checks200/one_after_another", ChecksOneAfterAnother, false},
    {"Parallel10k/dns+web+ssl", ParallelTenThousand, false},
    {"Parallel100k/dns+web+ssl", ParallelHundredThousand, false},
    {"RankOnly1M/CheckRun", RankOnlyMillion, false},
    {"WhoisPace100/registry", WhoisPaceHundred, false},
};

int RunCaseHere(const GuiCase& c, const std::string& dir, int argc, char** argv) {
    std::unique_ptr<QApplication> app;
    if (c.needsWindows) {
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        app = std::make_unique<QApplication>(argc, argv);
    }
    try {
        const CaseOutcome outcome = c.run(dir);
        ReportChildResult(outcome.seconds, outcome.note);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << c.name << ": " << e.what() << "\n";
        return 1;
    }
}

void MeasureInChild(benchmark::State& state, std::string name, std::string dir) {
    for (auto _ : state) {
        const ChildResult result = RunChildCase({"--case", name, dir});
        if (!result.ok) {
            state.SkipWithError(("the case failed: " + result.output).c_str());
            break;
        }
        state.SetIterationTime(result.seconds);
        state.counters["peak_MiB"] = result.peakMiB;
        state.SetLabel(result.note);
    }
}

std::string MakeScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantle-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

int RunAll(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    const std::string dir = MakeScratchDir();
    if (dir.empty() || !WriteWholeFile(ListFilePath(dir), DomainListFile(kListLines)) ||
        !WriteWholeFile(LongLineFilePath(dir), LongLineFile())) {
        std::cerr << "cannot write the list file\n";
        return 1;
    }
    for (const GuiCase& c : kCases) {
        benchmark::RegisterBenchmark(c.name, MeasureInChild, std::string(c.name), dir)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    const double ideal = kRunDomains * (1.0 / kRunRate);
    RatioReport report({
        {"ImportList1M/TForm2", "ImportList1M/QStringList"},
        {"ImportList1M/TForm2", "ImportList1M/QPlainTextEdit"},
        {"ImportList1M/TForm2", "budget: 2 s, 300 MiB", 2.0, 300},
        {"OpenDialog1M/TForm2", "OpenDialog1M/QPlainTextEdit"},
        {"OpenDialog1M/TForm2", "budget: 0.5 s, 300 MiB", 0.5, 300},
        {"EditList1M/TForm2", "OpenDialog1M/QPlainTextEdit"},
        {"OpenDialog5MiBLine/TForm2", "budget: 0.5 s, 300 MiB", 0.5, 300},
        {"ReadListFile1M/vantle", "ReadListFile1M/getline"},
        {"CsvExport100k/SaveCsvFile", "CsvExport100k/ofstream"},
        {"TableAppend100k/DomainTableModel", "TableAppend100k/QStandardItemModel"},
        {"TableSort100k/RowProxyModel", "TableSort100k/QSortFilterProxyModel"},
        {"TableSort100k/RowProxyModel", "budget: 0.3 s", 0.3},
        {"TableFilter100k/RowProxyModel", "TableFilter100k/QSortFilterProxyModel"},
        {"TableFilter100k/RowProxyModel", "budget: 0.2 s", 0.2},
        {"CheckRun200/TForm1", "ideal: 200 × 100 ms", ideal},
        {"CheckRun200/TForm1+journal", "CheckRun200/TForm1"},
        {"CheckRun200/CheckRun", "ideal: 200 × 100 ms", ideal},
        {"Checks200/together", "Checks200/one_after_another"},
        {"RankOnly1M/CheckRun", "budget: 10 s", 10.0},
    });
    benchmark::RunSpecifiedBenchmarks(&report);
    report.PrintRatios(std::cout);
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}

}  // namespace
}  // namespace vantle::bench

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--case") == 0) {
        for (const auto& c : vantle::bench::kCases) {
            if (c.name == std::string(argv[2])) {
                return vantle::bench::RunCaseHere(c, argv[3], argc, argv);
            }
        }
        std::cerr << "no case " << argv[2] << "\n";
        return 2;
    }
    return vantle::bench::RunAll(argc, argv);
}
