// The main window's side of the links check: the ranks file chosen once and remembered, and the
// index built before a run, its pass shown in the status bar while the window goes on answering.
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <atomic>
#include <stop_token>
#include <thread>

#include "app/AppTitle.h"
#include "app/ChecksMenu.h"
#include "app/TForm1.h"
#include "app/WindowRunHost.h"
#include "dialogs/QtText.h"
#include "links/LinksCheck.h"

namespace vantle {

QString TForm1::AskForDataFile(const QString& title, const QString& filter, const std::string& current) {
    QFileDialog dialog(this, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({filter, QStringLiteral("Все файлы (*)")});
    if (!current.empty()) {
        dialog.selectFile(QString::fromStdString(current));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void TForm1::ChooseGraphRanksFile() {
    if (engine_->State() != RunState::Idle) {
        return;  // the list's checks may be running
    }
    const QString path =
        AskForDataFile(QStringLiteral("Файл рангов веб-графа"),
                       QStringLiteral("Ранги графа (*.txt.gz *.txt *.gz)"), endpoints_.graphRanksFile);
    if (path.isEmpty()) {
        return;
    }
    QSettings().setValue(QStringLiteral("graphRanksFile"), path);
    endpoints_.graphRanksFile = path.toStdString();
    checks_->UseEndpoints(endpoints_);
    if (checks_->Chosen("links")) {
        PrepareChosenGraph(true);
    }
}

bool TForm1::PrepareChosenGraph(bool told) {
    if (!checks_->Chosen("links") || endpoints_.graphRanksFile.empty()) {
        return true;
    }
    std::atomic<int> percent{-1};
    std::atomic<bool> done{false};
    std::stop_source stop;
    LinkGraph graph;
    std::thread pass([&] {
        graph = PrepareLinkGraph(
            endpoints_,
            [&percent](std::uint64_t read, std::uint64_t total) {
                percent = total > 0 ? static_cast<int>(read * 100 / total) : 100;
            },
            stop.get_token());
        done = true;
    });
    // An index already built answers at once: the window only changes when a pass is under way.
    QEventLoop loop;
    QTimer poll;
    bool shown = false;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done) {
            loop.quit();
            return;
        }
        if (!shown && percent >= 0) {
            shown = true;
            host_->SetRunInProgress(true);
            host_->SetStartVisible(false);  // "Стоп" stops the pass
        }
        if (shown && host_->StartVisible()) {
            stop.request_stop();
        }
        if (shown) {
            panels_[2]->setText(
                QStringLiteral("Граф ссылок: строится указатель, прочитано %1%").arg(percent.load()));
        }
    });
    poll.start(100);
    if (!done) {
        loop.exec();
    }
    pass.join();
    if (shown) {
        panels_[2]->clear();
        host_->SetStartVisible(true);
        host_->SetRunInProgress(false);
    }
    if (graph.pass.problem == RanksProblem::Stopped) {
        return false;
    }
    if (told && graph.pass.problem != RanksProblem::None) {
        QMessageBox box(QMessageBox::Warning, ApplicationTitle(),
                        QStringLiteral("Файл графа «%1»: %2. В столбцах LinkRank и LinkPR будет «no graph».")
                            .arg(QString::fromStdString(endpoints_.graphRanksFile),
                                 FromCp1251(RanksProblemText(graph.pass))),
                        QMessageBox::Ok);
        box.exec();
    }
    return true;
}

}  // namespace vantle
