// Sort, filter, selection and copy of the domain table, the recheck of selected rows, the save of
// what is shown, and "Убрать повторы" of the entry dialog, through the real main window.
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QTemporaryDir>

#include "app/MainWindowFixture.h"
#include "io/CsvExport.h"

namespace vantle::testing {
namespace {

class TableViewTest : public MainWindowFixture {
protected:
    QHeaderView* Header() const { return Grid()->horizontalHeader(); }
    QLineEdit* FilterBox() const { return Find<QLineEdit>("FilterEdit"); }

    void ClickHeader(int col) {
        QTest::mouseClick(Header()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(Header()->sectionViewportPosition(col) + 5, 5));
    }
    void ClickRow(int shownRow, Qt::KeyboardModifiers keys) {
        const QRect cell = Grid()->visualRect(Grid()->model()->index(shownRow, 0));
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, keys, cell.center());
    }
    void TypeFilter(const char* text) {
        FilterBox()->clear();
        QTest::keyClicks(FilterBox(), Ascii(text));
    }
    QString CountText() const {
        auto* label = Find<QLabel>("FilterCount");
        return label->isVisible() ? label->text() : QString();
    }
    // Saves as path, replacing the file when it is there (Yes to the question); the boxes seen.
    std::string Save(const QString& path, QStringList* said = nullptr) {
        OnNextModal<QFileDialog>([path](QFileDialog* d) {
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        const std::map<QString, QMessageBox::StandardButton> answers = {
            {QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(QFileInfo(path).fileName()),
             QMessageBox::Yes},
            {QStringLiteral("Информация сохранена"), QMessageBox::Ok},
            {QStringLiteral("Сохранена 1 строка из 4: остальные скрыты фильтром"), QMessageBox::Ok}};
        auto* scope = new QObject();
        const auto seen = AnswerByText(scope, answers);
        form->csv1Click();
        delete scope;
        if (said != nullptr) {
            *said = *seen;
        }
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll().toStdString();
    }
    std::string CsvOfRows(const std::vector<int>& rows) const {
        std::string csv;
        for (int r : rows) {
            csv += CsvLine(Model()->Table().RowCells(r));
        }
        return csv;
    }
};

const QStringList kHeaders = {Ascii("Domain"),  Ascii("Tic"),  Ascii("Status"), Ascii("Yaca"),
                              Ascii("Expires"), Ascii("HTTP"), Ascii("Mirror")};
const std::vector<QStringList> kRows = {
    {Ascii("b.test"), Ascii("120"), Ascii("OK"), Ascii(""), Ascii("2027-05-01"), Ascii("200"), Ascii("")},
    {Ascii("A.test"), Ascii("N/A"), Ascii("OK"), Ascii("Yes"), Ascii("-"), Ascii("timeout"), Ascii("x.test")},
    {Ascii("c.test"), Ascii("9"), Ascii("Vantle: a.test"), Ascii(""), Ascii("2026-12-31"), Ascii("301"),
     Ascii("a.test")},
    {Ascii(""), Ascii(""), Ascii(""), Ascii(""), Ascii(""), Ascii(""), Ascii("")},
    {Ascii("d.test"), Ascii("100"), Ascii("OK"), Ascii("Yes"), Ascii("2027-02-28"), Ascii("200"), Ascii("")},
};

TEST_F(TableViewTest, HeaderClicksSortEachKindOfColumnBothWaysAndBack) {
    Fill(kHeaders, kRows);
    const QStringList checkOrder = Shown(0);
    struct Case {
        int col;
        QStringList ascending, descending;  // the Domain column as shown
    };
    const Case cases[] = {
        {0, {"A.test", "b.test", "c.test", "d.test", ""}, {"d.test", "c.test", "b.test", "A.test", ""}},
        {1, {"c.test", "d.test", "b.test", "A.test", ""}, {"b.test", "d.test", "c.test", "A.test", ""}},
        {4, {"c.test", "d.test", "b.test", "A.test", ""}, {"b.test", "d.test", "c.test", "A.test", ""}},
        {5, {"b.test", "d.test", "c.test", "A.test", ""}, {"c.test", "b.test", "d.test", "A.test", ""}},
    };
    for (const Case& c : cases) {
        ClickHeader(c.col);
        EXPECT_EQ(Shown(0), c.ascending) << c.col;
        EXPECT_EQ(Header()->sortIndicatorSection(), c.col);
        EXPECT_EQ(Header()->sortIndicatorOrder(), Qt::AscendingOrder);
        ClickHeader(c.col);
        EXPECT_EQ(Shown(0), c.descending) << c.col;
        EXPECT_EQ(Header()->sortIndicatorOrder(), Qt::DescendingOrder);
        ClickHeader(c.col);
        EXPECT_EQ(Shown(0), checkOrder) << c.col;
        EXPECT_EQ(Header()->sortIndicatorSection(), -1);
    }
}

TEST_F(TableViewTest, FilterTermsHideRowsAndTheStatusBarCountsThem) {
    Fill(kHeaders, kRows);
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), FilterBox());
    EXPECT_EQ(FilterBox()->placeholderText(),
              QStringLiteral("Фильтр: текст или Tic>=100 Expires<2027-03-01 HTTP=200 Mirror="));
    struct Case {
        const char* filter;
        QStringList shown;
    };
    const Case cases[] = {
        {"A.TEST", {"A.test", "c.test"}},
        {"Tic>=100", {"b.test", "d.test"}},
        {"expires<2027-03-01", {"c.test", "d.test"}},
        {"HTTP=200", {"b.test", "d.test"}},
        {"Mirror= Tic>10", {"b.test", "d.test"}},
        {"Mirror!= ok", {"A.test"}},
        {"Status=\"vantle: a.test\"", {"c.test"}},
    };
    for (const Case& c : cases) {
        TypeFilter(c.filter);
        EXPECT_EQ(Shown(0), c.shown) << c.filter;
        EXPECT_EQ(CountText(), QStringLiteral("Показано: %1 из 5").arg(c.shown.size())) << c.filter;
    }
    FilterBox()->clear();
    EXPECT_EQ(Shown(0).size(), 5);
    EXPECT_EQ(CountText(), QString());
}

TEST_F(TableViewTest, AFilterThatCannotBeReadTurnsTheBoxRedAndTheStatusBarSaysWhy) {
    Fill(kHeaders, kRows);
    form->show();
    const QColor normal = FilterBox()->palette().color(QPalette::Base);
    auto* error = Find<QLabel>("FilterError");
    struct Case {
        const char* filter;
        QString error;  // empty: the filter reads
        QStringList shown;
    };
    const Case cases[] = {
        {"Foo>1", QStringLiteral("нет столбца «Foo»"), {}},
        {"Tic>>3", QStringLiteral("лишний знак сравнения: «>>3»"), {}},
        {"Tic>=abc", QStringLiteral("«abc» — не число"), {}},
        {"Tic >= 100", QString(), {"b.test", "d.test"}},
        {"Expires<2027", QString(), {"c.test"}},
        {"Expires>=2027-03", QString(), {"b.test"}},
        {"Tic>=100", QString(), {"b.test", "d.test"}},
    };
    for (const Case& c : cases) {
        TypeFilter(c.filter);
        EXPECT_EQ(Shown(0), c.shown) << c.filter;
        EXPECT_EQ(error->isVisible() ? error->text() : QString(), c.error) << c.filter;
        EXPECT_EQ(FilterBox()->toolTip(), c.error) << c.filter;
        EXPECT_EQ(FilterBox()->palette().color(QPalette::Base) == normal, c.error.isEmpty()) << c.filter;
    }
    TypeFilter("Foo>1");
    FilterBox()->clear();
    EXPECT_FALSE(error->isVisible());
    EXPECT_EQ(FilterBox()->palette().color(QPalette::Base), normal);
}

TEST_F(TableViewTest, CtrlCCopiesTheSelectedRowsAsShownWithTheShownColumns) {
    Fill(kHeaders, kRows);
    ClickHeader(1);
    Grid()->setColumnHidden(2, true);
    QApplication::setActiveWindow(form.get());
    Grid()->setFocus();
    ClickRow(2, Qt::NoModifier);
    ClickRow(0, Qt::ControlModifier);
    QTest::keyClick(Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), Ascii("Domain\tTic\tYaca\tExpires\tHTTP\tMirror\n"
                                                          "c.test\t9\t\t2026-12-31\t301\ta.test\n"
                                                          "b.test\t120\t\t2027-05-01\t200\t\n"));
    QTest::keyClick(Grid(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().count(u'\n'), 6);
}

TEST_F(TableViewTest, CtrlRRechecksTheThreeSelectedRowsOfASortedFilteredTable) {
    const auto names = Domains(8, [](const sim::SimSite& s) { return s.tic > 0; });
    EnterList(Lines(names));
    Start();
    ASSERT_EQ(RowCount(), 9);
    ClickHeader(1);
    ClickHeader(1);
    TypeFilter(("Domain!=" + names[0]).c_str());
    ASSERT_EQ(Shown(0).size(), 7);
    QApplication::setActiveWindow(form.get());
    Grid()->setFocus();
    ClickRow(1, Qt::NoModifier);
    ClickRow(3, Qt::ControlModifier);
    ClickRow(4, Qt::ControlModifier);
    const QStringList rechecked = {Shown(0)[1], Shown(0)[3], Shown(0)[4]};
    for (const std::string& name : names) {
        sim.SetTicText(name, "0");  // what the rechecked rows, and only they, will read
    }
    const int before = sim.Count("/u");
    QTest::keyClick(Grid(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(sim.Count("/u"), before + 3);
    int zero = 0;
    for (int r = 1; r < RowCount(); ++r) {
        const bool wanted = rechecked.contains(Cell(0, r));
        EXPECT_EQ(Cell(1, r) == Ascii("0"), wanted) << Cell(0, r).toStdString();
        zero += wanted ? 1 : 0;
    }
    EXPECT_EQ(zero, 3);
    EXPECT_TRUE(form->PanelText(1).contains(QStringLiteral("Нулевых: 3")))
        << form->PanelText(1).toStdString();
}

TEST_F(TableViewTest, RunComesInCheckOrderAndSaveWritesWhatIsShown) {
    const auto names = Domains(4, [](const sim::SimSite& s) { return s.tic > 0; });
    EnterList(Lines(names));
    ClickHeader(0);
    Start();
    EXPECT_EQ(Header()->sortIndicatorSection(), -1);  // a run turns the sort off
    EXPECT_TRUE(Header()->sectionsClickable());
    QTemporaryDir dir;
    const QString path = dir.filePath(Ascii("table.csv"));  // one file, written over each time
    const std::string all = CsvOfRows({0, 1, 2, 3, 4});
    EXPECT_EQ(Save(path), all);

    ClickHeader(1);
    std::vector<int> byTic = {1, 2, 3, 4};
    std::stable_sort(byTic.begin(), byTic.end(),
                     [this](int a, int b) { return Cell(1, a).toInt() < Cell(1, b).toInt(); });
    byTic.insert(byTic.begin(), 0);
    EXPECT_EQ(Save(path), CsvOfRows(byTic));

    TypeFilter(names[2].c_str());
    QStringList said;
    EXPECT_EQ(Save(path, &said), CsvOfRows({0, 3}));
    EXPECT_EQ(said.value(1), QStringLiteral("Сохранена 1 строка из 4: остальные скрыты фильтром"))
        << "a save of filtered rows says what it left out";

    FilterBox()->clear();
    ClickHeader(1);
    ClickHeader(1);
    EXPECT_EQ(Save(path), all);
}

TEST_F(TableViewTest, RemoveRepeatsKeepsTheFirstOfEachNameAndSaysHowManyWent) {
    std::shared_ptr<SeenBox> box;
    QString left;
    OnNextModal<TForm2>([&box, &left](TForm2* dialog) {
        auto* memo = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        QGuiApplication::clipboard()->setText(
            Ascii("Site.test\nwww.site.test\nSITE.TEST/\nother.test\njunk\njunk\nhttp://Other.Test/\n"));
        memo->paste();
        box = AnswerNextBox(QMessageBox::Ok);
        dialog->findChild<QPushButton*>(QStringLiteral("ButtonRepeats"))->click();
        left = dialog->ListText();
        dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    });
    Button("Button1")->click();
    ASSERT_TRUE(box && box->shown);
    EXPECT_EQ(box->text, QStringLiteral("Убрано повторов: 3"));
    EXPECT_EQ(box->caption, QStringLiteral("Инфо"));
    EXPECT_EQ(box->icon, QMessageBox::Information);
    EXPECT_EQ(left, Ascii("Site.test\nother.test\njunk\njunk\n"));
    EXPECT_EQ(form->Form2()->LineCount(), 4);
}

}  // namespace
}  // namespace vantle::testing
