#include "dialogs/ListLines.h"

namespace vantle {

ListLines::ListLines(const QString& text) {
    text_.reserve(text.size());
    starts_.push_back(0);
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::ParagraphSeparator) {
            if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            text_.append(QLatin1Char('\n'));
            starts_.push_back(text_.size());
        } else {
            text_.append(c);
        }
    }
}

QString ListLines::Block(int i) const {
    if (i < 0 || i >= BlockCount()) {
        return {};
    }
    const auto at = static_cast<std::size_t>(i);
    const qsizetype begin = starts_[at];
    const qsizetype end = at + 1 < starts_.size() ? starts_[at + 1] - 1 : text_.size();
    return text_.mid(begin, end - begin);
}

}  // namespace vantle
