// The main window's columns: the two option boxes, the choice of checks, and which columns are shown
// and saved.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <algorithm>
#include <map>

#include "app/AppTitle.h"
#include "app/CellEdits.h"
#include "app/ChecksMenu.h"
#include "app/DomainTableModel.h"
#include "app/GridDelegate.h"
#include "app/RowProxyModel.h"
#include "app/TForm1.h"
#include "app/TableControls.h"
#include "app/WindowHistory.h"
#include "catalog/CheckCatalog.h"
#include "check/Texts.h"
#include "dialogs/QtText.h"
#include "io/Journal.h"

namespace vantle {

// ---- Option columns ----

bool TForm1::TableIsClean() const {
    return model_->Cell(0, 1).find('.') == std::string::npos;
}

void TForm1::TellRetiredServices() {
    if (checks_->Chosen("bar") || checks_->Chosen("yapages") || checks_->Chosen("pr")) {
        // A label of its own that takes the free width and never widens the window (the tooltip
        // has the whole text when it is cut).
        retiredHint_ = new QLabel(FromCp1251(texts::RetiredServicesHint()), statusBar());
        retiredHint_->setObjectName(QStringLiteral("RetiredHint"));
        retiredHint_->setToolTip(retiredHint_->text());
        retiredHint_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        statusBar()->addWidget(retiredHint_, 1);
    }
}

void TForm1::ForgetRetiredServices() {
    if (retiredHint_ != nullptr) {
        statusBar()->removeWidget(retiredHint_);
        delete retiredHint_;
        retiredHint_ = nullptr;
    }
}

void TForm1::CheckBox1Click() {
    ForgetRetiredServices();
    SetExtraColumnsAside();
    SwitchColumn(CheckBox1, "YaPages", yaPagesCol_, CheckBox2, "PR", prCol_);
    LayOutExtraColumns();
    checks_->Item("yapages")->setChecked(CheckBox1->isChecked());
    ShowBarColumns();
}
void TForm1::CheckBox2Click() {
    ForgetRetiredServices();
    SetExtraColumnsAside();
    SwitchColumn(CheckBox2, "PR", prCol_, CheckBox1, "YaPages", yaPagesCol_);
    LayOutExtraColumns();
    checks_->Item("pr")->setChecked(CheckBox2->isChecked());
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
    if (!TableIsClean() && !(item->isChecked() && name != "bar")) {
        item->setChecked(!item->isChecked());
        RefuseColumnChange();
        return;
    }
    ApplyChecksChoice();
    if (name == "rank" && item->isChecked() && endpoints_.topListFile.empty()) {
        ChooseTopListFile();
    }
    if (name == "links" && item->isChecked() && endpoints_.graphRanksFile.empty()) {
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
    if (!hadRank && endpoints_.topListFile.empty()) {
        ChooseTopListFile();
    }
}

void TForm1::ApplyChecksChoice() {
    ForgetRetiredServices();
    SetExtraColumnsAside();
    LayOutExtraColumns();
    AddCheckedColumns();
    ShowBarColumns();
    GrowToShowColumns();
}

int TForm1::FitColumnWidth(const std::string& header) const {
    return std::max(ColumnWidth(header), GridDelegate::WordsWidth(header, RzStringGrid1));
}

// Only wider, and no wider than the screen leaves room for: the last column at its own width, the
// others as they are.
void TForm1::GrowToShowColumns() {
    int last = model_->ColCount() - 1;
    while (last > 0 && RzStringGrid1->isColumnHidden(last)) {
        --last;
    }
    int needed = FitColumnWidth(model_->Cell(last, 0)) +
                 RzStringGrid1->verticalScrollBar()->sizeHint().width() + 2 * RzStringGrid1->frameWidth();
    for (int c = 0; c < last; ++c) {
        needed += RzStringGrid1->isColumnHidden(c) ? 0 : RzStringGrid1->columnWidth(c);
    }
    const int missing = needed - RzStringGrid1->width();
    if (missing <= 0) {
        return;
    }
    const QRect room = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    const int widest = room.width() - (frame.width() - width());
    resize(std::min(width() + missing, widest), height());
    if (frameGeometry().right() > room.right()) {
        move(std::max(room.left(), room.right() - frameGeometry().width() + 1), y());
    }
}

void TForm1::RefuseColumnChange() {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(),
                    QStringLiteral("Манипуляции со столбцами возможны только с чистой таблицей, перед "
                                   "началом проверки"),
                    QMessageBox::Ok);
    box.exec();
}

// Read from the headers: while a box's click is handled, the box already shows its new state.
int TForm1::FirstExtraCol() const {
    int col = 4;
    while (col < model_->ColCount() && col < 6 &&
           (model_->Cell(col, 0) == "YaPages" || model_->Cell(col, 0) == "PR")) {
        ++col;
    }
    return col;
}

// On a clean table the columns after YaPages and PR hold nothing but their headers.
void TForm1::SetExtraColumnsAside() {
    if (TableIsClean() && model_->ColCount() > FirstExtraCol()) {
        model_->SetColCount(FirstExtraCol());
    }
}

std::vector<std::string> TForm1::ExtraHeaders() const {
    std::vector<std::string> headers = checks_->Headers();
    if (history_ && history_->On() && !headers.empty()) {
        headers.emplace_back(history::kChangesColumn);  // what changed since the last check
    }
    return headers;
}

void TForm1::LayOutExtraColumns() {
    if (!TableIsClean()) {
        return;
    }
    const std::vector<std::string> headers = ExtraHeaders();
    const int first = FirstExtraCol();
    model_->SetColCount(first + static_cast<int>(headers.size()));
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const int col = first + static_cast<int>(i);
        model_->SetCell(col, 0, headers[i]);
        RzStringGrid1->setColumnWidth(col, FitColumnWidth(headers[i]));
    }
}

