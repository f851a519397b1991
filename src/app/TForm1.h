#pragma once
// The main window: the domain table, the commands that fill it, the start and stop commands of the
// check run, the rate and threshold boxes, the option switches, progress and status bar, and the
// table's context menu. Where the columns go is the ColumnLayout's, the journal the WindowJournal's,
// and the run sees the window through the WindowRunHost.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "FWURLPosition/TFWURLPosition.h"
#include "app/ColumnLayout.h"
#include "app/SaveFormat.h"
#include "check/CheckEndpoints.h"
#include "check/CheckRun.h"
#include "check/ServiceHosts.h"
#include "dialogs/ListHandOver.h"
#include "http/HttpGetter.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

namespace vantle {

class CellEdits;
class CheckDataFiles;
class ChecksMenu;
struct JournalState;
class DomainTableModel;
class RetiredHint;
class SaveQuestion;
class TableControls;
class TForm2;

class WindowHistory;
class WindowJournal;
class WindowRunHost;

class TForm1 : public QMainWindow, public ListHandOver {
    Q_OBJECT
public:
    // http defaults to the program's own HTTP client, rankFetch to the direct fetch; both go to hosts.
    explicit TForm1(ServiceHosts hosts = {}, std::unique_ptr<HttpGetter> http = nullptr,
                    RankFetcher rankFetch = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // Where the checks that answer today go: the system's resolver and certificates unless set.
    void UseCheckEndpoints(const CheckEndpoints& endpoints);
    ChecksMenu& Checks() { return *checks_; }
    // True when the window took the size and place it had when it was last closed.
    bool PlaceRestored() const { return placeRestored_; }

    // Keeps a journal of every written row in a slot of stateDir that no other running window holds
    // (JournalSlot), and asks before closing with unsaved rows.
    void EnableSafetyNet(const QString& stateDir);
    // Keeps every answer in the store of answers at path: a Changes column after the checks of today,
    // "История домена..." in the table's menu, and the archive's lasting answers taken from it.
    void EnableHistory(const QString& path);
    WindowHistory* History() const { return history_; }
    // Offers to restore the rows of a journal that were never saved; true when they were restored.
    bool OfferRecovery();
    // The program with the real services: while a retired service is chosen, the status bar says it is
    // closed and where today's checks are, until the first run or a change of the checks.
    void TellRetiredServices();

    // Where the browser links go; tests replace it to capture the addresses.
    static std::function<void(const QUrl&)>& UrlOpener();

    TForm2* Form2() const { return form2_; }
    DomainTableModel* Model() const { return model_; }
    CheckRun& Engine() { return *engine_; }
    int YaPagesCol() const { return columns_->YaPagesCol(); }
    int PRCol() const { return columns_->PRCol(); }
    QString PanelText(int index) const;

    // ListHandOver: the entry dialog's "На проверку".
    void HandOver(int lineCount) override;
    // Rows never saved are asked about before anything replaces them: "Сохранить результаты?" Yes
    // saves through the save dialog, No lets them go; false (Cancel, or the save not made) keeps them.
    bool MayReplaceRows() override;

    // The named handlers.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void CheckBox1Click();
    void CheckBox2Click();
    void ChecksItemClick(std::string_view name);
    // "Все проверки сегодняшнего дня": ticks every check that answers today.
    void ChecksTodayClick();
    // "Файл списка сайтов...": chooses the top-sites list and remembers it.
    void ChooseTopListFile();
    // "Файл графа ссылок...": chooses the web graph's ranks file, remembers it and builds its index.
    void ChooseGraphRanksFile();
    // "Запросов DNS в секунду...": how many queries a second the resolver is asked, remembered.
    void ChooseDnsRate();
    int DnsRate() const { return dnsRate_; }
    void N5Click();
    void csv1Click();
    // "Открыть результаты...": a table saved earlier back into the window, with its columns and checks.
    void OpenResultsClick();
    void YandexBar1Click();
    void WhoisItem1Click();
    void WhoisItem2Click();
    // "История домена...": the answers of the current row's domain over time.
    void HistoryItem1Click();
    void PopupMenu1Popup();
    void Label4Click();
    void Panel1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    // What the window remembers is read as it is built and written as it closes.
    void LoadSettings();
    void SaveSettings() const;
    void SaveSettingsOnChange();
    QWidget* BuildTopPanel();
    QWidget* BuildBottomRow();
    void BuildGrid();
    void BuildStatusBar();
    void BuildHiddenMenu();
    void BuildPopupMenu();
    // Tab goes through the window from top to bottom, each row from left to right.
    void SetTabOrder();
    // An option's box clicked: its column switched, or the click refused and the box put back.
    void SwitchOption(QCheckBox* box, ColumnLayout::Option option, QCheckBox* other, std::string_view item);
    void RefuseColumnChange();
    void ShowBarColumns();
    // After a change of the chosen checks: the columns anew, and the window wide enough to show them.
    void ApplyChecksChoice();
    void OpenInBrowser(const QString& address);
    // The open dialog over those filters, starting at last; the file chosen (kept in last), or empty.
    QString ChooseFileToOpen(const QStringList& filters, QString& last);
    // Writes the rows shown and the saved columns in that format; false after an error box.
    bool SaveTable(const QString& path, SaveFormat format);
    // The save dialog and the save; true when the table was written.
    bool SaveWithDialog();
    void Restore(const JournalState& state);
    // A fresh run clears the table: rows never saved are asked about first. False to start nothing.
    bool MayClearForRun();
    QString SelectedDomainAscii() const;
    void ResetForNewList(int lineCount);

    // A row written by the run or the recheck: the store of answers and the journal follow.
    void RowWritten(int row, int line);

    ServiceHosts hosts_;
    std::unique_ptr<HttpGetter> IdHTTP1;
    std::unique_ptr<WindowRunHost> host_;  // the window as the run sees it
    std::unique_ptr<CheckRun> engine_;
    std::unique_ptr<ChecksMenu> checks_;
    std::unique_ptr<CheckDataFiles> files_;
    DomainTableModel* model_ = nullptr;
    TableControls* table_ = nullptr;
    CellEdits* edits_ = nullptr;
    std::unique_ptr<ColumnLayout> columns_;
    TForm2* form2_ = nullptr;
    bool placeRestored_ = false;
    std::unique_ptr<RetiredHint> retiredHint_;  // the status bar's word that the old services are closed
    std::unique_ptr<WindowJournal> journal_;
    std::unique_ptr<SaveQuestion> question_;
    QString lastOpenName_;

    QFrame* Panel1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QTableView* RzStringGrid1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* panels_[3] = {nullptr, nullptr, nullptr};
    int dnsRate_ = kDefaultDnsRate;
    QLabel* standing_ = nullptr;  // where a run one domain at a time stands, beside the panels
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N6 = nullptr;
    QAction* N7 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* N5 = nullptr;
    QAction* YandexBar1 = nullptr;
    QMenu* Whois1 = nullptr;
    QAction* WhoisItem1 = nullptr;
    QAction* WhoisItem2 = nullptr;
    QAction* csv1 = nullptr;
    QAction* OpenResults1 = nullptr;
    QString lastResultsName_;
    WindowHistory* history_ = nullptr;
    QAction* HistoryItem1 = nullptr;
};

}  // namespace vantle
