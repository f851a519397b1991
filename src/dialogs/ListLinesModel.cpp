#include "dialogs/ListLinesModel.h"

#include "check/CleanDomainLine.h"
#include "text/Plural.h"

namespace vantle {
namespace {

// "символ", "символа" or "символов", as the number n asks.
QString Characters(qsizetype n) {
    const QString one = QStringLiteral("символ");
    const QString few = QStringLiteral("символа");
    const QString many = QStringLiteral("символов");
    return ByNumber(n, one, few, many);
}

}  // namespace

QString ShownLine(QStringView line) {
    constexpr auto kLimit = static_cast<qsizetype>(kLongestListLine);
    if (line.size() <= kLimit) {
        return line.toString();
    }
    QStringView start = line.left(kLimit);
    if (start.back().isHighSurrogate()) {
        start.chop(1);  // half a character would show as a box
    }
    return QStringLiteral("[строка обрезана: %1 %2] ").arg(line.size()).arg(Characters(line.size())) +
           start.toString() + QStringLiteral("…");
}

void ListLinesModel::SetLines(const ListLines* lines) {
    beginResetModel();
    lines_ = lines;
    endResetModel();
}

int ListLinesModel::rowCount(const QModelIndex& parent) const {
    return lines_ == nullptr || parent.isValid() ? 0 : lines_->LineCount();
}

QVariant ListLinesModel::data(const QModelIndex& index, int role) const {
    if (lines_ == nullptr || !index.isValid() || role != Qt::DisplayRole) {
        return {};
    }
    return ShownLine(lines_->BlockView(index.row()));
}

}  // namespace vantle
