#pragma once
// A window for the check run without a window: the domain list, the table, status bar, progress and
// controls as plain values, and a record of every box shown.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "check/CheckRunHost.h"
#include "check/DomainTable.h"
#include "http/HttpGetter.h"

namespace vantle::testing {

struct ShownBox {
    std::string kind;  // "info", "ask", "error"
    std::string text;
};

class FakeHost : public CheckRunHost {
public:
    std::vector<std::string> lines;
    DomainTable table{{"Domain", "Tic", "Status", "Yaca"}};
    std::string panels[3];
    std::vector<std::string> standings;  // every text of the standing's place, in turn
    bool progressVisible = false;
    int progress = 0;
    int progressMax = 0;
    std::string threshold;
    std::string rate = "3";
    std::string resumeFlag = "0";
    bool startVisible = true;
    bool runInProgress = false;
    bool csvEnabled = false;
    int csvClicks = 0;
    bool yaPages = false;
    bool pageRank = false;
    int yaPagesCol = 0;
    int prCol = 0;
    int selectedRow = 1;
    std::vector<int> sleeps;
    long long clockMs = 0;
    int repaintMs = 0;  // how long showing a written row takes
    int pumps = 0;
    bool answerSave = false;
    std::vector<ShownBox> boxes;
    bool bar = true;
    std::vector<PlacedCheck> extras;
    // Runs inside every pump, as a user acting while the run waits would.
    std::function<void(int pumpNumber)> onPump;

    int LineCount() override {
        int n = static_cast<int>(lines.size());
        return n;
    }
    std::string Line(int i) override {
        return i >= 0 && i < static_cast<int>(lines.size()) ? lines[static_cast<std::size_t>(i)] : "";
    }
    int RowCount() override { return table.RowCount(); }
    void SetRowCount(int n) override { table.SetRowCount(n); }
    int ColCount() override { return table.ColCount(); }
    std::string Cell(int col, int row) override { return table.Cell(col, row); }
    void SetCell(int col, int row, const std::string& text) override { table.SetCell(col, row, text); }
    void ResetTable() override { table.ResetTable(); }
    int SelectedRow() override { return selectedRow; }
    void ScrollToEndAndRepaint() override { clockMs += repaintMs; }
    void SetPanel(int index, const std::string& text) override { panels[index] = text; }
    void SetStanding(const std::string& text) override { standings.push_back(text); }
    void SetProgressVisible(bool visible) override { progressVisible = visible; }
    int ProgressPosition() override { return progress; }
    void SetProgressPosition(int position) override { progress = position; }
    void SetProgressMaximum(int maximum) override { progressMax = maximum; }
    std::string ThresholdText() override { return threshold; }
    std::string RateText() override { return rate; }
    std::string ResumeFlag() override { return resumeFlag; }
    void SetResumeFlag(const std::string& flag) override { resumeFlag = flag; }
    bool StartVisible() override { return startVisible; }
    void SetStartVisible(bool visible) override { startVisible = visible; }
    void SetRunInProgress(bool running) override { runInProgress = running; }
    bool CsvEnabled() override { return csvEnabled; }
    void SetCsvEnabled(bool enabled) override { csvEnabled = enabled; }
    void ClickCsv() override { ++csvClicks; }
    bool YaPagesChecked() override { return yaPages; }
    bool PageRankChecked() override { return pageRank; }
    int YaPagesCol() override { return yaPagesCol; }
    bool BarChecked() override { return bar; }
    std::vector<PlacedCheck> ExtraChecks() override { return extras; }
    int PRCol() override { return prCol; }
    void Sleep(int ms) override {
        sleeps.push_back(ms);
        clockMs += ms;
    }
    long long NowMs() override { return clockMs; }
    void ProcessMessages() override {
        ++pumps;
        if (onPump) {
            onPump(pumps);
        }
    }
    void InfoBox(const std::string& text) override { boxes.push_back({"info", text}); }
    bool AskSave(const std::string& text) override {
        boxes.push_back({"ask", text});
        return answerSave;
    }
    void ErrorBox(const std::string& message) override { boxes.push_back({"error", message}); }

    int Count(const std::string& kind) const {
        int n = 0;
        for (const auto& b : boxes) {
            n += b.kind == kind ? 1 : 0;
        }
        return n;
    }
};

// Answers by URL; a URL without an answer fails like a refused connection. Records every URL asked.
class FakeHttp : public HttpGetter {
public:
    std::map<std::string, std::string> answers;
    std::vector<std::string> asked;
    void Get(std::string_view url, std::string& result) override {
        asked.emplace_back(url);
        auto it = answers.find(std::string(url));
        if (it == answers.end()) {
            throw HttpError("connection refused");
        }
        if (!it->second.empty()) {
            result = it->second;
        }
    }
};

}  // namespace vantle::testing
