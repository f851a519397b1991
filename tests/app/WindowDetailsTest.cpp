// Clicks, keys and the save dialog's name box, through the real main window.
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QTemporaryDir>

#include "app/MainWindowFixture.h"

namespace vantle::testing {
namespace {

class WindowDetailsTest : public MainWindowFixture {};

TEST_F(WindowDetailsTest, OnlyALeftClickOnTheControlOpensItsPage) {
    const struct {
        const char* name;
        Qt::MouseButton button;
        bool press;
        QPoint release;  // relative to the control
        bool opens;
    } cases[] = {
        {"left click", Qt::LeftButton, true, QPoint(2, 2), true},
        {"right click", Qt::RightButton, true, QPoint(2, 2), false},
        {"middle click", Qt::MiddleButton, true, QPoint(2, 2), false},
        {"released outside", Qt::LeftButton, true, QPoint(-5, -5), false},
        {"release without a press on it", Qt::LeftButton, false, QPoint(2, 2), false},
    };
    for (const char* control : {"Label4", "Panel1"}) {
        auto* widget = Find<QWidget>(control);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(control) + ": " + c.name);
            opened.clear();
            if (c.press) {
                QTest::mousePress(widget, c.button, {}, QPoint(2, 2));
            }
            QTest::mouseRelease(widget, c.button, {}, c.release);
            EXPECT_EQ(opened.size(), c.opens ? 1u : 0u);
        }
    }
}

TEST_F(WindowDetailsTest, ThresholdBoxTakesAPastedNumberWithBlanksAndTheRunTrimsIt) {
    QGuiApplication::clipboard()->setText(Ascii(" 12 "));
    Threshold()->paste();
    EXPECT_EQ(Threshold()->text(), Ascii(" 12 "));
    QTest::keyClicks(Threshold(), Ascii(" x"));
    EXPECT_EQ(Threshold()->text(), Ascii(" 12 "));
    const auto names = Domains(2, [](const sim::SimSite& s) { return s.tic >= 12; });
    const auto low = Domains(1, [](const sim::SimSite& s) { return s.tic < 12; });
    EnterList(Lines({names[0], low[0], names[1]}));
    Start();
    EXPECT_EQ(RowCount(), 3);
}

TEST_F(WindowDetailsTest, CtrlYInTheCellEditorOpensTheBarPage) {
    EnterList(Ascii("site.test\n"));
    Start();
    QApplication::setActiveWindow(form.get());
    auto* grid = Find<QTableView>("RzStringGrid1");
    grid->setCurrentIndex(Model()->index(0, 1));
    grid->setFocus();
    grid->edit(grid->currentIndex());
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    opened.clear();
    QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].toString().endsWith(Ascii("url=http://site.test")));
}

TEST_F(WindowDetailsTest, SaveNameBoxStartsEmptyAndAPatternIsAFilterNotAFile) {
    QTemporaryDir dir;
    EnterList(Ascii("site.test\n"));
    Start();
    QString firstName = Ascii("unset");
    QStringList secondFilters;
    OnNextModal<QFileDialog>([&](QFileDialog* d) {
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        firstName = edit->text();
        d->setDirectory(dir.path());
        QTest::keyClick(edit, Qt::Key_Return);  // nothing to save to: the dialog stays
        ASSERT_TRUE(d->isVisible());
        OnNextModal<QFileDialog>([&](QFileDialog* again) {
            secondFilters = again->nameFilters();
            again->reject();
        });
        edit->setText(dir.filePath(Ascii("*.csv")));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    auto info = AnswerNextBox(QMessageBox::Ok, 1500);
    form->csv1Click();
    EXPECT_EQ(firstName, QString());
    EXPECT_EQ(secondFilters, QStringList{Ascii("*.csv")});
    EXPECT_FALSE(info->shown);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace vantle::testing
