// What the main window remembers between starts: the chosen checks, the rate, the number of domains
// in flight, its size and place, and the widths of the columns. Nothing remembered leaves the window
// as it is built.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>

#include "app/ChecksMenu.h"
#include "app/DomainTableModel.h"
#include "app/TForm1.h"
#include "catalog/CheckCatalog.h"

namespace vantle {

namespace {

const QString kChecksKey = QStringLiteral("checks");
const QString kRateKey = QStringLiteral("rate");
const QString kParallelKey = QStringLiteral("parallel");
const QString kGeometryKey = QStringLiteral("geometry");
const QString kColumnsGroup = QStringLiteral("columnWidths");

}  // namespace

void TForm1::LoadSettings() {
    QSettings settings;
    if (settings.contains(kChecksKey)) {
        const QStringList chosen = settings.value(kChecksKey).toStringList();
        for (std::string_view name : CheckNames()) {
            checks_->Item(name)->setChecked(chosen.contains(QString::fromLatin1(name.data(), name.size())));
        }
        // The two boxes bring their columns with them, as a click does.
        CheckBox1->setChecked(checks_->Chosen("yapages"));
        CheckBox1Click();
        CheckBox2->setChecked(checks_->Chosen("pr"));
        CheckBox2Click();
    }
    const int rate = ComboBox1->findText(settings.value(kRateKey).toString());
    if (rate >= 0) {
        ComboBox1->setCurrentIndex(rate);
    }
    bool isNumber = false;
    const int parallel = settings.value(kParallelKey).toInt(&isNumber);
    if (isNumber) {
        SpinEdit1->setValue(parallel);
    }
    settings.beginGroup(kColumnsGroup);
    for (int c = 0; c < model_->ColCount(); ++c) {
        const int width = settings.value(QString::fromStdString(model_->Cell(c, 0))).toInt(&isNumber);
        if (isNumber) {
            RzStringGrid1->setColumnWidth(c, width);
        }
    }
    settings.endGroup();
    placeRestored_ = restoreGeometry(settings.value(kGeometryKey).toByteArray());
}

void TForm1::SaveSettings() const {
    QSettings settings;
    QStringList chosen;
    for (std::string_view name : CheckNames()) {
        if (checks_->Chosen(name)) {
            chosen << QString::fromLatin1(name.data(), name.size());
        }
    }
    settings.setValue(kChecksKey, chosen);
    settings.setValue(kRateKey, ComboBox1->currentText());
    settings.setValue(kParallelKey, SpinEdit1->value());
    settings.setValue(kGeometryKey, saveGeometry());
    // A hidden column has no width of its own to keep.
    settings.beginGroup(kColumnsGroup);
    for (int c = 0; c < model_->ColCount(); ++c) {
        if (!RzStringGrid1->isColumnHidden(c)) {
            settings.setValue(QString::fromStdString(model_->Cell(c, 0)), RzStringGrid1->columnWidth(c));
        }
    }
    settings.endGroup();
}

}  // namespace vantle
