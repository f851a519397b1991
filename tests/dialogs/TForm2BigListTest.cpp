// A list too long for the list box (too many lines, or a line no domain can be) is shown read-only in a
// list view; the dialog answers the same as with the box, and "Редактировать" puts it into the box.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check/CleanDomainLine.h"
#include "dialogs/ListLinesModel.h"
#include "dialogs/QtText.h"
#include "dialogs/TForm2Fixture.h"

namespace vantle {
namespace {

constexpr int kLongest = static_cast<int>(kLongestListLine);

std::string ManyLines(int count, const char* lineEnd = "\r\n") {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "d" + std::to_string(i) + ".ru" + lineEnd;
    }
    return text;
}

// A script saved as a list: no line break at all.
std::string OneLine(std::size_t length) {
    std::string text;
    while (text.size() < length) {
        text += "var a=b.c(1);";
    }
    text.resize(length);
    return text;
}

class TForm2BigListTest : public testing::TForm2Fixture {
protected:
    QListView* View() const { return Child<QListView>("ListView1"); }
    QString Shown(int row) const { return View()->model()->index(row, 0).data().toString(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
};

// --- which box shows the list --------------------------------------------------------------------

struct OpenCase {
    const char* name;
    std::string list;
    int lines;
    bool view;
    bool editable;  // "Редактировать" enabled
};

class OpenTest : public TForm2BigListTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenTest, Should_ShowTheListInTheBoxOrTheView) {
    const OpenCase& c = GetParam();
    dialog_->SetListText(c.list);
    Open();
    EXPECT_EQ(dialog_->ReadOnlyView(), c.view);
    EXPECT_EQ(Memo()->isVisible(), !c.view);
    EXPECT_EQ(View()->isVisible(), c.view);
    EXPECT_EQ(Child<QWidget>("Panel2")->isVisible(), c.view);
    EXPECT_EQ(QApplication::focusWidget(), c.view ? static_cast<QWidget*>(View()) : Memo());
    EXPECT_EQ(dialog_->LineCount(), c.lines);
    EXPECT_EQ(Count(), QString::number(c.lines));
    EXPECT_EQ(dialog_->ListEdited(), 0);
    const std::size_t firstEnd = c.list.find('\r');
    EXPECT_EQ(dialog_->Line(0), c.list.substr(0, firstEnd)) << "whole";
    if (c.view) {
        EXPECT_EQ(View()->model()->rowCount(), c.lines);
        EXPECT_EQ(Button("Button4")->isEnabled(), c.editable);
        EXPECT_EQ(Button("Button4")->text(), QStringLiteral("Редактировать"));
    } else {
        EXPECT_EQ(Memo()->document()->blockCount(), c.lines + (firstEnd == std::string::npos ? 0 : 1));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, OpenTest,
    ::testing::Values(
        OpenCase{"Small", ManyLines(3), 3, false, true},
        OpenCase{"Deferred", ManyLines(TForm2::kDeferredLines + 1), TForm2::kDeferredLines + 1, false, true},
        OpenCase{"AtTheViewLimit", ManyLines(TForm2::kViewLines), TForm2::kViewLines, false, true},
        OpenCase{"AMillionLines", ManyLines(1000000), 1000000, true, true},
        OpenCase{"LineOfTheLongestKind", OneLine(kLongestListLine), 1, false, true},
        OpenCase{"LineOneLonger", OneLine(kLongestListLine + 1), 1, true, false},
        OpenCase{"FiveMiBInOneLine", OneLine(5 * 1024 * 1024), 1, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TForm2BigListTest, ALongLine_Should_ShowCutAndStayWholeInTheList) {
    const std::string line = OneLine(5 * 1024 * 1024);
    dialog_->SetListText("a.ru\n" + line + "\nb.ru\n");
    Open();
    ASSERT_TRUE(dialog_->ReadOnlyView());
    EXPECT_EQ(Shown(0), QStringLiteral("a.ru"));
    EXPECT_EQ(Shown(1), QStringLiteral("[строка обрезана: 5242880 символов] ") +
                            FromCp1251(line.substr(0, kLongestListLine)) + QStringLiteral("…"));
    EXPECT_EQ(Shown(2), QStringLiteral("b.ru"));
    EXPECT_EQ(dialog_->Line(1), line);
    EXPECT_EQ(dialog_->LineCount(), 3);
}

TEST(ShownLine, Should_CutOnlyLinesLongerThanADomainCanBe) {
    struct Case {
        QString line;
        QString shown;
    };
    const QString limit(kLongest, QLatin1Char('x'));
    const QString pair = QStringLiteral("\U0001F600");  // two UTF-16 units
    const auto cut = [](const QString& start, const char* mark) {
        return QStringLiteral("[строка обрезана: ") + QString::fromUtf8(mark) + QStringLiteral("] ") + start +
               QStringLiteral("…");
    };
    const Case cases[] = {
        {QString(), QString()},
        {limit, limit},
        {limit + QLatin1Char('y'), cut(limit, "4097 символов")},
        {limit + QString(905, QLatin1Char('y')), cut(limit, "5001 символ")},
        {limit + QString(906, QLatin1Char('y')), cut(limit, "5002 символа")},
        {limit + QString(915, QLatin1Char('y')), cut(limit, "5011 символов")},
        {limit.left(kLongest - 1) + pair, cut(limit.left(kLongest - 1), "4097 символов")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShownLine(c.line), c.shown) << c.line.size();
    }
}

// --- "Редактировать" -----------------------------------------------------------------------------

TEST_F(TForm2BigListTest, Edit_Should_PutTheListIntoTheBoxAndCancelBringItBack) {
    const int lines = TForm2::kViewLines + 1;
    dialog_->SetListText(ManyLines(lines));
    Open();
    QTest::mouseClick(Button("Button4"), Qt::LeftButton);
    EXPECT_FALSE(dialog_->ReadOnlyView());
    EXPECT_TRUE(Memo()->isVisible());
    EXPECT_FALSE(View()->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), Memo());
    EXPECT_EQ(Memo()->document()->blockCount(), lines + 1);
    EXPECT_EQ(dialog_->LineCount(), lines);
    EXPECT_EQ(dialog_->Line(lines - 1), "d" + std::to_string(lines - 1) + ".ru");
    EXPECT_EQ(dialog_->ListEdited(), 0) << "the list did not change";

    Key(Qt::Key_Home, Qt::ControlModifier);
    QTest::sendKeyEvent(QTest::Click, Memo(), Qt::Key_unknown, QStringLiteral("x"), Qt::NoModifier);
    EXPECT_EQ(dialog_->Line(0), "xd0.ru");
    EXPECT_EQ(dialog_->ListEdited(), 1);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_TRUE(dialog_->ReadOnlyView()) << "the list as it was, in the view again";
    EXPECT_EQ(dialog_->Line(0), "d0.ru");
    EXPECT_EQ(dialog_->LineCount(), lines);
}

// --- the hot keys and buttons in the view --------------------------------------------------------

struct ViewList {
    const char* name;
    std::string list;
    int lines;
};

class ViewKeysTest : public TForm2BigListTest, public ::testing::WithParamInterface<ViewList> {
protected:
    void SetUp() override {
        dialog_->SetListText(GetParam().list);
        Open();
        ASSERT_TRUE(dialog_->ReadOnlyView());
    }
};

TEST_P(ViewKeysTest, CtrlEnter_Should_HandTheListOverUnchanged) {
    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(main_.handOvers, std::vector<int>{GetParam().lines});
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(ToCp1251(dialog_->ListText()), GetParam().list);
}

TEST_P(ViewKeysTest, F6ThenEsc_Should_ClearIntoTheBoxAndBringTheViewBack) {
    Key(Qt::Key_F6);
    EXPECT_FALSE(dialog_->ReadOnlyView());
    EXPECT_EQ(dialog_->LineCount(), 0);
    EXPECT_EQ(Count(), QStringLiteral("0"));
    EXPECT_FALSE(Button("Button1")->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), Memo());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_TRUE(dialog_->ReadOnlyView());
    EXPECT_EQ(Count(), QString::number(GetParam().lines));
    EXPECT_EQ(ToCp1251(dialog_->ListText()), GetParam().list);
}

TEST_P(ViewKeysTest, Enter_Should_DoNothingInTheView) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        for (Qt::KeyboardModifiers modifiers :
             {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
            Key(key, modifiers);
            EXPECT_TRUE(dialog_->isVisible()) << key;
            EXPECT_TRUE(dialog_->ReadOnlyView()) << key;
            EXPECT_EQ(dialog_->ListEdited(), 0) << key;
            EXPECT_EQ(Count(), QString::number(GetParam().lines));
        }
    }
    EXPECT_TRUE(main_.handOvers.empty());
    EXPECT_EQ(ToCp1251(dialog_->ListText()), GetParam().list);
}

TEST_P(ViewKeysTest, F6ThenCtrlZ_Should_BringTheListBackIntoTheView) {
    Key(Qt::Key_F6);
    ASSERT_EQ(dialog_->LineCount(), 0);
    // What was typed after the clear is undone first, then the clear itself.
    QTest::sendKeyEvent(QTest::Click, Memo(), Qt::Key_unknown, QStringLiteral("x"), Qt::NoModifier);
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("x"));
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dialog_->LineCount(), 0);
    EXPECT_FALSE(dialog_->ReadOnlyView());
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(dialog_->ReadOnlyView());
    EXPECT_EQ(ToCp1251(dialog_->ListText()), GetParam().list);
    EXPECT_EQ(Count(), QString::number(GetParam().lines));
    EXPECT_TRUE(Button("Button1")->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), View());
    // Once back, the clear is spent: a second clear and the Russian Ctrl+Я bring it back again.
    Key(Qt::Key_F6);
    QTest::sendKeyEvent(QTest::Click, Memo(), Qt::Key(0x042F), QStringLiteral("я"), Qt::ControlModifier);
    EXPECT_EQ(ToCp1251(dialog_->ListText()), GetParam().list);
    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(main_.handOvers, std::vector<int>{GetParam().lines});
}

