// The main window's safety net: the offer to restore the journal's rows at start, a table opened from
// its file, and the question before rows that were never saved go. The journal is WindowJournal's.
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>

#include "app/AppTitle.h"
#include "app/ChecksMenu.h"
#include "app/DomainTableModel.h"
#include "app/ResultsFile.h"
#include "app/RetiredHint.h"
#include "app/SaveDialog.h"
#include "app/SaveQuestion.h"
#include "app/TForm1.h"
#include "app/WindowHistory.h"
#include "app/WindowJournal.h"
#include "app/WindowRunHost.h"
#include "catalog/CheckCatalog.h"
#include "dialogs/QtText.h"
#include "dialogs/TForm2.h"
#include "text/Plural.h"

namespace vantle {

// Another window is open in the folder's first slot: this one opens down and to the right of it, not on
// top of it.
void TForm1::EnableSafetyNet(const QString& stateDir) {
    const int nth = journal_->Open(stateDir);
    if (nth > 1) {
        constexpr int kStep = 32;
        const QRect room = screen()->availableGeometry();
        const QPoint offset = QPoint(kStep, kStep) * ((nth - 1) % 8);
        move(std::min(x() + offset.x(), std::max(room.left(), room.right() - frameGeometry().width())),
             std::min(y() + offset.y(), std::max(room.top(), room.bottom() - frameGeometry().height())));
    }
}

void TForm1::RowWritten(int row, int line) {
    if (history_) {
        history_->RowWritten(row, line, columns_->Placed());
    }
    journal_->RowWritten(row, line, engine_->totals());
}

bool TForm1::OfferRecovery() {
    const std::optional<JournalState> state = journal_->Recoverable();
    if (!state) {
        return false;
    }
    QMessageBox box(
        QMessageBox::Question, QStringLiteral("Сообщение"),
        QStringLiteral("Восстановить результаты прошлой проверки (%1)?")
            .arg(QString::fromStdU16String(RowsCount(static_cast<long long>(state->rows.size())))),
        QMessageBox::Yes | QMessageBox::No, this);
    if (box.exec() != QMessageBox::Yes) {
        journal_->Done();
        return false;
    }
    Restore(*state);
    if (state->rejected > 0) {
        statusBar()->showMessage(
            QStringLiteral("Записей журнала не подошло и пропущено: %1").arg(state->rejected), 15000);
    }
    return true;
}

void TForm1::Restore(const JournalState& state) {
    retiredHint_->Forget();  // the table brings its own checks
    form2_->SetListText(state.list);
    ResetForNewList(form2_->LineCount());
    const auto has = [&](std::string_view what, const std::vector<std::string>& in) {
        return std::find(in.begin(), in.end(), what) != in.end();
    };
    for (std::string_view name : CheckNames()) {
        checks_->Item(name)->setChecked(has(name, state.start.checks));
    }
    CheckBox1->setChecked(has("YaPages", state.start.columns));
    CheckBox2->setChecked(has("PR", state.start.columns));
    columns_->Restore(state.start.columns);
    engine_->RestoreRows(state);
    for (const auto& [row, col] : state.edited) {
        if (row < model_->RowCount() && col < model_->ColCount()) {
            model_->SetCellByHand(col, row, model_->Cell(col, row), true);
        }
    }
    ShowBarColumns();
    columns_->GrowWindowToShowColumns();  // the table's columns shown, as far as the screen allows
    host_->SetResumeFlag("1");
    host_->SetCsvEnabled(true);
    // The bar's totals only where its columns are shown.
    panels_[1]->setText(checks_->Chosen("bar") ? FromCp1251(engine_->TotalsLine()) : QString());
    journal_->Restored();
}

// Refused while anything runs. A file that is no saved table says why and changes nothing; rows never
// saved are asked about before they go. The rows read are in their file already: nothing to ask about
// when they go, "Пуск" checks their domains afresh, and a recheck goes on in a journal of its own.
void TForm1::OpenResultsClick() {
    if (engine_->State() != RunState::Idle) {
        return;
    }
    const QString path = ChooseFileToOpen(
        {QStringLiteral("Результаты (*.csv *.xlsx)"), QStringLiteral("Все файлы (*)")}, lastResultsName_);
    if (path.isEmpty()) {
        return;
    }
    OpenedResults opened;
    try {
        opened = ReadResults(path, columns_->ColumnsOfChecks());
    } catch (const std::exception& e) {
        host_->ErrorBox(QString::fromLocal8Bit(e.what()));
        return;
    }
    if (opened.read.problem != SavedTableProblem::None) {
        QMessageBox box(QMessageBox::Warning, ApplicationTitle(),
                        QStringLiteral("Файл не похож на сохранённую таблицу результатов: ") + opened.problem,
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    if (!MayReplaceRows()) {
        return;
    }
    Restore(opened.read.state);
    SaveDialog::StartAt(opened.format);  // saved again as it came
    engine_->ForgetResume();
    host_->SetResumeFlag("0");
    journal_->Opened(opened.read.state.rows);
    journal_->Done();
}

// A resumed run keeps its rows, and a run or recheck going on is not started anew.
bool TForm1::MayClearForRun() {
    const bool resuming = host_->ResumeFlag() == "1" && engine_->Resumable();
    return resuming || engine_->State() != RunState::Idle || MayReplaceRows();
}

bool TForm1::MayReplaceRows() {
    return question_->MayReplace();
}

// Closing with rows that were never saved asks first.
void TForm1::closeEvent(QCloseEvent* event) {
    if (!question_->MayClose()) {
        event->ignore();
        return;
    }
    if (engine_->State() != RunState::Idle) {
        // The run or recheck stops at its next pump; the window closes once it has ended.
        host_->SetClosing(true);
        engine_->Button3Click();
        event->ignore();
        return;
    }
    if (!question_->Closing()) {
        host_->SetClosing(false);  // nothing was saved: the window stays
        event->ignore();
        return;
    }
    form2_->close();
    SaveSettings();  // the window as the user leaves it
    event->accept();
}

}  // namespace vantle
