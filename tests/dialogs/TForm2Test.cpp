#include "dialogs/TForm2.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialogs/QtText.h"
#include "dialogs/TForm2Fixture.h"
#include "text/Cp1251.h"

namespace vantle {
namespace {

// "пример.рф" and "домен" in Windows-1251.
const std::string kPrimerRf = "\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4";
const std::string kDomen = "\xE4\xEE\xEC\xE5\xED";

class TForm2Test : public testing::TForm2Fixture {
protected:
    void Type(const QString& text) {
        for (const QChar ch : text) {
            if (ch == QLatin1Char('\n')) {
                QTest::keyClick(Memo(), Qt::Key_Return);
            } else {
                QTest::sendKeyEvent(QTest::Click, Memo(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
            }
        }
    }
    // Types at the end of the list, where the user goes on after opening the dialog with a list.
    void Append(const QString& text) {
        Key(Qt::Key_End, Qt::ControlModifier);
        Type(text);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, QWidget* target = nullptr) {
        QTest::keyClick(target != nullptr ? target : Memo(), key, modifiers);
    }
    void Paste(const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        Memo()->paste();
    }
};

// --- the window ----------------------------------------------------------------------------------

TEST_F(TForm2Test, Window_Should_HaveItsCaptionSizeAndControls) {
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Добавить [Один домен - одна строка]..."));
    EXPECT_EQ(dialog_->size(), QSize(394, 339));
    EXPECT_EQ(dialog_->minimumSize(), dialog_->maximumSize());
    EXPECT_TRUE(dialog_->isModal());
    EXPECT_TRUE(dialog_->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
    EXPECT_FALSE(dialog_->windowFlags() & Qt::WindowMinMaxButtonsHint);

    EXPECT_EQ(Child<QWidget>("Panel1")->geometry(), QRect(0, 288, 394, 51));
    EXPECT_EQ(Memo()->geometry(), QRect(0, 0, 394, 288));
    EXPECT_EQ(Memo()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(Memo()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(Memo()->lineWrapMode(), QPlainTextEdit::WidgetWidth);

    struct ButtonCase {
        const char* name;
        QString caption;
        QString hint;
        QRect geometry;
    };
    const ButtonCase buttons[] = {
        {"Button2", QStringLiteral("Очистить"), QStringLiteral("(F6)"), QRect(88, 16, 81, 25)},
        {"Button1", QStringLiteral("На проверку"), QStringLiteral("(Ctrl + Enter)"), QRect(288, 8, 97, 33)},
        {"Button3", QStringLiteral("Отмена"), QStringLiteral("(Esc)"), QRect(200, 16, 81, 25)},
    };
    for (const auto& b : buttons) {
        EXPECT_EQ(Button(b.name)->text(), b.caption) << b.name;
        EXPECT_EQ(Button(b.name)->toolTip(), b.hint) << b.name;
        EXPECT_EQ(Button(b.name)->geometry(), b.geometry) << b.name;
        EXPECT_EQ(Button(b.name)->parentWidget(), Child<QWidget>("Panel1")) << b.name;
    }
    EXPECT_EQ(Child<QLabel>("Label1")->geometry(), QRect(8, 20, 57, 17));
    EXPECT_EQ(Child<QLabel>("Label1")->font().pixelSize(), 13);
}

TEST_F(TForm2Test, TabOrder_Should_BeMemoClearCheckCancel) {
    const std::vector<QWidget*> wanted = {Memo(), Button("Button2"), Button("Button1"), Button("Button3")};
    std::vector<QWidget*> seen;
    QWidget* w = Memo();
    for (int i = 0; i < 50 && seen.size() < wanted.size(); ++i, w = w->nextInFocusChain()) {
        if (std::find(wanted.begin(), wanted.end(), w) != wanted.end() &&
            std::find(seen.begin(), seen.end(), w) == seen.end()) {
            seen.push_back(w);
        }
    }
    EXPECT_EQ(seen, wanted);
}

TEST_F(TForm2Test, AtStart_Should_ShowABlankCountAndDisableCheckAndClear) {
    Open();
    EXPECT_EQ(Count(), QString());
    EXPECT_FALSE(Button("Button1")->isEnabled());
    EXPECT_FALSE(Button("Button2")->isEnabled());
    EXPECT_TRUE(Button("Button3")->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), Memo());
    EXPECT_EQ(dialog_->ListEdited(), 0);
}

// --- counting ------------------------------------------------------------------------------------

struct CountCase {
    const char* text;
    int count;
};

class LineCountTest : public TForm2Test, public ::testing::WithParamInterface<CountCase> {};

TEST_P(LineCountTest, LastEmptyLine_Is_NotCounted) {
    dialog_->SetListText(GetParam().text);
    EXPECT_EQ(dialog_->LineCount(), GetParam().count);
    EXPECT_EQ(Count(), GetParam().count == 0 ? QString() : QString::number(GetParam().count));
    EXPECT_EQ(Button("Button1")->isEnabled(), GetParam().count >= 1);
    EXPECT_EQ(Button("Button2")->isEnabled(), GetParam().count >= 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineCountTest,
                         ::testing::Values(CountCase{"", 0}, CountCase{"a", 1}, CountCase{"a\n", 1},
                                           CountCase{"a\n\n", 2}, CountCase{"a\n\nb", 3}, CountCase{"\n", 1},
                                           CountCase{"a\nb", 2}, CountCase{"a\nb\n", 2},
                                           CountCase{"\n\n\n", 3}));

TEST_F(TForm2Test, TypingDomainsAndEnters_Should_CountOnlyTheLastEmptyLineOut) {
    Open();
    Type(QStringLiteral("a.ru\nb.ru\n"));
    EXPECT_EQ(Count(), QStringLiteral("2"));
    Key(Qt::Key_Return);
    EXPECT_EQ(Count(), QStringLiteral("3"));
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru\n\n"));
    EXPECT_EQ(dialog_->ListEdited(), 1);
    EXPECT_TRUE(Button("Button1")->isEnabled());
    EXPECT_TRUE(Button("Button2")->isEnabled());
}

TEST_F(TForm2Test, DeletingAllByHand_Should_ShowZeroAndDisableBothButtons) {
    Open();
    Type(QStringLiteral("a.ru\nb.ru"));
    for (int i = 0; i < 9; ++i) {
        Key(Qt::Key_Backspace);
    }
    EXPECT_EQ(dialog_->ListText(), QString());
    EXPECT_EQ(Count(), QStringLiteral("0"));
    EXPECT_FALSE(Button("Button1")->isEnabled());
    EXPECT_FALSE(Button("Button2")->isEnabled());
}

TEST_F(TForm2Test, F6ThenCtrlZ_Should_BringTheListBack) {
    Open();
    Type(QStringLiteral("a.ru\nb.ru"));
    Key(Qt::Key_F6);
    EXPECT_EQ(dialog_->ListText(), QString());
    EXPECT_EQ(Count(), QStringLiteral("0"));
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru"));
    EXPECT_EQ(Count(), QStringLiteral("2"));
    EXPECT_TRUE(Button("Button1")->isEnabled());
}

TEST_F(TForm2Test, LongPastedLine_Should_CountOnceThoughItWraps) {
    Open();
    const QString longLine = QString(300, QLatin1Char('x')) + QStringLiteral(".ru");
    Paste(longLine);
    QApplication::processEvents();
    EXPECT_EQ(dialog_->LineCount(), 1);
    EXPECT_EQ(Count(), QStringLiteral("1"));
    EXPECT_EQ(dialog_->Line(0), longLine.toStdString());
    EXPECT_GT(Memo()->document()->firstBlock().layout()->lineCount(), 1) << "the box should wrap it";
}

TEST_F(TForm2Test, ShiftEnter_Should_StartARealLine) {
    Open();
    Type(QStringLiteral("a.ru"));
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Type(QStringLiteral("b.ru"));
    EXPECT_EQ(dialog_->LineCount(), 2);
    EXPECT_EQ(dialog_->Line(1), "b.ru");
}

TEST_F(TForm2Test, PastedLineAndParagraphSeparators_Should_EndLines) {
    Open();
    Paste(QStringLiteral("a.ru\u2028b.ru\u2029c.ru"));
    EXPECT_EQ(dialog_->LineCount(), 3);
    EXPECT_EQ(dialog_->Line(1), "b.ru");
    EXPECT_EQ(dialog_->Line(2), "c.ru");
}

// --- the domain list as the check run reads it ---------------------------------------------------

TEST_F(TForm2Test, Line_Should_GiveWindows1251BytesOfTypedCyrillic) {
    Open();
    Type(QStringLiteral("пример.рф\nдомен"));
    EXPECT_EQ(dialog_->LineCount(), 2);
    EXPECT_EQ(dialog_->Line(0), kPrimerRf);
    EXPECT_EQ(dialog_->Line(1), kDomen);
}

TEST_F(TForm2Test, Line_Should_GiveWindows1251BytesOfPastedCyrillic) {
    Open();
    Paste(QStringLiteral("пример.рф\r\nдомен\n"));
    EXPECT_EQ(dialog_->LineCount(), 2);
    EXPECT_EQ(dialog_->Line(0), kPrimerRf);
    EXPECT_EQ(dialog_->Line(1), kDomen);
    EXPECT_EQ(dialog_->Line(2), "");
}

// A line keeps what the code page cannot hold (as an escape) instead of "?", so the run checks the name
// that was typed.
TEST_F(TForm2Test, Line_Should_KeepWhatTheCodePageCannotHold) {
    Open();
    Paste(QStringLiteral("中.ru\nmünchen.de\U0001F600\n"));
    EXPECT_EQ(dialog_->Line(0), Utf16ToCp1251Keeping(u"中.ru"));
    EXPECT_NE(dialog_->Line(0), "?.ru");
    EXPECT_EQ(dialog_->Line(1), Utf16ToCp1251Keeping(u"münchen.de\U0001F600"));
    EXPECT_EQ(FromCp1251(dialog_->ListBytes()), QStringLiteral("中.ru\nmünchen.de\U0001F600\n"));
}

TEST_F(TForm2Test, LineOutsideTheList_Should_ReadAsEmpty) {
    dialog_->SetListText("a.ru\nb.ru\n");
    EXPECT_EQ(dialog_->Line(0), "a.ru");
    EXPECT_EQ(dialog_->Line(1), "b.ru");
    EXPECT_EQ(dialog_->Line(2), "");
    EXPECT_EQ(dialog_->Line(1000), "");
    EXPECT_EQ(dialog_->Line(-1), "");
}

TEST_F(TForm2Test, SetListText_Should_KeepEveryByteOfTheCodePage) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        if (b != '\n' && b != '\r') {
            all.push_back(static_cast<char>(b));
        }
    }
    dialog_->SetListText(all + "\n" + kPrimerRf);
    EXPECT_EQ(dialog_->LineCount(), 2);
    EXPECT_EQ(dialog_->Line(0), all);
    EXPECT_EQ(dialog_->Line(1), kPrimerRf);
    EXPECT_TRUE(dialog_->ListText().contains(QChar(0xA0))) << "no-break space kept";
}

TEST_F(TForm2Test, SetListText_Should_RunMemo1ChangeOnlyWhenTheTextDiffers) {
    dialog_->SetListText("a.ru\nb.ru");
    Open();
    ASSERT_EQ(dialog_->ListEdited(), 0);
    QSignalSpy changes(Memo(), &QPlainTextEdit::textChanged);
    dialog_->SetListText("a.ru\nb.ru");
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(dialog_->ListEdited(), 0);
    dialog_->SetListText("a.ru\nc.ru");
    EXPECT_GE(changes.count(), 1);
    EXPECT_EQ(dialog_->ListEdited(), 1);
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nc.ru"));
}

TEST_F(TForm2Test, AMillionLines_Should_CountAndReadByIndex) {
    std::string text;
    for (int i = 0; i < 1000000; ++i) {
        text += "d" + std::to_string(i) + ".ru\n";
    }
    dialog_->SetListText(text);
    EXPECT_EQ(dialog_->LineCount(), 1000000);
    EXPECT_EQ(Count(), QStringLiteral("1000000"));
    EXPECT_EQ(dialog_->Line(0), "d0.ru");
    EXPECT_EQ(dialog_->Line(999999), "d999999.ru");
    EXPECT_EQ(dialog_->Line(1000000), "");
}

// --- Ctrl+A --------------------------------------------------------------------------------------

TEST_F(TForm2Test, CtrlA_Should_SelectTheWholeList) {
    const Qt::KeyboardModifiers chords[] = {Qt::ControlModifier, Qt::ControlModifier | Qt::ShiftModifier,
                                            Qt::ControlModifier | Qt::AltModifier};
    for (const auto chord : chords) {
        dialog_->SetListText("a.ru\nb.ru\nc.ru");
        Open();
        QTextCursor cursor = Memo()->textCursor();
        cursor.setPosition(3);
        Memo()->setTextCursor(cursor);
        Key(Qt::Key_A, chord);
        EXPECT_EQ(Memo()->textCursor().selectionStart(), 0) << chord;
        EXPECT_EQ(Memo()->textCursor().selectionEnd(), 14) << chord;
        EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru\nc.ru")) << "nothing typed";
    }
}

TEST_F(TForm2Test, CtrlAOnTheRussianLayout_Should_SelectTheWholeList) {
    dialog_->SetListText("a.ru\nb.ru");
    Open();
    QTest::sendKeyEvent(QTest::Click, Memo(), static_cast<Qt::Key>(0x0424), QStringLiteral("ф"),
                        Qt::ControlModifier);
    EXPECT_EQ(Memo()->textCursor().selectedText().size(), 9);
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru"));
}

// --- the buttons ---------------------------------------------------------------------------------

TEST_F(TForm2Test, CheckButton_Should_HandTheCountOverAndClose) {
    dialog_->SetListText("a.ru\n\nb.ru\n");
    Open();
    QTest::mouseClick(Button("Button1"), Qt::LeftButton);
    EXPECT_EQ(main_.handOvers, std::vector<int>{3});
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\n\nb.ru\n")) << "handed over unchanged";
}

TEST_F(TForm2Test, ClearButton_Should_EmptyTheListShowZeroAndDisableBoth) {
    dialog_->SetListText("a.ru\nb.ru");
    Open();
    QTest::mouseClick(Button("Button2"), Qt::LeftButton);
    EXPECT_EQ(dialog_->ListText(), QString());
    EXPECT_EQ(Count(), QStringLiteral("0"));
    EXPECT_EQ(dialog_->ListEdited(), 1);
    EXPECT_FALSE(Button("Button1")->isEnabled());
    EXPECT_FALSE(Button("Button2")->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), Memo());
    EXPECT_TRUE(dialog_->isVisible());
}

TEST_F(TForm2Test, ClearThenCancel_Should_BringTheListBack) {
    dialog_->SetListText("a.ru\nb.ru");
    Open();
    QTest::mouseClick(Button("Button2"), Qt::LeftButton);
    Type(QStringLiteral("c.ru"));
    QTest::mouseClick(Button("Button3"), Qt::LeftButton);
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru"));
    EXPECT_EQ(Count(), QStringLiteral("2"));
    EXPECT_TRUE(Button("Button1")->isEnabled());
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_TRUE(main_.handOvers.empty());
}

TEST_F(TForm2Test, CancelWithoutChange_Should_LeaveTheList) {
    dialog_->SetListText("a.ru\nb.ru");
    Open();
    QSignalSpy changes(Memo(), &QPlainTextEdit::textChanged);
    QTest::mouseClick(Button("Button3"), Qt::LeftButton);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru"));
    EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(TForm2Test, CancelOnAnEmptyListNeverFilled_Should_KeepTheCountBlank) {
    Open();
    QTest::mouseClick(Button("Button3"), Qt::LeftButton);
    EXPECT_EQ(Count(), QString());
}

TEST_F(TForm2Test, Cancel_Should_RestoreTheListOfTheLatestOpening) {
    dialog_->SetListText("a.ru");
    Open();
    Append(QStringLiteral("\nb.ru"));
    QTest::mouseClick(Button("Button1"), Qt::LeftButton);  // hand-over keeps "a.ru\nb.ru"
    Open();
    Append(QStringLiteral("\nc.ru"));
    QTest::mouseClick(Button("Button3"), Qt::LeftButton);
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru"));
}

TEST_F(TForm2Test, ClosingTheWindowOtherwise_Should_LeaveTheListAsEdited) {
    dialog_->SetListText("a.ru");
    Open();
    Append(QStringLiteral("\nb.ru"));
    dialog_->close();
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru"));
    EXPECT_TRUE(main_.handOvers.empty());
}

// --- hot keys ------------------------------------------------------------------------------------

TEST_F(TForm2Test, CtrlEnter_Should_HandOver) {
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Return, Qt::KeyboardModifiers(Qt::ControlModifier)},
          std::pair{Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier}}) {
        main_.handOvers.clear();
        dialog_->SetListText("a.ru\nb.ru");
        Open();
        Key(key, modifiers);
        EXPECT_EQ(main_.handOvers, std::vector<int>{2}) << key;
        EXPECT_FALSE(dialog_->isVisible()) << key;
        EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru")) << "no line break inserted";
    }
}

TEST_F(TForm2Test, CtrlEnterOnAFocusedButton_Should_StillHandOver) {
    dialog_->SetListText("a.ru");
    Open();
    Button("Button2")->setFocus();
    Key(Qt::Key_Return, Qt::ControlModifier, Button("Button2"));
    EXPECT_EQ(main_.handOvers, std::vector<int>{1});
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru")) << "not cleared";
}

TEST_F(TForm2Test, CtrlEnterOnAnEmptyList_Should_DoNothingAtAll) {
    Open();
    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(main_.handOvers.empty());
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(dialog_->ListText(), QString());
    EXPECT_EQ(Count(), QString());
    EXPECT_EQ(dialog_->ListEdited(), 0);
}

struct NotAHotKey {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

class WrongModifiersTest : public TForm2Test, public ::testing::WithParamInterface<NotAHotKey> {};

TEST_P(WrongModifiersTest, Should_NeitherClickNorChangeTheList) {
    dialog_->SetListText("a.ru\nb.ru");
    Open();
    Key(GetParam().key, GetParam().modifiers);
    EXPECT_TRUE(main_.handOvers.empty());
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrongModifiersTest,
    ::testing::Values(NotAHotKey{"CtrlShiftEnter", Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier},
                      NotAHotKey{"CtrlAltEnter", Qt::Key_Return, Qt::ControlModifier | Qt::AltModifier},
                      NotAHotKey{"ShiftEsc", Qt::Key_Escape, Qt::ShiftModifier},
                      NotAHotKey{"CtrlEsc", Qt::Key_Escape, Qt::ControlModifier},
                      NotAHotKey{"CtrlF6", Qt::Key_F6, Qt::ControlModifier},
                      NotAHotKey{"ShiftF6", Qt::Key_F6, Qt::ShiftModifier},
                      NotAHotKey{"F5", Qt::Key_F5, Qt::NoModifier}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TForm2Test, F6_Should_Clear) {
    dialog_->SetListText("a.ru\nb.ru");
    Open();
    Key(Qt::Key_F6);
    EXPECT_EQ(dialog_->ListText(), QString());
    EXPECT_EQ(Count(), QStringLiteral("0"));
    EXPECT_FALSE(Button("Button2")->isEnabled());
    EXPECT_TRUE(dialog_->isVisible());
}

TEST_F(TForm2Test, F6WhileClearIsDisabled_Should_DoNothing) {
    Open();
    Key(Qt::Key_F6);
    EXPECT_EQ(Count(), QString()) << "Button2Click would have written 0";
    EXPECT_EQ(dialog_->ListEdited(), 0);
}

TEST_F(TForm2Test, ClearThenEsc_Should_BringTheListBackAndClose) {
    dialog_->SetListText("a.ru\nb.ru");
    Open();
    Key(Qt::Key_F6);
    Key(Qt::Key_Escape);
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru"));
    EXPECT_EQ(Count(), QStringLiteral("2"));
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
}

TEST_F(TForm2Test, EscOnAFocusedButton_Should_RestoreToo) {
    dialog_->SetListText("a.ru");
    Open();
    Append(QStringLiteral("\nb.ru"));
    Button("Button1")->setFocus();
    Key(Qt::Key_Escape, Qt::NoModifier, Button("Button1"));
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru"));
    EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(TForm2Test, HotKeysWhileAnotherWindowIsActive_Should_DoNothing) {
    dialog_->SetListText("a.ru\nb.ru");
    Open();
    Append(QStringLiteral("\nc.ru"));
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_FALSE(dialog_->isActiveWindow());
    Key(Qt::Key_Return, Qt::ControlModifier);
    Key(Qt::Key_F6);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(main_.handOvers.empty());
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru\nb.ru\nc.ru"));
}

TEST_F(TForm2Test, Exec_Should_RunModallyUntilEscRestoresAndCloses) {
    dialog_->SetListText("a.ru");
    QTimer::singleShot(0, dialog_.get(), [this]() {
        QApplication::setActiveWindow(dialog_.get());
        Append(QStringLiteral("\nb.ru"));
        EXPECT_EQ(QApplication::activeModalWidget(), dialog_.get());
        Key(Qt::Key_Escape);
    });
    QTimer::singleShot(5000, dialog_.get(), [this]() { dialog_->done(42); });  // no hang if Esc fails
    EXPECT_EQ(dialog_->exec(), QDialog::Rejected);
    EXPECT_EQ(dialog_->ListText(), QStringLiteral("a.ru"));
}

TEST_F(TForm2Test, Exec_Should_RunModallyUntilCtrlEnterHandsOver) {
    dialog_->SetListText("a.ru\nb.ru\nc.ru\n");
    QTimer::singleShot(0, dialog_.get(), [this]() {
        QApplication::setActiveWindow(dialog_.get());
        Key(Qt::Key_Return, Qt::ControlModifier);
    });
    QTimer::singleShot(5000, dialog_.get(), [this]() { dialog_->done(42); });
    dialog_->exec();
    EXPECT_EQ(main_.handOvers, std::vector<int>{3});
    EXPECT_FALSE(dialog_->isVisible());
}

}  // namespace
}  // namespace vantle
