#pragma once
// The entry dialog's read-only view of a list too long for its list box: one row a line, held in
// memory as ListLines. A line too long to be a domain is shown cut, with a mark saying so; the list
// itself keeps it whole.

#include <QAbstractListModel>
#include <QString>
#include <QStringView>

#include "dialogs/ListLines.h"

namespace vantle {

// A line as the view shows it: whole up to kLongestListLine characters; a longer one as
// "[строка обрезана: N символов] " (N its whole length, the word agreeing with N), its first
// kLongestListLine characters and "…". The mark comes first: the view elides a long row at its end.
QString ShownLine(QStringView line);

class ListLinesModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // The lines shown, or none for nullptr. They are not copied: set them again (or nullptr) before
    // they change or go.
    void SetLines(const ListLines* lines);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    const ListLines* lines_ = nullptr;
};

}  // namespace vantle
