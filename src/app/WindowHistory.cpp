#include "app/WindowHistory.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <ctime>

#include "app/DomainTableModel.h"
#include "dialogs/QtText.h"
#include "history/HistoryTable.h"

namespace vantle {
namespace {

const QString kFreshKey = QStringLiteral("history/fresh");
const QString kKeptDaysKey = QStringLiteral("history/keptDays");
constexpr int kDefaultKeptDays = 365;

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

int KeptDays() {
    bool isNumber = false;
    const int days = QSettings().value(kKeptDaysKey).toInt(&isNumber);
    return isNumber && days > 0 ? days : kDefaultKeptDays;
}

// The selected cells (or every cell) as tab-separated lines, as a spreadsheet takes them.
QString CopiedText(const QTableWidget& table) {
    const bool all = table.selectedItems().isEmpty();
    QString text;
    if (all) {
        for (int c = 0; c < table.columnCount(); ++c) {
            text += (c > 0 ? QStringLiteral("\t") : QString()) + table.horizontalHeaderItem(c)->text();
        }
        text += QLatin1Char('\n');
    }
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        bool any = all;
        for (int c = 0; c < table.columnCount(); ++c) {
            const QTableWidgetItem* item = table.item(r, c);
            const bool taken = all || (item != nullptr && item->isSelected());
            any = any || taken;
            cells << (taken && item != nullptr ? item->text() : QString());
        }
        if (any) {
            text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
        }
    }
    return text;
}

}  // namespace

int ChangesColumn(const DomainTableModel& model) {
    for (int c = model.ColCount() - 1; c > 0; --c) {
        if (model.Cell(c, 0) == history::kChangesColumn) {
            return c;
        }
    }
    return 0;
}

WindowHistory::WindowHistory(QWidget* window, DomainTableModel& model,
                             std::function<void(const QString&)> tell)
    : QObject(window), window_(window), model_(model), tell_(std::move(tell)) {}

WindowHistory::~WindowHistory() = default;

bool WindowHistory::Open(const QString& path) {
    history::HistoryStore::Options options;
    options.keptDays = KeptDays();
    std::string problem;
    store_ = history::HistoryStore::Open(path.toStdString(), Now(), options, problem);
    if (!problem.empty()) {
        tell_(FromCp1251(problem));
    }
    return store_ != nullptr;
}

void WindowHistory::AddSettingsItems(QMenu* menu) {
    fresh_ = menu->addAction(QStringLiteral("Спрашивать всё заново"));
    fresh_->setObjectName(QStringLiteral("HistoryFresh1"));
    fresh_->setCheckable(true);
    fresh_->setChecked(QSettings().value(kFreshKey).toBool());
    connect(fresh_, &QAction::toggled, this, [](bool on) { QSettings().setValue(kFreshKey, on); });
    QAction* kept = menu->addAction(QStringLiteral("Хранить историю..."));
    kept->setObjectName(QStringLiteral("HistoryKept1"));
    connect(kept, &QAction::triggered, this, [this] {
        bool ok = false;
        const int days =
            QInputDialog::getInt(window_, QStringLiteral("История ответов"),
                                 QStringLiteral("Хранить ответы, дней:"), KeptDays(), 1, 36500, 1, &ok);
        if (ok) {
            QSettings().setValue(kKeptDaysKey, days);  // the store drops older answers when it next opens
        }
    });
}

bool WindowHistory::Fresh() const {
    return fresh_ != nullptr && fresh_->isChecked();
}

std::vector<CheckRunHost::PlacedCheck> WindowHistory::Wrap(std::vector<CheckRunHost::PlacedCheck> placed) {
    if (!store_ || Fresh()) {
        return placed;
    }
    for (CheckRunHost::PlacedCheck& p : placed) {
        if (p.check != nullptr && p.keep && history::HasLastingAnswers(p.check->Name())) {
            auto remembering = std::make_shared<history::RememberingCheck>(p.keep, *store_, served_, &Now);
            p = CheckRunHost::PlacedCheck(remembering.get(), p.firstCol, remembering);
        }
    }
    return placed;
}

