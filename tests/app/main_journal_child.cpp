// A window that runs a list with its journal on, until it is killed: the parent test restores what the
// journal kept.
//   journal-child STATE_DIR LINES
#include <QApplication>
#include <QComboBox>
#include <QSettings>

#include "app/TForm1.h"
#include "dialogs/TForm2.h"
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
    form.EnableSafetyNet(QString::fromLocal8Bit(argv[1]));
    std::string list;
    for (int i = 1; i <= std::atoi(argv[2]); ++i) {
        list += "d" + std::to_string(i) + ".test\n";
    }
    form.Form2()->SetListText(list);
    form.HandOver(form.Form2()->LineCount());
    form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(4);  // 5 domains a second
    form.show();
    form.Button2Click();
    return 0;
}
