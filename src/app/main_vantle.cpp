// Vantle: the program against the real services.
#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "app/TForm1.h"
#include "app/Translations.h"
#include "history/HistoryStore.h"
#include "io/Journal.h"
#include "pace/SharedPaces.h"

int main(int argc, char** argv) {
    // Before any run: the paces of the services that limit each address are kept with the other copies.
    vantle::SharePacesIn(vantle::DefaultPaceStateDir());
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("vantle"));
    QCoreApplication::setApplicationName(QStringLiteral("vantle"));
    vantle::InstallRussianQtTexts(app);
    vantle::TForm1 form1;
    if (!form1.PlaceRestored()) {
        form1.move(form1.screen()->availableGeometry().center() - form1.rect().center());
    }
    form1.EnableSafetyNet(QString::fromStdString(vantle::DefaultStateDir()));
    form1.TellRetiredServices();
    if (const std::string store = vantle::history::HistoryStore::DefaultPath(); !store.empty()) {
        form1.EnableHistory(QString::fromStdString(store));
    }
    form1.show();
    QTimer::singleShot(0, &form1, [&form1]() { form1.OfferRecovery(); });
    return app.exec();
}
