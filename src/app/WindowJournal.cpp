#include "app/WindowJournal.h"

#include <QStatusBar>

#include "app/ChecksMenu.h"
#include "app/DomainTableModel.h"
#include "catalog/CheckCatalog.h"
#include "check/OneByOne.h"
#include "dialogs/TForm2.h"

namespace vantle {

WindowJournal::WindowJournal(const DomainTableModel& model, const ChecksMenu& checks, const TForm2& list,
                             QStatusBar& bar)
    : model_(model), checks_(checks), list_(list), bar_(bar) {}

WindowJournal::~WindowJournal() = default;

int WindowJournal::Open(const QString& stateDir) {
    journal_.reset();  // lets go of an earlier slot first
    JournalSlot slot = JournalSlot::Take(stateDir.toStdString(), Restorable);
    const QString dir = QString::fromStdString(slot.Dir());
    bool isNumber = false;
    const int nth = dir.startsWith(stateDir + u'/') ? dir.mid(stateDir.size() + 1).toInt(&isNumber) : 1;
    journal_ = std::make_unique<RunJournal>(std::move(slot));
    return isNumber ? nth : 0;
}

std::optional<JournalState> WindowJournal::Recoverable() const {
    if (!journal_) {
        return std::nullopt;
    }
    std::optional<JournalState> state = ReadUnfinishedJournal(journal_->Dir());
    if (!state || !Restorable(*state)) {
        return std::nullopt;
    }
    return state;
}

void WindowJournal::Tell(const std::optional<std::string>& error) {
    if (error) {
        bar_.showMessage(
            QStringLiteral("Журнал проверки не записывается: ") + QString::fromLocal8Bit(error->c_str()),
            15000);
    }
}

JournalStart WindowJournal::StartOfTable() const {
    JournalStart start;
    for (int c = 0; c < model_.ColCount(); ++c) {
        start.columns.push_back(model_.Cell(c, 0));
    }
    for (std::string_view name : CheckNames()) {
        if (checks_.Chosen(name)) {
            start.checks.emplace_back(name);
        }
    }
    start.lineCount = list_.LineCount();
    return start;
}

void WindowJournal::SetFresh(bool fresh) {
    if (journal_) {
        journal_->SetFresh(fresh);
    }
}

void WindowJournal::RowWritten(int row, int line, const Totals& totals) {
    unsaved_ = true;
    if (journal_) {
        Tell(journal_->Row(
            row, line, model_.Table().Row(row), {totals.GluedCount, totals.ZeroCount, totals.YacaCount},
            [this] { return StartOfTable(); }, [this] { return list_.ListBytes(); }));
    }
}

void WindowJournal::CellEdited(int col, int row, const std::string& text, bool byHand) {
    unsaved_ = true;
    if (journal_) {
        Tell(journal_->Edit(row, col, text, byHand));
    }
}

void WindowJournal::Resumed(int line, int row) {
    if (journal_) {
        Tell(journal_->Resume(line, row));
    }
}

void WindowJournal::ColumnsChanged() {
    if (journal_) {
        Tell(journal_->Columns(StartOfTable().columns));
    }
}

void WindowJournal::Opened(const std::map<int, JournalRow>& rows) {
    if (journal_) {
        Tell(journal_->Begin(StartOfTable(), list_.ListBytes(), rows));
    }
}

void WindowJournal::Restored() {
    unsaved_ = true;
    if (journal_) {
        journal_->SetFresh(false);
    }
}

void WindowJournal::Flush() {
    if (journal_) {
        journal_->Flush();
    }
}

void WindowJournal::Done() {
    unsaved_ = false;
    if (journal_) {
        journal_->Done();
    }
}

}  // namespace vantle
