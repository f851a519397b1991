// Vantle against the bundled simulator of the web services, on a loopback port.
//
//   vantle-demo                     the main window, as the program is, with simulated services
//   vantle-demo --screenshot FILE   loads a sample list, runs it with every check, and saves a picture
//                                   of the window
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <optional>

#include "app/ChecksMenu.h"
#include "app/TForm1.h"
#include "app/Translations.h"
#include "dialogs/QtText.h"
#include "dialogs/TForm2.h"
#include "io/Journal.h"
#include "sim/CheckServices.h"
#include "sim/ServiceSimulator.h"

namespace {

const char16_t kSampleList[] =
    u"yandex.ru\nпример.рф\n  WWW.Site.TEST/  \nnews.example.com\nmail.ru\nхабр.рф\nnot-a-domain\n"
    u"shop.example.org\nlenta.ru\nблог.рус\nexample.net\nwww.forum.example.ru\n";

// Answers the end question with "No" and saves the window once the run is over.
void ScreenshotWhenDone(vantle::TForm1& form, const QString& file) {
    auto* poll = new QTimer(&form);
    QObject::connect(poll, &QTimer::timeout, &form, [&form, poll, file]() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->button(QMessageBox::No)->click();
            poll->stop();
            QTimer::singleShot(200, &form, [&form, file]() {
                form.grab().save(file);
                QApplication::quit();
            });
        }
    });
    poll->start(50);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("vantle"));
    QCoreApplication::setApplicationName(QStringLiteral("vantle-demo"));
    vantle::InstallRussianQtTexts(app);
    vantle::sim::ServiceSimulator simulator;
    const QStringList args = QApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--screenshot"));
    // The picture shows the window as it is built, whatever the demo remembers.
    std::optional<QTemporaryDir> freshSettings;
    if (at >= 0) {
        freshSettings.emplace();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, freshSettings->path());
    }
    // The top-sites list is kept beside the demo's journal and written anew at each start.
    vantle::sim::CheckServices services(vantle::DefaultStateDir("demo") + "/toplist.csv");
    vantle::TForm1 form1(simulator.Hosts());
    form1.UseCheckEndpoints(services.Endpoints());
    if (!form1.PlaceRestored()) {
        form1.move(form1.screen()->availableGeometry().center() - form1.rect().center());
    }
    form1.show();

    if (at < 0) {
        // The demo keeps its journal apart from the program's.
        form1.EnableSafetyNet(QString::fromStdString(vantle::DefaultStateDir("demo")));
        // ... and its store of answers: the simulator's answers never mix with the real ones.
        form1.EnableHistory(QString::fromStdString(vantle::DefaultStateDir("demo") + "/history.sqlite"));
        QTimer::singleShot(0, &form1, [&form1]() { form1.OfferRecovery(); });
    }
    if (at >= 0 && at + 1 < args.size()) {
        form1.Form2()->SetListText(vantle::ToCp1251(QString::fromUtf16(kSampleList)));
        form1.HandOver(form1.Form2()->LineCount());
        form1.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(9);
        form1.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->click();
        form1.findChild<QCheckBox*>(QStringLiteral("CheckBox2"))->click();
        for (const char* name : {"dns", "web", "ssl", "registry", "archive", "rank"}) {
            form1.Checks().Item(name)->trigger();
        }
        form1.resize(1700, form1.height());
        ScreenshotWhenDone(form1, args.at(at + 1));
        QTimer::singleShot(100, &form1, [&form1]() { form1.Button2Click(); });
    }
    return app.exec();
}