// On a checked table a check of today may be added (for a recheck of the rows that matter): its
// columns come in their place, empty, and every cell keeps its header. The journal follows.
void TForm1::AddCheckedColumns() {
    const std::vector<std::string> headers = ExtraHeaders();
    const int first = FirstExtraCol();
    if (TableIsClean() || model_->ColCount() == first + static_cast<int>(headers.size())) {
        return;
    }
    std::map<std::string, int> before;
    for (int c = first; c < model_->ColCount(); ++c) {
        before[model_->Cell(c, 0)] = c;
    }
    const int rows = model_->RowCount();
    std::vector<std::vector<std::string>> cells(headers.size(), std::vector<std::string>(rows));
    std::vector<std::vector<bool>> byHand(headers.size(), std::vector<bool>(rows));  // edits move along
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const auto old = before.find(headers[i]);
        for (int r = 0; r < rows && old != before.end(); ++r) {
            cells[i][static_cast<std::size_t>(r)] = model_->Cell(old->second, r);
            byHand[i][static_cast<std::size_t>(r)] = model_->Edited(old->second, r);
        }
        cells[i][0] = headers[i];
    }
    edits_->Clear();  // its steps name columns by place, and the places move
    for (int r = 1; r < rows; ++r) {
        for (int c = first; c < model_->ColCount(); ++c) {
            model_->SetNote(c, r, {}, false);  // the store's notes were of the columns as they were
        }
    }
    model_->SetColCount(first + static_cast<int>(headers.size()));
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const int col = first + static_cast<int>(i);
        for (int r = 0; r < rows; ++r) {
            model_->SetCellByHand(col, r, cells[i][static_cast<std::size_t>(r)],
                                  byHand[i][static_cast<std::size_t>(r)]);
        }
        RzStringGrid1->setColumnWidth(col, FitColumnWidth(headers[i]));
    }
    if (journal_) {
        JournalResult(journal_->Columns(JournalStartOfTable().columns));
    }
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

std::vector<int> TForm1::SavedColumns() const {
    std::vector<int> cols;
    for (int c = 0; c < model_->ColCount(); ++c) {
        if (checks_->Chosen("bar") || c < 1 || c > 3) {
            cols.push_back(c);
        }
    }
    return cols;
}

std::vector<int> TForm1::SavedRows() const {
    return table_->ShownRows();
}

// The top-sites list is the user's choice, remembered between sessions; the one endpoints name is
// taken until a choice was made.
void TForm1::UseCheckEndpoints(const CheckEndpoints& endpoints) {
    endpoints_ = endpoints;
    const QString chosen = QSettings().value(QStringLiteral("topListFile")).toString();
    if (!chosen.isEmpty()) {
        endpoints_.topListFile = chosen.toStdString();
    }
    const QString graph = QSettings().value(QStringLiteral("graphRanksFile")).toString();
    if (!graph.isEmpty()) {
        endpoints_.graphRanksFile = graph.toStdString();
    }
    checks_->UseEndpoints(endpoints_);
}

void TForm1::ChooseTopListFile() {
    if (engine_->State() != RunState::Idle) {
        return;  // the list's checks may be running
    }
    const QString path =
        AskForDataFile(QStringLiteral("Список сайтов"), QStringLiteral("Списки сайтов (*.csv *.zip)"),
                       endpoints_.topListFile);
    if (path.isEmpty()) {
        return;
    }
    QSettings().setValue(QStringLiteral("topListFile"), path);
    endpoints_.topListFile = path.toStdString();
    checks_->UseEndpoints(endpoints_);
}

void TForm1::SwitchColumn(QCheckBox* own, const std::string& ownHeader, int& ownCol, QCheckBox* other,
                          const std::string& otherHeader, int& otherCol) {
    if (!TableIsClean()) {
        // A refused click puts its box back, so box and column never disagree.
        own->setChecked(!own->isChecked());
        RefuseColumnChange();
        return;
    }
    bool present = false;
    for (int c = 0; c < model_->ColCount(); ++c) {
        present = present || model_->Cell(c, 0) == ownHeader;
    }
    if (own->isChecked()) {
        if (!present) {
            model_->SetColCount(model_->ColCount() + 1);
            model_->SetCell(model_->ColCount() - 1, 0, ownHeader);
            ownCol = model_->ColCount() - 1;
            RzStringGrid1->setColumnWidth(ownCol, kNewColumnWidth);
        }
        return;
    }
    if (!present) {
        return;
    }
    model_->SetColCount(model_->ColCount() - 1);
    if (other->isChecked()) {
        model_->SetCell(model_->ColCount() - 1, 0, otherHeader);
        otherCol = model_->ColCount() - 1;
    }
}

}  // namespace vantle
