#include "app/CheckDataFiles.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <atomic>
#include <stop_token>
#include <thread>

#include "app/AppTitle.h"
#include "app/ChecksMenu.h"
#include "dialogs/QtText.h"
#include "links/LinksCheck.h"

namespace vantle {

CheckDataFiles::CheckDataFiles(QWidget* window, ChecksMenu& checks, QLabel* panel)
    : window_(window), checks_(checks), panel_(panel) {}

// The top-sites list is the user's choice, remembered between sessions; the one endpoints name is
// taken until a choice was made.
void CheckDataFiles::Use(const CheckEndpoints& endpoints) {
    endpoints_ = endpoints;
    const QString chosen = QSettings().value(QStringLiteral("topListFile")).toString();
    if (!chosen.isEmpty()) {
        endpoints_.topListFile = chosen.toStdString();
    }
    const QString graph = QSettings().value(QStringLiteral("graphRanksFile")).toString();
    if (!graph.isEmpty()) {
        endpoints_.graphRanksFile = graph.toStdString();
    }
    checks_.UseEndpoints(endpoints_);
}

void CheckDataFiles::ChooseTopList() {
    const QString path =
        AskForDataFile(QStringLiteral("Список сайтов"), QStringLiteral("Списки сайтов (*.csv *.zip)"),
                       endpoints_.topListFile);
    if (path.isEmpty()) {
        return;
    }
    QSettings().setValue(QStringLiteral("topListFile"), path);
    endpoints_.topListFile = path.toStdString();
    checks_.UseEndpoints(endpoints_);
}

QString CheckDataFiles::AskForDataFile(const QString& title, const QString& filter,
                                       const std::string& current) {
    QFileDialog dialog(window_, title);
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

void CheckDataFiles::ChooseGraphRanks(CheckRunHost& run) {
    const QString path =
        AskForDataFile(QStringLiteral("Файл рангов веб-графа"),
                       QStringLiteral("Ранги графа (*.txt.gz *.txt *.gz)"), endpoints_.graphRanksFile);
    if (path.isEmpty()) {
        return;
    }
    QSettings().setValue(QStringLiteral("graphRanksFile"), path);
    endpoints_.graphRanksFile = path.toStdString();
    checks_.UseEndpoints(endpoints_);
    if (checks_.Chosen("links")) {
        PrepareChosenGraph(run, true);
    }
}

bool CheckDataFiles::PrepareChosenGraph(CheckRunHost& run, bool told) {
    if (!checks_.Chosen("links") || endpoints_.graphRanksFile.empty()) {
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
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done) {
            loop.quit();
            return;
        }
        if (!shown && percent >= 0) {
            shown = true;
            run.SetRunInProgress(true);
            run.SetStartVisible(false);  // "Стоп" stops the pass
        }
        if (shown && run.StartVisible()) {
            stop.request_stop();
        }
        if (shown) {
            panel_->setText(
                QStringLiteral("Граф ссылок: строится указатель, прочитано %1%").arg(percent.load()));
        }
    });
    poll.start(100);
    if (!done) {
        loop.exec();
    }
    pass.join();
    if (shown) {
        panel_->clear();
        run.SetStartVisible(true);
        run.SetRunInProgress(false);
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
