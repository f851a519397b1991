#include "app/WindowRunHost.h"

#include <QAction>
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
#include <QTableView>
#include <QThread>
#include <QToolButton>
#include <chrono>

#include "app/AppTitle.h"
#include "app/ChecksMenu.h"
#include "app/ColumnLayout.h"
#include "app/DomainTableModel.h"
#include "app/TableControls.h"
#include "app/WindowHistory.h"
#include "check/CheckEndpoints.h"
#include "dialogs/QtText.h"
#include "dialogs/TForm2.h"

namespace vantle {

WindowRunHost::WindowRunHost(Parts parts, Hooks hooks) : parts_(std::move(parts)), hooks_(std::move(hooks)) {}

int WindowRunHost::LineCount() {
    return parts_.list->LineCount();
}
std::string WindowRunHost::Line(int i) {
    return parts_.list->Line(i);
}
int WindowRunHost::RowCount() {
    return parts_.model->RowCount();
}
// The table follows the new rows only while its view is at the end: a user reading above them keeps
// their place.
void WindowRunHost::SetRowCount(int n) {
    const QScrollBar* bar = parts_.grid->verticalScrollBar();
    followRows_ = bar->value() >= bar->maximum();
    parts_.model->SetRowCount(n);
}
int WindowRunHost::ColCount() {
    return parts_.model->ColCount();
}
std::string WindowRunHost::Cell(int col, int row) {
    return parts_.model->Cell(col, row);
}
void WindowRunHost::SetCell(int col, int row, const std::string& text) {
    parts_.model->SetCell(col, row, text);
}

void WindowRunHost::ResetTable() {
    parts_.model->ResetTable();
    parts_.grid->selectionModel()->clearSelection();
    parts_.grid->selectionModel()->setCurrentIndex(
        parts_.grid->model()->index(
            0, parts_.grid->currentIndex().isValid() ? parts_.grid->currentIndex().column() : 0),
        QItemSelectionModel::NoUpdate);
}

int WindowRunHost::SelectedRow() {
    return parts_.table->CurrentRow();
}

void WindowRunHost::ScrollToEndAndRepaint() {
    if (followRows_) {
        parts_.grid->scrollToBottom();
    }
    // The window's pending repaint, now: the grid shows its new last row before the pause, and only
    // what changed is drawn (the scroll moved the rest), not every visible cell again.
    QCoreApplication::sendPostedEvents(parts_.window, QEvent::UpdateRequest);
}

void WindowRunHost::SetPanel(int index, const std::string& text) {
    parts_.panels[static_cast<std::size_t>(index)]->setText(FromCp1251(text));
}

void WindowRunHost::SetStanding(const std::string& text) {
    parts_.standing->setText(FromCp1251(text));
}
void WindowRunHost::SetProgressVisible(bool visible) {
    parts_.progress->setVisible(visible);
}
int WindowRunHost::ProgressPosition() {
    return parts_.progress->value();
}
void WindowRunHost::SetProgressPosition(int position) {
    parts_.progress->setValue(position);
}
void WindowRunHost::SetProgressMaximum(int maximum) {
    parts_.progress->setMaximum(maximum);
}
std::string WindowRunHost::ThresholdText() {
    return ToCp1251(parts_.threshold->text());
}
std::string WindowRunHost::RateText() {
    return ToCp1251(parts_.rate->currentText());
}
std::string WindowRunHost::ResumeFlag() {
    return ToCp1251(parts_.resumeFlag->text());
}
void WindowRunHost::SetResumeFlag(const std::string& flag) {
    parts_.resumeFlag->setText(FromCp1251(flag));
}
bool WindowRunHost::StartVisible() {
    return !parts_.start->isHidden();
}
void WindowRunHost::SetStartVisible(bool visible) {
    parts_.start->setVisible(visible);
    parts_.stop->setFocusPolicy(visible ? Qt::NoFocus : Qt::StrongFocus);  // Tab skips it while it is covered
}

void WindowRunHost::SetRunInProgress(bool running) {
    for (QWidget* w : parts_.listCommands) {
        w->setEnabled(!running);
    }
    parts_.startItem->setEnabled(!running);
    parts_.checks->Button()->setEnabled(!running);
    parts_.table->SetRunInProgress(running);
}

bool WindowRunHost::CsvEnabled() {
    return parts_.csv->isEnabled();
}

// The row items of the context menu and their shortcuts always follow "Сохранить в csv...".
void WindowRunHost::SetCsvEnabled(bool enabled) {
    parts_.csv->setEnabled(enabled);
    hooks_.csvChanged();
}

void WindowRunHost::ClickCsv() {
    parts_.csv->trigger();
}
bool WindowRunHost::YaPagesChecked() {
    return parts_.yaPages->isChecked();
}
bool WindowRunHost::PageRankChecked() {
    return parts_.pageRank->isChecked();
}
int WindowRunHost::YaPagesCol() {
    return parts_.columns->YaPagesCol();
}
int WindowRunHost::PRCol() {
    return parts_.columns->PRCol();
}
void WindowRunHost::RowWritten(int row, int line) {
    hooks_.rowWritten(row, line);
}
bool WindowRunHost::BarChecked() {
    return parts_.checks->Chosen("bar");
}
std::vector<CheckRunHost::PlacedCheck> WindowRunHost::ExtraChecks() {
    return history_ ? history_->Wrap(parts_.columns->Placed()) : parts_.columns->Placed();
}
int WindowRunHost::ParallelCount() {
    return parts_.parallel->value();
}
long WindowRunHost::CheckTimeoutMs() {
    return parts_.endpoints->checkTimeoutMs;
}
void WindowRunHost::StateChanged() {
    hooks_.stateChanged();
}
long long WindowRunHost::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void WindowRunHost::Sleep(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}
void WindowRunHost::ProcessMessages() {
    QCoreApplication::processEvents();
}

void WindowRunHost::InfoBox(const std::string& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Инфо"), FromCp1251(text), QMessageBox::Ok,
                    parts_.window);
    box.exec();
}

bool WindowRunHost::AskSave(const std::string& text) {
    if (closing_) {
        return false;
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("Сообщение"), FromCp1251(text),
                    QMessageBox::Yes | QMessageBox::No, parts_.window);
    return box.exec() == QMessageBox::Yes;
}

void WindowRunHost::ErrorBox(const std::string& message) {
    ErrorBox(FromCp1251(message));
}

void WindowRunHost::ErrorBox(const QString& message) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ErrorBoxText(message), QMessageBox::Ok,
                    parts_.window);
    box.exec();
}

}  // namespace vantle
