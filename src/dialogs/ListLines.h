#pragma once
// A list text split into lines exactly as the entry dialog's list box splits it into blocks ("\n",
// "\r\n" and a lone "\r" each end a line), without the cost of the box: the dialog keeps a long list
// here while it is hidden, and shows a list too long for the box from here.

#include <QString>
#include <QStringView>
#include <vector>

namespace vantle {

class ListLines {
public:
    explicit ListLines(const QString& text);

    // Lines as the box counts blocks: a last empty line (after a final line end, or an empty text)
    // is one of them.
    int BlockCount() const { return static_cast<int>(starts_.size()); }
    // Lines as the dialog counts them: a last empty line is not one.
    int LineCount() const { return LastBlockEmpty() ? BlockCount() - 1 : BlockCount(); }
    // Line i without its line end; empty outside 0..BlockCount()-1.
    QString Block(int i) const { return BlockView(i).toString(); }
    // The same without a copy; valid while this object lives unchanged.
    QStringView BlockView(int i) const;
    bool LastBlockEmpty() const { return starts_.back() == text_.size(); }
    // Characters of the longest line, its line end left out.
    qsizetype LongestLine() const { return longest_; }
    // The text with "\n" alone between lines, as the box gives it back.
    const QString& Text() const { return text_; }

private:
    QString text_;
    std::vector<qsizetype> starts_;  // where each line begins in text_
    qsizetype longest_ = 0;
};

}  // namespace vantle
