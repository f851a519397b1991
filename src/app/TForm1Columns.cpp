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
#include <QTableView>
#include <algorithm>

#include "app/AppTitle.h"
#include "app/ChecksMenu.h"
#include "app/DomainTableModel.h"
#include "app/TForm1.h"
#include "app/TableControls.h"
#include "catalog/CheckCatalog.h"

namespace vantle {

// ---- Option columns ----

bool TForm1::TableIsClean() const {
    return model_->Cell(0, 1).find('.') == std::string::npos;
}

void TForm1::CheckBox1Click() {
    SetExtraColumnsAside();
    SwitchColumn(CheckBox1, "YaPages", yaPagesCol_, CheckBox2, "PR", prCol_);
    LayOutExtraColumns();
    checks_->Item("yapages")->setChecked(CheckBox1->isChecked());
    ShowBarColumns();
}
void TForm1::CheckBox2Click() {
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
    if (!TableIsClean()) {
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
    if (!TableIsClean()) {
        RefuseColumnChange();
        return;
    }
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
    SetExtraColumnsAside();
    LayOutExtraColumns();
    ShowBarColumns();
    GrowToShowColumns();
}

// Only wider, and no wider than the screen leaves room for: the last column at its own width, the
// others as they are.
void TForm1::GrowToShowColumns() {
    int last = model_->ColCount() - 1;
    while (last > 0 && RzStringGrid1->isColumnHidden(last)) {
        --last;
    }
    int needed = ColumnWidth(model_->Cell(last, 0)) + RzStringGrid1->verticalScrollBar()->sizeHint().width() +
                 2 * RzStringGrid1->frameWidth();
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

void TForm1::LayOutExtraColumns() {
    if (!TableIsClean()) {
        return;
    }
    const std::vector<std::string> headers = checks_->Headers();
    const int first = FirstExtraCol();
    model_->SetColCount(first + static_cast<int>(headers.size()));
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const int col = first + static_cast<int>(i);
        model_->SetCell(col, 0, headers[i]);
        RzStringGrid1->setColumnWidth(col, ColumnWidth(headers[i]));
    }
}

// Without the bar query its columns would stay empty: they are hidden and not saved, and the
// threshold, which only it can apply, is off (its text kept).
void TForm1::ShowBarColumns() {
    const bool bar = checks_->Chosen("bar");
    for (int c = 1; c <= 3; ++c) {
        RzStringGrid1->setColumnHidden(c, !bar);
    }
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
