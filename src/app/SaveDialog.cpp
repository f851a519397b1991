#include "app/SaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

#include "app/AppTitle.h"
#include "text/Plural.h"

namespace vantle {

namespace {

const QString kFolderKey = QStringLiteral("save/folder");
const QString kFormatKey = QStringLiteral("save/format");

// A save name holding "*" or "?" is a pattern the user typed to see such files, never a file to write.
bool IsPattern(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

SaveFormat RememberedFormat() {
    bool isNumber = false;
    const int format = QSettings().value(kFormatKey).toInt(&isNumber);
    return isNumber && format >= 0 && format <= static_cast<int>(SaveFormat::Xlsx)
               ? static_cast<SaveFormat>(format)
               : SaveFormat::Csv;
}

}  // namespace

QString SavedOfText(long long saved, long long total) {
    const QString one = QStringLiteral("Сохранена");
    const QString other = QStringLiteral("Сохранено");
    return QStringLiteral("%1 %2 из %3: остальные скрыты фильтром")
        .arg(ByNumber(saved, one, other, other), QString::fromStdU16String(RowsCount(saved)))
        .arg(total);
}

void SaveDialog::StartAt(SaveFormat format) {
    QSettings().setValue(kFormatKey, static_cast<int>(format));
}

bool SaveDialog::MayReplace(const QString& path) const {
    QMessageBox box(QMessageBox::Warning, ApplicationTitle(),
                    QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(QFileInfo(path).fileName()),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<SaveChoice> SaveDialog::Choose() const {
    QFileDialog dialog(parent_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The name gets its extension after the dialog: the question is asked here, of the name saved.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(SaveFilters());
    dialog.selectNameFilter(FilterOf(RememberedFormat()));
    const QString folder = QSettings().value(kFolderKey).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        dialog.setDirectory(folder);
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        const QString chosen = dialog.selectedFiles().constFirst();
        if (IsPattern(chosen)) {
            dialog.setDirectory(QFileInfo(chosen).path());
            dialog.setNameFilter(QFileInfo(chosen).fileName());
            dialog.selectFile(QString());
            continue;
        }
        const QString filter = dialog.selectedNameFilter();
        const QString path = SaveName(chosen, filter);
        if (QFileInfo::exists(path) && !MayReplace(path)) {
            dialog.selectFile(QFileInfo(path).fileName());
            continue;
        }
        SaveChoice choice{path, FormatOfSave(path, filter)};
        QSettings settings;
        settings.setValue(kFolderKey, QFileInfo(path).absolutePath());
        settings.setValue(kFormatKey, static_cast<int>(choice.format));
        return choice;
    }
}

}  // namespace vantle