TEST_P(ViewKeysTest, CtrlZ_Should_NotBringBackAListThatANewListReplaced) {
    Key(Qt::Key_F6);
    dialog_->SetListText("a.ru\nb.ru\n");
    Memo()->clear();
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(dialog_->ReadOnlyView());
    EXPECT_EQ(dialog_->LineCount(), 0);
}

TEST_P(ViewKeysTest, EscWithoutChange_Should_CloseAndLeaveTheList) {
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->ListEdited(), 0);
    EXPECT_TRUE(main_.handOvers.empty());
    EXPECT_EQ(ToCp1251(dialog_->ListText()), GetParam().list);
}

TEST_P(ViewKeysTest, AnEmptyListSet_Should_GoToTheBoxAndCountZero) {
    dialog_->SetListText("");
    EXPECT_FALSE(dialog_->ReadOnlyView());
    EXPECT_TRUE(Memo()->isVisible());
    EXPECT_EQ(dialog_->LineCount(), 0);
    EXPECT_EQ(Count(), QStringLiteral("0"));
    EXPECT_FALSE(Button("Button2")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Lists, ViewKeysTest,
                         ::testing::Values(ViewList{"ManyLines", ManyLines(TForm2::kViewLines + 1, "\n"),
                                                    TForm2::kViewLines + 1},
                                           ViewList{"LongLine", "a.ru\n" + OneLine(1 << 20) + "\nb.ru", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- a long paste --------------------------------------------------------------------------------

struct PasteCase {
    const char* name;
    QString pasted;
    bool view;
};

class PasteTest : public TForm2BigListTest, public ::testing::WithParamInterface<PasteCase> {};

TEST_P(PasteTest, Should_GoToTheViewOnlyWhenTheBoxCannotTakeIt) {
    dialog_->SetListText("a.ru\nb.ru\nc.ru");
    Open();
    QTextCursor cursor = Memo()->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(9, QTextCursor::KeepAnchor);  // "b.ru" selected
    Memo()->setTextCursor(cursor);
    QGuiApplication::clipboard()->setText(GetParam().pasted);
    Memo()->paste();
    QString expected = GetParam().pasted;
    expected.replace(QChar::LineSeparator, QLatin1Char('\n'));
    expected = QStringLiteral("a.ru\n") + expected + QStringLiteral("\nc.ru");
    EXPECT_EQ(dialog_->ReadOnlyView(), GetParam().view);
    EXPECT_EQ(View()->isVisible(), GetParam().view);
    EXPECT_EQ(dialog_->ListText(), expected);
    EXPECT_EQ(dialog_->LineCount(), static_cast<int>(expected.count(QLatin1Char('\n'))) + 1);
    EXPECT_EQ(Count(), QString::number(dialog_->LineCount()));
    EXPECT_EQ(dialog_->ListEdited(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Pastes, PasteTest,
    ::testing::Values(PasteCase{"Short", QStringLiteral("x.ru"), false},
                      PasteCase{"ManyShortLines", QStringLiteral("x.ru\n").repeated(2000), false},
                      PasteCase{"LongestLine", QString(kLongest, QLatin1Char('x')), false},
                      PasteCase{"LineTooLong", QString(kLongest + 1, QLatin1Char('x')), true},
                      PasteCase{"LongLineAfterASeparator",
                                QStringLiteral("x.ru\u2028") + QString(1 << 20, QLatin1Char('x')), true},
                      PasteCase{"TooManyLines", QStringLiteral("x.ru\n").repeated(TForm2::kViewLines), true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantle
