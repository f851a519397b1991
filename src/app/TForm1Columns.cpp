// The main window's side of its columns: the two option boxes, the choice of checks and the controls
// that follow it. Where the columns go is the ColumnLayout's, the files the checks read CheckDataFiles'.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTableView>

#include "app/AppTitle.h"
#include "app/CheckDataFiles.h"
#include "app/ChecksMenu.h"
#include "app/RetiredHint.h"
#include "app/RowProxyModel.h"
#include "app/TForm1.h"
#include "app/TableControls.h"
#include "app/WindowJournal.h"
#include "app/WindowRunHost.h"
#include "catalog/CheckCatalog.h"

namespace vantle {

// ---- Option columns ----

void TForm1::TellRetiredServices() {
    if (checks_->Chosen("bar") || checks_->Chosen("yapages") || checks_->Chosen("pr")) {
        retiredHint_->Show();
    }
}

void TForm1::CheckBox1Click() {
    SwitchOption(CheckBox1, ColumnLayout::Option::YaPages, CheckBox2, "yapages");
}
void TForm1::CheckBox2Click() {
    SwitchOption(CheckBox2, ColumnLayout::Option::PR, CheckBox1, "pr");
}

void TForm1::SwitchOption(QCheckBox* box, ColumnLayout::Option option, QCheckBox* other,
                          std::string_view item) {
    retiredHint_->Forget();
    if (!columns_->SwitchOption(option, box->isChecked(), other->isChecked())) {
        // A refused click puts its box back, so box and column never disagree.
        box->setChecked(!box->isChecked());
        RefuseColumnChange();
    }
    checks_->Item(item)->setChecked(box->isChecked());
    ShowBarColumns();
}

// The menu's items for the two option boxes click the boxes, so that both go the same way; the other
// items follow the boxes' rule: a change only on a clean table, else refused and put back.
void TForm1::ChecksItemClick(std::string_view name) {
    QAction* item = checks_->Item(name);
    if (name == "yapages" || name == "pr") {
        QCheckBox* box = name == "yapages" ? CheckBox1 : CheckBox2;
        box->click();
        item->setChecked(box->isChecked());
        return;
    }
    if (!columns_->TableIsClean() && !(item->isChecked() && name != "bar")) {
        item->setChecked(!item->isChecked());
        RefuseColumnChange();
        return;
    }
    ApplyChecksChoice();
    if (name == "rank" && item->isChecked() && files_->Endpoints().topListFile.empty()) {
        ChooseTopListFile();
    }
    if (name == "links" && item->isChecked() && files_->Endpoints().graphRanksFile.empty()) {
        ChooseGraphRanksFile();
    }
}

void TForm1::ChecksTodayClick() {
    const bool hadRank = checks_->Chosen("rank");
    // The links check reads a file of several gigabytes that the user fetches first: it is chosen
    // on its own.
    for (std::string_view name : NetworkCheckNames()) {
        checks_->Item(name)->setChecked(checks_->Chosen(name) || name != "links");
    }
    ApplyChecksChoice();
    if (!hadRank && files_->Endpoints().topListFile.empty()) {
        ChooseTopListFile();
    }
}

void TForm1::ApplyChecksChoice() {
    retiredHint_->Forget();
    if (columns_->ApplyChecksChoice()) {
        journal_->ColumnsChanged();
    }
    ShowBarColumns();
    columns_->GrowWindowToShowColumns();
}

void TForm1::RefuseColumnChange() {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(),
                    QStringLiteral("Манипуляции со столбцами возможны только с чистой таблицей, перед "
                                   "началом проверки"),
                    QMessageBox::Ok);
    box.exec();
}

// Without the bar query its columns would stay empty: they are hidden and not saved, and the
// threshold, which only it can apply, is off (its text kept).
void TForm1::ShowBarColumns() {
    const bool bar = checks_->Chosen("bar");
    for (int c = 1; c <= 3; ++c) {
        RzStringGrid1->setColumnHidden(c, !bar);
    }
    table_->Proxy()->RecompileFilter();  // a term may name a column just hidden or shown
    Edit1->setEnabled(bar);
    Label3->setEnabled(bar);
    // The old services go one domain at a time at the rate; without them the domains go many at once
    // and the rate has nothing to pace (each service has its own pace): it is greyed, its value kept.
    const bool oneAtATime = bar || CheckBox1->isChecked() || CheckBox2->isChecked();
    ComboBox1->setEnabled(oneAtATime);
    Label1->setEnabled(oneAtATime);
    // "Параллельно" shows only where it has a say, so the window of the old services keeps its look;
    // it takes the place of the threshold, which has none there (greyed, its text kept). What goes is
    // hidden first: a widget shown lays its row out at once and would widen the window.
    QWidget* const parallel[] = {Label5, SpinEdit1};
    QWidget* const threshold[] = {Label3, Edit1};
    for (QWidget* w : oneAtATime ? parallel : threshold) {
        w->hide();
    }
    for (QWidget* w : oneAtATime ? threshold : parallel) {
        w->show();
    }
}

void TForm1::UseCheckEndpoints(const CheckEndpoints& endpoints) {
    files_->Use(endpoints);
}

// The list's checks may be running: their files stay as they are.
void TForm1::ChooseTopListFile() {
    if (engine_->State() == RunState::Idle) {
        files_->ChooseTopList();
    }
}
void TForm1::ChooseGraphRanksFile() {
    if (engine_->State() == RunState::Idle) {
        files_->ChooseGraphRanks(*host_);
    }
}
void TForm1::ChooseDnsRate() {
    if (engine_->State() != RunState::Idle) {
        return;  // the run keeps the pace it began with
    }
    bool ok = false;
    const int rate = QInputDialog::getInt(
        this, QStringLiteral("Темп DNS"),
        QStringLiteral("Запросов к DNS-серверу в секунду (у домена их три: A, AAAA и MX).\n"
                       "Больше %1 — только если ваш сервер выдержит.")
            .arg(kDefaultDnsRate),
        dnsRate_, kMinDnsRate, kMaxDnsRate, 10, &ok);
    if (ok && rate != dnsRate_) {
        dnsRate_ = rate;
        engine_->UseDnsRate(rate);  // the next run keeps to it
        SaveSettings();
    }
}

}  // namespace vantle
