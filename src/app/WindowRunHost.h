#pragma once
// The main window as the check run sees it: the list, the table, the status bar, the progress bar, the
// controls that steer a run and the questions, through the run's host interface. It holds the
// window's parts; what the window does about a written row or a change of the run's state is the
// window's, told through the hooks.

#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "check/CheckRunHost.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QWidget;

namespace vantle {

class ChecksMenu;
class ColumnLayout;
class DomainTableModel;
class TableControls;
class TForm2;
class WindowHistory;
struct CheckEndpoints;

class WindowRunHost : public CheckRunHost {
public:
    // The window's parts the run reads and writes; they live as long as the window.
    struct Parts {
        QWidget* window = nullptr;  // the boxes' parent
        TForm2* list = nullptr;
        DomainTableModel* model = nullptr;
        QTableView* grid = nullptr;
        TableControls* table = nullptr;
        std::array<QLabel*, 3> panels{};
        QLabel* standing = nullptr;  // where a run one domain at a time stands, beside the panels
        QProgressBar* progress = nullptr;
        QLineEdit* threshold = nullptr;
        QComboBox* rate = nullptr;
        QSpinBox* parallel = nullptr;
        QLabel* resumeFlag = nullptr;  // hidden, "0" or "1"
        QPushButton* start = nullptr;  // lies above "Стоп"
        QPushButton* stop = nullptr;
        QCheckBox* yaPages = nullptr;
        QCheckBox* pageRank = nullptr;
        std::vector<QWidget*> listCommands;  // off while a run goes, with the start item and the checks
        QAction* startItem = nullptr;
        QAction* csv = nullptr;  // "Сохранить в csv..."
        const ChecksMenu* checks = nullptr;
        const ColumnLayout* columns = nullptr;
        const CheckEndpoints* endpoints = nullptr;
    };
    struct Hooks {
        std::function<void(int row, int line)> rowWritten;
        std::function<void()> stateChanged;
        std::function<void()> csvChanged;  // the row items of the context menu follow the save item
    };

    WindowRunHost(Parts parts, Hooks hooks);

    // The lasting checks of a run read the store of answers first.
    void UseHistory(WindowHistory* history) { history_ = history; }
    // A window that closes once the run has ended asks nothing at its end.
    void SetClosing(bool closing) { closing_ = closing; }
    bool Closing() const { return closing_; }
    void ErrorBox(const QString& message);

    int LineCount() override;
    std::string Line(int i) override;
    int RowCount() override;
    void SetRowCount(int n) override;
    int ColCount() override;
    std::string Cell(int col, int row) override;
    void SetCell(int col, int row, const std::string& text) override;
    void ResetTable() override;
    int SelectedRow() override;
    void ScrollToEndAndRepaint() override;
    void SetPanel(int index, const std::string& text) override;
    void SetStanding(const std::string& text) override;
    void SetProgressVisible(bool visible) override;
    int ProgressPosition() override;
    void SetProgressPosition(int position) override;
    void SetProgressMaximum(int maximum) override;
    std::string ThresholdText() override;
    std::string RateText() override;
    std::string ResumeFlag() override;
    void SetResumeFlag(const std::string& flag) override;
    bool StartVisible() override;
    void SetStartVisible(bool visible) override;
    void SetRunInProgress(bool running) override;
    bool CsvEnabled() override;
    void SetCsvEnabled(bool enabled) override;
    void ClickCsv() override;
    bool YaPagesChecked() override;
    bool PageRankChecked() override;
    int YaPagesCol() override;
    int PRCol() override;
    void RowWritten(int row, int line) override;
    bool BarChecked() override;
    std::vector<PlacedCheck> ExtraChecks() override;
    int ParallelCount() override;
    long CheckTimeoutMs() override;
    void StateChanged() override;
    void Sleep(int ms) override;
    long long NowMs() override;
    void ProcessMessages() override;
    void InfoBox(const std::string& text) override;
    bool AskSave(const std::string& text) override;
    void ErrorBox(const std::string& message) override;

private:
    Parts parts_;
    Hooks hooks_;
    WindowHistory* history_ = nullptr;
    bool closing_ = false;
    bool followRows_ = true;  // the view was at the table's end when the last row came
};

}  // namespace vantle
