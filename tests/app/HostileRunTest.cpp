// The main window when the bar service turns hostile for one domain: the window has its own HTTP
// client with short time-outs and a small cap, so the bad answer fails the request quickly, the run
// ends with the error box, and the window goes on working: the resume checks that domain and the rest,
// and the next run works as well.
#include <QAction>
#include <atomic>
#include <chrono>

#include "app/MainWindowFixture.h"
#include "http/HttpClient.h"
#include "sim/Support.h"
#include "sim/TestServer.h"
#include "support/CaseName.h"

namespace vantle::testing {
namespace {

using sim::Repeat;

using sim::Reply;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

struct HostileBar {
    const char* name;
    Reply reply;
};

std::vector<HostileBar> Cases() {
    const std::string okHead = "HTTP/1.1 200 OK\r\n";
    return {
        {"one byte a second",
         Reply().sendPieces(okHead + "Content-Length: 2\r\n\r\nok", 1, milliseconds(1000))},
        {"endless header lines",
         Reply().send(okHead + Repeat("X-Pad: " + std::string(100, 'p') + "\r\n", 20000)).hold()},
        {"endless chunked body", Reply()
                                     .send(okHead + "Transfer-Encoding: chunked\r\n\r\n" +
                                           Repeat("1000\r\n" + std::string(4096, 'c') + "\r\n", 64))
                                     .hold()},
        {"huge Content-Length",
         Reply().send(okHead + "Content-Length: 999999999999\r\n\r\nvalue=\"5\"").hold()},
        {"reset in the middle of the body",
         Reply().send(okHead + "Content-Length: 500\r\n\r\n<tcy value=\"").sleep(milliseconds(50)).reset()},
        {"garbage status line", Reply().send("\x01\x02 garbage\r\n\r\nvalue=\"7\"").close()},
        {"NUL bytes", Reply().send(std::string("HTTP/1.1 200\0 OK\r\n\r\n", 20)).close()},
    };
}

class HostileRun : public MainWindowFixture, public ::testing::WithParamInterface<std::size_t> {
protected:
    sim::TestServer bar;
    std::string hostileDomain;
    std::atomic<bool> hostile{true};

    void SetUp() override {
        ServiceHosts hosts = sim.Hosts();
        hosts.bar = bar.authority();
        bar.setHandler([this, catalogue = hosts.catalogue](const sim::Request& request) {
            std::string domain = request.target.substr(request.target.find("url=http://") + 11);
            if (hostile && domain == hostileDomain) {
                return Cases().at(GetParam()).reply;
            }
            return Reply::http(200, sim::BarAnswerFor(domain, sim::SiteFor(domain), catalogue));
        });
        auto http = std::make_unique<HttpClient>();
        http->setConnectTimeout(milliseconds(1000));
        http->setReadTimeout(milliseconds(300));
        http->setTotalTimeout(milliseconds(3000));
        http->setMaxBody(64 * 1024);

        AnswerScope() = new QObject();
        TForm1::UrlOpener() = [this](const QUrl& url) { opened.push_back(url); };
        form = std::make_unique<TForm1>(hosts, std::move(http));
        form->show();
        QApplication::setActiveWindow(form.get());
        Combo()->setCurrentIndex(9);
    }
};

TEST_P(HostileRun, Should_ShowTheErrorBoxAndGoOnWithTheNextDomain) {
    SCOPED_TRACE(Cases().at(GetParam()).name);
    const auto names = Domains(3, [](const sim::SimSite&) { return true; });
    hostileDomain = names[1];
    EnterList(Lines(names));

    auto box = AnswerNextBox(QMessageBox::Ok);
    const auto start = Clock::now();
    Button("Button2")->click();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, QStringLiteral("'' is not a valid integer value."));
    EXPECT_EQ(box->icon, QMessageBox::Critical);
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(0, 1), FromCp1251(names[0]));
    EXPECT_TRUE(Button("Button2")->isVisible());
    EXPECT_TRUE(Find<QAction>("csv1")->isEnabled());
    EXPECT_EQ(ResumeLabel()->text(), QStringLiteral("1"));

    // The service is well again: the resume checks the failed domain and the one after it.
    hostile = false;
    Start();
    ASSERT_EQ(RowCount(), 4);
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(Cell(0, r), FromCp1251(names[static_cast<std::size_t>(r - 1)])) << r;
        EXPECT_EQ(Cell(1, r), QString::number(sim::SiteFor(names[static_cast<std::size_t>(r - 1)]).tic)) << r;
    }
    EXPECT_EQ(ResumeLabel()->text(), QStringLiteral("0"));

    // And a fresh run over the whole list works too.
    Start();
    ASSERT_EQ(RowCount(), 4);
    EXPECT_EQ(Cell(0, 2), FromCp1251(names[1]));
    EXPECT_EQ(form->PanelText(0), QStringLiteral("Всего: 3/3"));
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileRun, ::testing::Range<std::size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return vantle::testing::CaseName(Cases().at(info.param).name);
                         });

// A hostile answer that keeps coming stops every run at that domain, and each time the window is
// left ready for the next command.
TEST_P(HostileRun, Should_StopAtTheSameDomainAgain_When_TheServiceStaysHostile) {
    const auto names = Domains(2, [](const sim::SimSite&) { return true; });
    hostileDomain = names[0];
    EnterList(Lines(names));
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto box = AnswerNextBox(QMessageBox::Ok);
        Button("Button2")->click();
        ASSERT_TRUE(box->shown) << attempt;
        EXPECT_EQ(RowCount(), 2) << attempt;
        EXPECT_TRUE(Cell(0, 1).isEmpty()) << attempt;
        EXPECT_TRUE(Button("Button2")->isVisible()) << attempt;
    }
}

}  // namespace
}  // namespace vantle::testing
