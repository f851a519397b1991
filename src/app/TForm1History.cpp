// The main window and the store of answers: switched on by the program (not by the tests that do not
// ask for it), its items in the table's menu, the Changes column after the checks of today.
#include <QAction>
#include <QMenu>
#include <QStatusBar>

#include "app/DomainTableModel.h"
#include "app/TForm1.h"
#include "app/TableControls.h"
#include "app/WindowHistory.h"
#include "app/WindowRunHost.h"

namespace vantle {

void TForm1::EnableHistory(const QString& path) {
    if (history_ == nullptr) {
        history_ = new WindowHistory(
            this, *model_, [this](const QString& problem) { statusBar()->showMessage(problem, 15000); });
        HistoryItem1 = new QAction(QStringLiteral("История домена..."), PopupMenu1);
        HistoryItem1->setObjectName(QStringLiteral("HistoryItem1"));
        PopupMenu1->insertAction(Whois1->menuAction(), HistoryItem1);
        connect(HistoryItem1, &QAction::triggered, this, &TForm1::HistoryItem1Click);
        QMenu* settings = new QMenu(QStringLiteral("История ответов"), PopupMenu1);
        settings->setObjectName(QStringLiteral("HistorySettings1"));
        history_->AddSettingsItems(settings);
        PopupMenu1->addMenu(settings);
    }
    history_->Open(path);
    // A clean table takes the Changes column at once; one with rows keeps its columns.
    columns_->UseHistory(history_);
    host_->UseHistory(history_);
    columns_->LayOutAnew();
}

void TForm1::HistoryItem1Click() {
    const int row = table_->CurrentRow();
    if (history_ != nullptr && row > 0) {
        history_->ShowDomain(model_->Cell(0, row));
    }
}

}  // namespace vantle
