#pragma once
// The save dialog of the table: it opens in the folder saved to last with an empty name, at the
// format used last (or the one the table was opened from), adds the chosen format's extension to a
// name without one, and asks before a file is replaced. Folder and format are remembered between
// starts.

#include <QString>
#include <optional>

#include "app/SaveFormat.h"

class QWidget;

namespace vantle {

struct SaveChoice {
    QString path;  // with its extension
    SaveFormat format = SaveFormat::Csv;
};

// What a save tells when a filter left rows out: "Сохранено 5 строк из 30: остальные скрыты фильтром".
QString SavedOfText(long long saved, long long total);

class SaveDialog {
public:
    explicit SaveDialog(QWidget* parent) : parent_(parent) {}

    // The format the next save starts at (a table opened from a file of that format).
    static void StartAt(SaveFormat format);
    // The dialog, and the replace question for a file that exists; nothing when the user gave up.
    std::optional<SaveChoice> Choose() const;

private:
    // "Файл «...» уже существует. Заменить его?"; true for Yes.
    bool MayReplace(const QString& path) const;

    QWidget* parent_;
};

}  // namespace vantle