std::vector<history::CheckSpan> WindowHistory::Spans(
    const std::vector<CheckRunHost::PlacedCheck>& placed) const {
    std::vector<history::CheckSpan> spans{{"bar", 1, {"Tic", "Status", "Yaca"}}};
    for (int c = 4; c < model_.ColCount() && c < 6; ++c) {
        if (model_.Cell(c, 0) == "YaPages" || model_.Cell(c, 0) == "PR") {
            spans.push_back({model_.Cell(c, 0) == "PR" ? "pr" : "yapages", c, {model_.Cell(c, 0)}});
        }
    }
    for (const CheckRunHost::PlacedCheck& p : placed) {
        if (p.check != nullptr) {
            spans.push_back({std::string(p.check->Name()), p.firstCol, p.check->Columns()});
        }
    }
    return spans;
}

void WindowHistory::RowWritten(int row, int line, const std::vector<CheckRunHost::PlacedCheck>& placed) {
    if (!store_) {
        return;
    }
    if (line < 0) {
        store_->Flush();  // a recheck compares with the run's own answers
    }
    history::RunHistory run(*store_, Spans(placed), served_);
    const history::RowChanges changes =
        run.Finished(model_.Cell(0, row), model_.Table().RowCells(row), Now());
    const QString tip = FromCp1251(changes.tip);
    for (int col = 1; col < model_.ColCount(); ++col) {
        model_.SetNote(col, row, QString(), false);  // a rechecked row's notes are of its new answers
    }
    if (const int col = ChangesColumn(model_); col > 0) {
        model_.SetCell(col, row, changes.text);
        model_.SetNote(col, row, changes.text.empty() ? QString() : tip, false);
    }
    for (const int col : changes.changedCols) {
        model_.SetNote(col, row, tip, true);
    }
    for (const auto& [col, text] : changes.cellTips) {
        model_.SetNote(col, row, FromCp1251(text), false);
    }
    TellProblem();
}

void WindowHistory::TellProblem() {
    if (const std::optional<std::string> problem = store_->TakeProblem()) {
        tell_(FromCp1251(*problem));
    }
}

void WindowHistory::ShowDomain(const std::string& domain) {
    if (!store_ || domain.empty()) {
        return;
    }
    store_->Flush();
    const std::vector<std::vector<std::string>> rows = history::HistoryTable(store_->Answers(domain));
    TellProblem();
    QDialog dialog(window_);
    dialog.setObjectName(QStringLiteral("HistoryDialog"));
    dialog.setWindowTitle(QStringLiteral("История домена ") + FromCp1251(domain));
    auto* table =
        new QTableWidget(static_cast<int>(rows.size()) - 1, static_cast<int>(rows[0].size()), &dialog);
    table->setObjectName(QStringLiteral("HistoryTable"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList headers;
    for (const std::string& header : rows[0]) {
        headers << FromCp1251(header);
    }
    table->setHorizontalHeaderLabels(headers);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            table->setItem(static_cast<int>(r - 1), static_cast<int>(c),
                           new QTableWidgetItem(FromCp1251(rows[r][c])));
        }
    }
    table->resizeColumnsToContents();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* copy = buttons->addButton(QStringLiteral("Копировать"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("HistoryCopy"));
    const auto copyText = [table] { QApplication::clipboard()->setText(CopiedText(*table)); };
    connect(copy, &QPushButton::clicked, &dialog, copyText);
    auto* shortcut = new QShortcut(QKeySequence::Copy, table);
    connect(shortcut, &QShortcut::activated, &dialog, copyText);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    dialog.resize(720, 360);
    dialog_ = &dialog;
    dialog.exec();
    dialog_ = nullptr;
}

}  // namespace vantle
