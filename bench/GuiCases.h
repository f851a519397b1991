#pragma once
// The cases that run in a child process each (see ChildCase.h). A case does its work once, checks
// that the work was done, and returns the seconds of its measured part; it throws CaseFailed when the
// work went wrong. `dir` is a scratch folder that holds the 1M-line list file.

#include <cstddef>
#include <stdexcept>
#include <string>

namespace vantle::bench {

struct CaseFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct CaseOutcome {
    double seconds = 0;
    std::string note;  // a short breakdown shown beside the figure
};

inline constexpr int kListLines = 1000000;
inline constexpr std::size_t kLongLineBytes = 5 * 1024 * 1024;
inline constexpr int kTableRows = 100000;
inline constexpr int kRunDomains = 200;
inline constexpr int kRunRate = 10;

// The list file that the import cases read.
std::string ListFilePath(const std::string& dir);
// A wrong file imported as a list: 5 MiB of a script without a single line break.
std::string LongLineFilePath(const std::string& dir);
std::string LongLineFile();

// The import into the entry dialog: ReadListFile, TForm2::SetListText, TForm2::LineCount.
CaseOutcome ImportIntoDialog(const std::string& dir);
// Opening the entry dialog on that list: it shows in the read-only view.
CaseOutcome OpenDialogOnList(const std::string& dir);
// Its peer, what the opening did before: the list box filled with the list and shown.
CaseOutcome OpenListBoxOnList(const std::string& dir);
// "Редактировать" in the dialog opened on that list: the list box filled on demand.
CaseOutcome EditListInDialog(const std::string& dir);
// Opening the entry dialog on the 5 MiB one-line file.
CaseOutcome OpenDialogOnLongLine(const std::string& dir);
// The list box filled directly (QPlainTextEdit::setPlainText of the decoded list).
CaseOutcome ImportIntoListBox(const std::string& dir);
// Its peer: ReadListFile, decoding to a QString and splitting it into a QStringList.
CaseOutcome ImportIntoStringList(const std::string& dir);
// ReadListFile and counting the lines of the text.
CaseOutcome ReadWithListFile(const std::string& dir);
// Its peer: std::ifstream and std::getline into a vector of lines.
CaseOutcome ReadWithGetline(const std::string& dir);
// SaveCsvFile of a 100,000-row table.
CaseOutcome SaveWithCsvExport(const std::string& dir);
// Its peer: the same bytes through std::ofstream.
CaseOutcome SaveWithOfstream(const std::string& dir);
// 100,000 rows appended to DomainTableModel as the run does (cells of row RowCount, then SetRowCount),
// with a QTableView showing the model.
CaseOutcome AppendToDomainTable(const std::string& dir);
// Its peer: QStandardItemModel::appendRow with the same view.
CaseOutcome AppendToStandardItemModel(const std::string& dir);
// A 100,000-row table shown by the grid's proxy, sorted by a text, a number and a date column (the
// slowest counts), and filtered by three terms; their peers: QSortFilterProxyModel on its own.
CaseOutcome SortWithRowProxy(const std::string& dir);
CaseOutcome SortWithQtProxy(const std::string& dir);
CaseOutcome FilterWithRowProxy(const std::string& dir);
CaseOutcome FilterWithQtProxy(const std::string& dir);
// 200 domains at rate 10 with every check that answers today, each service answering after 50 ms:
// the checks of a domain together, as the run does them, and one after another.
CaseOutcome ChecksTogether(const std::string& dir);
CaseOutcome ChecksOneAfterAnother(const std::string& dir);
// 10,000 names, DNS, web and certificate, 64 at once, with dead and hanging sites.
CaseOutcome ParallelTenThousand(const std::string& dir);
CaseOutcome ParallelHundredThousand(const std::string& dir);
// 100 .ru names with the registration check: the busiest minute of the simulated registry's log.
CaseOutcome WhoisPaceHundred(const std::string& dir);
// Rank alone over a million names and a million-line list.
CaseOutcome RankOnlyMillion(const std::string& dir);
// A 200-domain run at rate 10 against the simulator through the real main window.
CaseOutcome RunThroughMainWindow(const std::string& dir);
// The same with the journal on: every row written to it and flushed to the disk.
CaseOutcome RunThroughMainWindowWithJournal(const std::string& dir);
// The same run through CheckRun with the real HTTP client and a host without windows.
CaseOutcome RunThroughEngine(const std::string& dir);

}  // namespace vantle::bench
