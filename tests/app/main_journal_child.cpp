// A window that runs a list with its journal on, until it is killed: the parent test restores what the
// journal kept.
//   journal-child STATE_DIR LINES [parallel]
// With "parallel" the run asks the DNS check alone (every answer after 200 ms), two domains at once.
#include <QApplication>
#include <QComboBox>
#include <QSettings>
#include <QSpinBox>
#include <chrono>
#include <memory>
#include <string_view>

#include "app/ChecksMenu.h"
#include "app/TForm1.h"
#include "dialogs/TForm2.h"
#include "sim/CheckServices.h"
#include "sim/ServiceSimulator.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc < 3) {
        return 2;
    }
    // The window is built as on a first start, whatever the user's settings hold; the parent's folder
    // goes when the test ends, the child being killed.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromLocal8Bit(argv[1]) + QStringLiteral("/settings"));
    vantle::sim::ServiceSimulator simulator;
    vantle::TForm1 form(simulator.Hosts());
    const bool parallel = argc > 3 && std::string_view(argv[3]) == "parallel";
    std::unique_ptr<vantle::sim::CheckServices> services;
    if (parallel) {
        services = std::make_unique<vantle::sim::CheckServices>();
        services->SetDelayAll(std::chrono::milliseconds(200));
        form.UseCheckEndpoints(services->Endpoints());
    }
    form.EnableSafetyNet(QString::fromLocal8Bit(argv[1]));
    std::string list;
    for (int i = 1; i <= std::atoi(argv[2]); ++i) {
        list += "d" + std::to_string(i) + ".test\n";
    }
    form.Form2()->SetListText(list);
    form.HandOver(form.Form2()->LineCount());
    if (parallel) {
        form.Checks().Item("bar")->trigger();
        form.Checks().Item("dns")->trigger();
        form.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(2);
    }
    form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(4);  // 5 domains a second
    form.show();
    form.Button2Click();
    return 0;
}
