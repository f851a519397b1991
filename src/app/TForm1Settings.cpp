// What the main window remembers between starts: the chosen checks, the rate, the number of domains
// in flight, its size and place, and the widths of the columns. Nothing remembered leaves the window
// as it is built. What changes is written soon after (a killed window loses nothing), and again as
// the window closes.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include "app/ChecksMenu.h"
#include "app/DomainTableModel.h"
#include "app/TForm1.h"
#include "catalog/CheckCatalog.h"

namespace vantle {

namespace {

const QString kChecksKey = QStringLiteral("checks");
const QString kRateKey = QStringLiteral("rate");
const QString kParallelKey = QStringLiteral("parallel");
const QString kDnsRateKey = QStringLiteral("dnsRate");
const QString kGeometryKey = QStringLiteral("geometry");
const QString kColumnsGroup = QStringLiteral("columnWidths");

// A moved or resized window asks for its settings to be written.
class PlaceWatch : public QObject {
public:
    PlaceWatch(QObject* parent, QTimer* save) : QObject(parent), save_(save) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
            save_->start();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTimer* save_;
};

}  // namespace

// Changes come in bursts (a dragged column edge, a moved window): they are written once it settles.
void TForm1::SaveSettingsOnChange() {
    auto* save = new QTimer(this);
    save->setSingleShot(true);
    save->setInterval(500);
    connect(save, &QTimer::timeout, this, &TForm1::SaveSettings);
    const auto later = [save]() { save->start(); };
    for (std::string_view name : CheckNames()) {
        connect(checks_->Item(name), &QAction::toggled, save, later);
    }
    connect(ComboBox1, &QComboBox::currentIndexChanged, save, later);
    connect(SpinEdit1, &QSpinBox::valueChanged, save, later);
    connect(RzStringGrid1->horizontalHeader(), &QHeaderView::sectionResized, save, later);
    installEventFilter(new PlaceWatch(this, save));
}

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
    const int dnsRate = settings.value(kDnsRateKey).toInt(&isNumber);
    if (isNumber && dnsRate >= kMinDnsRate && dnsRate <= kMaxDnsRate) {
        dnsRate_ = dnsRate;
        engine_->UseDnsRate(dnsRate_);
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
    settings.setValue(kDnsRateKey, dnsRate_);
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
