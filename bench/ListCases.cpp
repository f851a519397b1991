// The list import, the list file and the CSV export.
#include <QApplication>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <string_view>

#include "GuiCases.h"
#include "check/DomainTable.h"
#include "dialogs/ListHandOver.h"
#include "dialogs/QtText.h"
#include "dialogs/TForm2.h"
#include "io/CsvExport.h"
#include "io/ListFile.h"

namespace vantle::bench {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Expect(bool ok, const char* what) {
    if (!ok) {
        throw CaseFailed(what);
    }
}

int CountLines(const std::string& text) {
    const auto breaks = std::count(text.begin(), text.end(), '\n');
    return static_cast<int>(breaks) + (text.empty() || text.back() == '\n' ? 0 : 1);
}

class NoHandOver : public ListHandOver {
public:
    void HandOver(int) override {}
};

// 100,000 result rows as a run leaves them.
DomainTable ResultTable() {
    DomainTable table({"Domain", "Tic", "Status", "Yaca"});
    for (int row = 1; row <= kTableRows; ++row) {
        table.SetCell(0, row, "www.site" + std::to_string(row) + ".ru");
        table.SetCell(1, row, std::to_string((row % 40) * 10));
        table.SetCell(2, row, row % 11 == 0 ? "Vantle: \"main" + std::to_string(row) + ".ru\"" : "OK");
        table.SetCell(3, row, row % 5 == 0 ? "Yes" : "");
        table.SetRowCount(row + 1);
    }
    return table;
}

}  // namespace

std::string ListFilePath(const std::string& dir) {
    return dir + "/list-1m.txt";
}

std::string LongLineFilePath(const std::string& dir) {
    return dir + "/one-line-5mb.txt";
}

std::string LongLineFile() {
    constexpr std::string_view kScript = "function f(a){return a.b.c+1};var x=f({b:{c:2}});";
    std::string bytes;
    bytes.reserve(kLongLineBytes + kScript.size());
    while (bytes.size() < kLongLineBytes) {
        bytes += kScript;
    }
    bytes.resize(kLongLineBytes);
    return bytes;
}

CaseOutcome ImportIntoDialog(const std::string& dir) {
    NoHandOver mainWindow;
    TForm2 form2(mainWindow);
    const auto start = Clock::now();
    form2.SetListText(ReadListFile(ListFilePath(dir)));
    const int lines = form2.LineCount();
    const double seconds = SecondsSince(start);
    Expect(lines == kListLines, "the dialog does not hold every line");
    return {seconds, {}};
}

CaseOutcome OpenDialogOnList(const std::string& dir) {
    NoHandOver mainWindow;
    TForm2 form2(mainWindow);
    form2.SetListText(ReadListFile(ListFilePath(dir)));
    const auto start = Clock::now();
    form2.show();
    QApplication::processEvents();
    const double seconds = SecondsSince(start);
    auto* view = form2.findChild<QListView*>(QStringLiteral("ListView1"));
    Expect(form2.ReadOnlyView() && view != nullptr && view->isVisible() &&
               view->model()->rowCount() == kListLines && form2.LineCount() == kListLines,
           "the view does not show the list");
    return {seconds, {}};
}

CaseOutcome OpenListBoxOnList(const std::string& dir) {
    QPlainTextEdit box;
    const QString text = FromCp1251(ReadListFile(ListFilePath(dir)));
    const auto start = Clock::now();
    box.setPlainText(text);
    box.show();
    QApplication::processEvents();
    const double seconds = SecondsSince(start);
    Expect(box.document()->blockCount() == kListLines + 1, "the box does not hold the list");
    return {seconds, {}};
}

CaseOutcome EditListInDialog(const std::string& dir) {
    NoHandOver mainWindow;
    TForm2 form2(mainWindow);
    form2.SetListText(ReadListFile(ListFilePath(dir)));
    form2.show();
    QApplication::processEvents();
    const auto start = Clock::now();
    form2.findChild<QPushButton*>(QStringLiteral("Button4"))->click();
    QApplication::processEvents();
    const double seconds = SecondsSince(start);
    auto* box = form2.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    Expect(!form2.ReadOnlyView() && box->isVisible() && box->document()->blockCount() == kListLines + 1,
           "the box does not hold the list");
    return {seconds, {}};
}

CaseOutcome OpenDialogOnLongLine(const std::string& dir) {
    NoHandOver mainWindow;
    TForm2 form2(mainWindow);
    form2.SetListText(ReadListFile(LongLineFilePath(dir)));
    const auto start = Clock::now();
    form2.show();
    QApplication::processEvents();
    const double seconds = SecondsSince(start);
    Expect(form2.ReadOnlyView() && form2.LineCount() == 1 && form2.Line(0).size() == kLongLineBytes,
           "the view does not show the line");
    return {seconds, {}};
}

CaseOutcome ImportIntoListBox(const std::string& dir) {
    QPlainTextEdit box;
    const auto start = Clock::now();
    box.setPlainText(FromCp1251(ReadListFile(ListFilePath(dir))));
    const int blocks = box.document()->blockCount();
    const double seconds = SecondsSince(start);
    Expect(blocks == kListLines + 1, "the box does not hold every line");
    return {seconds, {}};
}

CaseOutcome ImportIntoStringList(const std::string& dir) {
    const auto start = Clock::now();
    const QStringList lines = FromCp1251(ReadListFile(ListFilePath(dir))).split(QLatin1Char('\n'));
    const auto count = lines.size() - (lines.isEmpty() || lines.back().isEmpty() ? 1 : 0);
    const double seconds = SecondsSince(start);
    Expect(count == kListLines, "the list does not hold every line");
    return {seconds, {}};
}

CaseOutcome ReadWithListFile(const std::string& dir) {
    const auto start = Clock::now();
    const std::string text = ReadListFile(ListFilePath(dir));
    const int lines = CountLines(text);
    const double seconds = SecondsSince(start);
    Expect(lines == kListLines, "wrong line count");
    return {seconds, {}};
}

CaseOutcome ReadWithGetline(const std::string& dir) {
    const auto start = Clock::now();
    std::ifstream in(ListFilePath(dir), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
    }
    const double seconds = SecondsSince(start);
    Expect(static_cast<int>(lines.size()) == kListLines, "wrong line count");
    return {seconds, {}};
}

CaseOutcome SaveWithCsvExport(const std::string& dir) {
    const DomainTable table = ResultTable();
    const CsvTable csv{table.RowCount(), table.ColCount(),
                       [&table](int col, int row) { return table.Cell(col, row); }};
    const auto start = Clock::now();
    SaveCsvFile(dir + "/export.csv", csv);
    return {SecondsSince(start), {}};
}

CaseOutcome SaveWithOfstream(const std::string& dir) {
    const DomainTable table = ResultTable();
    const auto start = Clock::now();
    std::ofstream out(dir + "/export-peer.csv", std::ios::binary | std::ios::trunc);
    for (int row = 0; row < table.RowCount(); ++row) {
        for (int col = 0; col < table.ColCount(); ++col) {
            out << (col > 0 ? ";\"" : "\"");
            for (const char c : table.Cell(col, row)) {
                if (c == '"') {
                    out.put('"');
                }
                out.put(c);
            }
            out << '"';
        }
        out << "\r\n";
    }
    out.close();
    const double seconds = SecondsSince(start);
    Expect(!out.fail(), "write failed");
    return {seconds, {}};
}

}  // namespace vantle::bench
