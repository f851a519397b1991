#include "dialogs/ListLines.h"

#include <algorithm>

namespace vantle {
namespace {

bool EndsLine(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::ParagraphSeparator;
}

}  // namespace

ListLines::ListLines(const QString& text) {
    starts_.push_back(0);
    const QChar* const chars = text.constData();
    const qsizetype size = text.size();
    // A text whose lines all end in "\n" alone (the usual case) is kept as it is, without a copy.
    qsizetype i = 0;
    for (; i < size; ++i) {
        if (chars[i] == QLatin1Char('\n')) {
            starts_.push_back(i + 1);
        } else if (EndsLine(chars[i])) {
            break;
        }
    }
    if (i == size) {
        text_ = text;
    } else {
        text_.reserve(size);
        text_.append(chars, i);
        for (; i < size; ++i) {
            const QChar c = chars[i];
            if (EndsLine(c)) {
                if (c == QLatin1Char('\r') && i + 1 < size && chars[i + 1] == QLatin1Char('\n')) {
                    ++i;
                }
                text_.append(QLatin1Char('\n'));
                starts_.push_back(text_.size());
            } else {
                text_.append(c);
            }
        }
    }
    for (std::size_t at = 0; at < starts_.size(); ++at) {
        const qsizetype end = at + 1 < starts_.size() ? starts_[at + 1] - 1 : text_.size();
        longest_ = std::max(longest_, end - starts_[at]);
    }
}

QStringView ListLines::BlockView(int i) const {
    if (i < 0 || i >= BlockCount()) {
        return {};
    }
    const auto at = static_cast<std::size_t>(i);
    const qsizetype begin = starts_[at];
    const qsizetype end = at + 1 < starts_.size() ? starts_[at + 1] - 1 : text_.size();
    return QStringView(text_).mid(begin, end - begin);
}

}  // namespace vantle
