#pragma once
// The main window's side of the store of answers: the store itself, its settings (ask everything
// afresh, how long answers are kept), the lasting checks wrapped, each written row's Changes, tints
// and tooltips, and the dialog with one domain's answers over time.

#include <QDialog>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "check/CheckRunHost.h"
#include "history/RunHistory.h"

class QAction;
class QMenu;
class QTableWidget;

namespace vantle {

class DomainTableModel;

class WindowHistory : public QObject {
    Q_OBJECT
public:
    // tell: shows a problem of the store (once) in the window's status bar.
    WindowHistory(QWidget* window, DomainTableModel& model, std::function<void(const QString&)> tell);
    ~WindowHistory() override;

    // Opens the store at path (kept period from the settings); false when it cannot be used (told).
    bool Open(const QString& path);
    bool On() const { return store_ != nullptr; }
    history::HistoryStore* Store() const { return store_.get(); }

    // The settings' items: "Спрашивать всё заново" and "Хранить историю...", in the given menu.
    void AddSettingsItems(QMenu* menu);
    bool Fresh() const;

    // The checks of a run, the lasting ones reading the store first (unless asked afresh).
    std::vector<CheckRunHost::PlacedCheck> Wrap(std::vector<CheckRunHost::PlacedCheck> placed);
    // A row was written (line -1: rechecked): its answers go to the store, its Changes cell (when
    // the table has one) and the tints and tooltips of what changed or came from the store.
    void RowWritten(int row, int line, const std::vector<CheckRunHost::PlacedCheck>& placed);

    // "История домена...": the answers of the row's domain, newest first.
    void ShowDomain(const std::string& domain);
    QDialog* Dialog() const { return dialog_; }

private:
    std::vector<history::CheckSpan> Spans(const std::vector<CheckRunHost::PlacedCheck>& placed) const;
    void TellProblem();

    QWidget* window_;
    DomainTableModel& model_;
    std::function<void(const QString&)> tell_;
    std::unique_ptr<history::HistoryStore> store_;
    std::shared_ptr<history::Served> served_ = std::make_shared<history::Served>();
    QAction* fresh_ = nullptr;
    QDialog* dialog_ = nullptr;
};

// The column a Changes cell of the table goes to, 0 when the table has none.
int ChangesColumn(const DomainTableModel& model);

}  // namespace vantle
