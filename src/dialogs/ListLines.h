#pragma once
// A list text split into lines exactly as the entry dialog's list box splits it into blocks ("\n",
// "\r\n" and a lone "\r" each end a line), without the cost of the box: the dialog keeps a long list
// here while it is hidden and fills the box when it is shown.

#include <QString>
#include <vector>

namespace vantle {

class ListLines {
public:
    explicit ListLines(const QString& text);

    // Lines as the box counts blocks: a last empty line (after a final line end, or an empty text)
    // is one of them.
    int BlockCount() const { return static_cast<int>(starts_.size()); }
    // Line i without its line end; empty outside 0..BlockCount()-1.
    QString Block(int i) const;
    bool LastBlockEmpty() const { return starts_.back() == text_.size(); }
    // The text with "\n" alone between lines, as the box gives it back.
    const QString& Text() const { return text_; }

private:
    QString text_;
    std::vector<qsizetype> starts_;  // where each line begins in text_
};

}  // namespace vantle
