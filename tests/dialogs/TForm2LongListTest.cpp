// A long list set while the entry dialog is hidden waits beside the list box until the dialog is
// shown. Whatever the dialog answers must not depend on where the list is at that moment.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <memory>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "dialogs/TForm2Fixture.h"

namespace vantle {
namespace {

// What the dialog tells about its list.
struct ListView {
    int lineCount = 0;
    std::vector<std::string> lines;  // Line(i) for -1 .. lineCount
    QString text;
    QString count;  // Label1

    bool operator==(const ListView&) const = default;
};

std::string LongList(std::string_view lineEnd, int lines, bool endsWithLineEnd) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        // A few lines carry every byte of the code page but the line ends, NUL included.
        if (i % 3000 == 7) {
            for (int b = 0; b < 256; ++b) {
                if (b != '\n' && b != '\r') {
                    text.push_back(static_cast<char>(b));
                }
            }
        } else {
            text += "d" + std::to_string(i) + (i % 2 == 0 ? ".ru" : ".\xF0\xF4");
        }
        if (i + 1 < lines || endsWithLineEnd) {
            text += lineEnd;
        }
    }
    return text;
}

class TForm2LongListTest : public testing::TForm2Fixture {
protected:
    ListView View() const {
        ListView view;
        view.lineCount = dialog_->LineCount();
        for (int i = -1; i <= view.lineCount; ++i) {
            view.lines.push_back(dialog_->Line(i));
        }
        view.text = dialog_->ListText();
        view.count = Count();
        return view;
    }
};

struct LineEndCase {
    const char* name;
    const char* lineEnd;
    bool endsWithLineEnd;

    friend void PrintTo(const LineEndCase& c, std::ostream* out) { *out << c.name; }
};

class TForm2LineEnds : public TForm2LongListTest, public ::testing::WithParamInterface<LineEndCase> {};

TEST_P(TForm2LineEnds, Should_ReadTheSameBeforeAndAfterTheBoxIsFilled) {
    const LineEndCase& c = GetParam();
    dialog_->SetListText(LongList(c.lineEnd, TForm2::kDeferredLines + 5, c.endsWithLineEnd));
    EXPECT_EQ(Memo()->document()->characterCount(), 1) << "the box waits";
    const ListView deferred = View();
    EXPECT_EQ(deferred.lineCount, TForm2::kDeferredLines + 5);
    Open();
    EXPECT_EQ(View(), deferred);
    EXPECT_EQ(Memo()->document()->blockCount(), deferred.lineCount + (c.endsWithLineEnd ? 1 : 0));
    EXPECT_EQ(dialog_->ListEdited(), 0);
}

INSTANTIATE_TEST_SUITE_P(LongLists, TForm2LineEnds,
                         ::testing::Values(LineEndCase{"Lf", "\n", true},
                                           LineEndCase{"LfNoLast", "\n", false},
                                           LineEndCase{"CrLf", "\r\n", true}, LineEndCase{"Cr", "\r", true},
                                           LineEndCase{"CrNoLast", "\r", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TForm2LongListTest, SetListText_Should_RunMemo1ChangeOnceAndNotForTheSameText) {
    const std::string list = LongList("\n", TForm2::kDeferredLines, true);
    Open();
    dialog_->hide();
    dialog_->SetListText(list);
    EXPECT_EQ(dialog_->ListEdited(), 1);
    EXPECT_EQ(Count(), QString::number(TForm2::kDeferredLines));
    EXPECT_TRUE(dialog_->findChild<QPushButton*>(QStringLiteral("Button1"))->isEnabled());
    Open();
    dialog_->hide();
    QSignalSpy changes(Memo(), &QPlainTextEdit::textChanged);
    dialog_->SetListText(list);
    EXPECT_EQ(dialog_->ListEdited(), 0) << "the same text is no change";
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(TForm2LongListTest, Cancel_Should_BringBackTheListThatWasThereWhenTheDialogOpened) {
    const std::string list = LongList("\n", TForm2::kDeferredLines, true);
    dialog_->SetListText(list);
    Open();
    dialog_->SetListText("a.ru");  // visible: straight into the box
    EXPECT_EQ(dialog_->LineCount(), 1);
    dialog_->findChild<QPushButton*>(QStringLiteral("Button3"))->click();
    EXPECT_EQ(dialog_->LineCount(), TForm2::kDeferredLines);
    EXPECT_EQ(dialog_->Line(1), "d1.\xF0\xF4");
}

TEST_F(TForm2LongListTest, Clear_Should_DropAWaitingList) {
    dialog_->SetListText(LongList("\n", TForm2::kDeferredLines, true));
    dialog_->Button2Click();
    EXPECT_EQ(dialog_->LineCount(), 0);
    EXPECT_EQ(dialog_->ListText(), QString());
    EXPECT_EQ(dialog_->Line(0), "");
    Open();
    EXPECT_EQ(Memo()->document()->characterCount(), 1);
}

TEST_F(TForm2LongListTest, AShortListAfterALongOne_Should_GoStraightIntoTheBox) {
    dialog_->SetListText(LongList("\n", TForm2::kDeferredLines, true));
    dialog_->SetListText("a.ru\nb.ru");
    EXPECT_EQ(Memo()->toPlainText(), QStringLiteral("a.ru\nb.ru"));
    EXPECT_EQ(dialog_->LineCount(), 2);
    EXPECT_EQ(Count(), QStringLiteral("2"));
}

}  // namespace
}  // namespace vantle
