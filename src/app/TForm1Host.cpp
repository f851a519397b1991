// The main window as the check run sees it: the table, the status bar, the progress bar, the options
// and the questions, through the run's host interface. What runs is the engine's.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QThread>
#include <QToolButton>
#include <chrono>

#include "app/AppTitle.h"
#include "app/ChecksMenu.h"
#include "app/DomainTableModel.h"
#include "app/TForm1.h"
#include "app/TableControls.h"
#include "app/WindowHistory.h"
#include "dialogs/QtText.h"
#include "dialogs/TForm2.h"

namespace vantle {

int TForm1::LineCount() {
    return form2_->LineCount();
}
std::string TForm1::Line(int i) {
    return form2_->Line(i);
}
int TForm1::RowCount() {
    return model_->RowCount();
}
// The table follows the new rows only while its view is at the end: a user reading above them keeps
// their place.
void TForm1::SetRowCount(int n) {
    const QScrollBar* bar = RzStringGrid1->verticalScrollBar();
    followRows_ = bar->value() >= bar->maximum();
    model_->SetRowCount(n);
}
int TForm1::ColCount() {
    return model_->ColCount();
}
std::string TForm1::Cell(int col, int row) {
    return model_->Cell(col, row);
}
void TForm1::SetCell(int col, int row, const std::string& text) {
    model_->SetCell(col, row, text);
}

void TForm1::ResetTable() {
    model_->ResetTable();
    RzStringGrid1->selectionModel()->clearSelection();
    RzStringGrid1->selectionModel()->setCurrentIndex(
        RzStringGrid1->model()->index(
            0, RzStringGrid1->currentIndex().isValid() ? RzStringGrid1->currentIndex().column() : 0),
        QItemSelectionModel::NoUpdate);
}

int TForm1::SelectedRow() {
    return table_->CurrentRow();
}

void TForm1::ScrollToEndAndRepaint() {
    if (followRows_) {
        RzStringGrid1->scrollToBottom();
    }
    // The window's pending repaint, now: the grid shows its new last row before the pause, and only
    // what changed is drawn (the scroll moved the rest), not every visible cell again.
    QCoreApplication::sendPostedEvents(window(), QEvent::UpdateRequest);
}

void TForm1::SetPanel(int index, const std::string& text) {
    panels_[index]->setText(FromCp1251(text));
}
void TForm1::SetProgressVisible(bool visible) {
    ProgressBar1->setVisible(visible);
}
int TForm1::ProgressPosition() {
    return ProgressBar1->value();
}
void TForm1::SetProgressPosition(int position) {
    ProgressBar1->setValue(position);
}
void TForm1::SetProgressMaximum(int maximum) {
    ProgressBar1->setMaximum(maximum);
}
std::string TForm1::ThresholdText() {
    return ToCp1251(Edit1->text());
}
std::string TForm1::RateText() {
    return ToCp1251(ComboBox1->currentText());
}
std::string TForm1::ResumeFlag() {
    return ToCp1251(Label2->text());
}
void TForm1::SetResumeFlag(const std::string& flag) {
    Label2->setText(FromCp1251(flag));
}
bool TForm1::StartVisible() {
    return !Button2->isHidden();
}
void TForm1::SetStartVisible(bool visible) {
    Button2->setVisible(visible);
    Button3->setFocusPolicy(visible ? Qt::NoFocus : Qt::StrongFocus);  // Tab skips it while it is covered
}

void TForm1::SetRunInProgress(bool running) {
    for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button4, CheckBox1, CheckBox2}) {
        w->setEnabled(!running);
    }
    N6->setEnabled(!running);
    checks_->Button()->setEnabled(!running);
    table_->SetRunInProgress(running);
}

bool TForm1::CsvEnabled() {
    return csv1->isEnabled();
}

// The row items of the context menu and their shortcuts always follow "Сохранить в csv...".
void TForm1::SetCsvEnabled(bool enabled) {
    csv1->setEnabled(enabled);
    PopupMenu1Popup();
}

void TForm1::ClickCsv() {
    csv1->trigger();
}
bool TForm1::YaPagesChecked() {
    return CheckBox1->isChecked();
}
bool TForm1::PageRankChecked() {
    return CheckBox2->isChecked();
}
bool TForm1::BarChecked() {
    return checks_->Chosen("bar");
}
std::vector<CheckRunHost::PlacedCheck> TForm1::ExtraChecks() {
    return history_ ? history_->Wrap(columns_->Placed()) : columns_->Placed();
}
int TForm1::ParallelCount() {
    return SpinEdit1->value();
}
long TForm1::CheckTimeoutMs() {
    return endpoints_.checkTimeoutMs;
}
// The list file and the checks stay as they are while anything runs, a recheck included.
void TForm1::StateChanged() {
    checks_->ListFileItem()->setEnabled(engine_->State() == RunState::Idle);
    OpenResults1->setEnabled(engine_->State() == RunState::Idle);
}
long long TForm1::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void TForm1::Sleep(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}
void TForm1::ProcessMessages() {
    QCoreApplication::processEvents();
}

void TForm1::InfoBox(const std::string& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Инфо"), FromCp1251(text), QMessageBox::Ok,
                    this);
    box.exec();
}

bool TForm1::AskSave(const std::string& text) {
    if (closeAfterRun_) {
        return false;
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("Сообщение"), FromCp1251(text),
                    QMessageBox::Yes | QMessageBox::No, this);
    return box.exec() == QMessageBox::Yes;
}

void TForm1::ErrorBox(const std::string& message) {
    ErrorBox(FromCp1251(message));
}

void TForm1::ErrorBox(const QString& message) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ErrorBoxText(message), QMessageBox::Ok, this);
    box.exec();
}

}  // namespace vantle
