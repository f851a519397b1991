// The check run's own cost: 200 domains at rate 10 against the service simulator, once through the
// real main window and once through CheckRun with a host without windows. Both use the real HTTP
// client, wrapped to add up the time spent in requests.
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <thread>

#include "DomainLists.h"
#include "GuiCases.h"
#include "SleepingHost.h"
#include "app/DomainTableModel.h"
#include "app/TForm1.h"
#include "dialogs/QtText.h"
#include "dialogs/TForm2.h"
#include "http/HttpClient.h"
#include "sim/ProcessFigures.h"
#include "sim/ServiceSimulator.h"

namespace vantle::bench {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

class TimedHttp : public HttpGetter {
public:
    void Get(std::string_view url, std::string& result) override {
        const auto start = Clock::now();
        try {
            client_.Get(url, result);
        } catch (...) {
            spent_ += Clock::now() - start;
            throw;
        }
        spent_ += Clock::now() - start;
    }
    Clock::duration Spent() const { return spent_; }

private:
    HttpClient client_;
    Clock::duration spent_{};
};

std::string RunList() {
    std::string list;
    for (int i = 0; i < kRunDomains; ++i) {
        list += DomainName(i) + "\n";
    }
    return list;
}

// Notes when the end question appears and answers it with "No".
class EndQuestionWatch : public QObject {
public:
    Clock::time_point shownAt{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && shownAt == Clock::time_point{}) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                shownAt = Clock::now();
                QTimer::singleShot(0, box, [box]() { box->button(QMessageBox::No)->click(); });
            }
        }
        return false;
    }
};

struct CpuClock {
    double thread = sim::CpuSeconds(RUSAGE_THREAD);
    double process = sim::CpuSeconds(RUSAGE_SELF);
};

std::string Note(Clock::duration total, Clock::duration requests, const CpuClock& start) {
    const double ideal = kRunDomains * (1.0 / kRunRate);
    const double over = Seconds(total) - ideal;
    const CpuClock end;
    char text[240];
    std::snprintf(text, sizeof text,
                  "over ideal %.0f ms (%.2f %%), of it in requests %.0f ms; processor time of the run's "
                  "thread %.0f ms, of the process %.0f ms",
                  over * 1e3, 100.0 * over / ideal, Seconds(requests) * 1e3,
                  (end.thread - start.thread) * 1e3, (end.process - start.process) * 1e3);
    return text;
}

}  // namespace

namespace {

CaseOutcome RunInMainWindow(const std::string& journalDir) {
    sim::ServiceSimulator simulator;
    auto http = std::make_unique<TimedHttp>();
    TimedHttp* timed = http.get();
    TForm1 form1(simulator.Hosts(), std::move(http));
    if (!journalDir.empty()) {
        form1.EnableSafetyNet(QString::fromStdString(journalDir));
    }
    form1.show();
    form1.Form2()->SetListText(RunList());
    form1.HandOver(form1.Form2()->LineCount());
    auto* rate = form1.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    rate->setCurrentIndex(rate->findText(QString::number(kRunRate)));
    QApplication::processEvents();
    EndQuestionWatch watch;
    qApp->installEventFilter(&watch);
    const CpuClock cpu;
    const auto start = Clock::now();
    form1.Button2Click();
    qApp->removeEventFilter(&watch);
    if (form1.Model()->RowCount() - 1 != kRunDomains || watch.shownAt == Clock::time_point{}) {
        throw CaseFailed("the run did not check every domain");
    }
    const auto total = watch.shownAt - start;
    return {Seconds(total), Note(total, timed->Spent(), cpu)};
}

}  // namespace

CaseOutcome RunThroughMainWindow(const std::string&) {
    return RunInMainWindow({});
}

CaseOutcome RunThroughMainWindowWithJournal(const std::string& dir) {
    return RunInMainWindow(dir + "/journal");
}

CaseOutcome RunThroughEngine(const std::string&) {
    sim::ServiceSimulator simulator;
    SleepingHost host;
    host.rate = std::to_string(kRunRate);
    for (int i = 0; i < kRunDomains; ++i) {
        host.lines.push_back(DomainName(i));
    }
    TimedHttp http;
    CheckRun run(host, http, simulator.Hosts(), [](std::string_view, std::string&) {});
    const CpuClock cpu;
    const auto start = Clock::now();
    run.Button2Click();
    const auto total = Clock::now() - start;
    if (host.RowCount() - 1 != kRunDomains) {
        throw CaseFailed("the run did not check every domain");
    }
    char sleeps[80];
    std::snprintf(sleeps, sizeof sleeps, ", in pauses beyond their %d ms each %.1f ms", 1000 / kRunRate,
                  (Seconds(host.Slept()) - kRunDomains * (1.0 / kRunRate)) * 1e3);
    return {Seconds(total), Note(total, http.Spent(), cpu) + sleeps};
}

}  // namespace vantle::bench
