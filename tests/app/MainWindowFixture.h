#pragma once
// The real main window against the simulator, driven as a user would drive it.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <map>
#include <memory>

#include <gtest/gtest.h>

#include "app/DomainTableModel.h"
#include "app/TForm1.h"
#include "dialogs/QtText.h"
#include "dialogs/TForm2.h"
#include "sim/ServiceSimulator.h"
#include "support/ModalAnswer.h"

namespace vantle::testing {

inline QString Ascii(const char* text) {
    return QString::fromLatin1(text);
}

class MainWindowFixture : public ::testing::Test {
protected:
    sim::ServiceSimulator sim;
    std::unique_ptr<TForm1> form;
    std::vector<QUrl> opened;

    void SetUp() override {
        AnswerScope() = new QObject();
        TForm1::UrlOpener() = [this](const QUrl& url) { opened.push_back(url); };
        form = std::make_unique<TForm1>(sim.Hosts());
        form->show();
        QApplication::setActiveWindow(form.get());
        Combo()->setCurrentIndex(9);  // 10 domains a second keeps the tests short
    }
    void TearDown() override {
        delete AnswerScope();
        AnswerScope() = nullptr;
        form.reset();
    }

    template <class T>
    T* Find(const char* name) const {
        T* w = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
    QComboBox* Combo() const { return Find<QComboBox>("ComboBox1"); }
    QLineEdit* Threshold() const { return Find<QLineEdit>("Edit1"); }
    QProgressBar* Progress() const { return Find<QProgressBar>("ProgressBar1"); }
    QLabel* ResumeLabel() const { return Find<QLabel>("Label2"); }
    DomainTableModel* Model() const { return form->Model(); }
    QString Cell(int col, int row) const { return FromCp1251(Model()->Cell(col, row)); }
    int RowCount() const { return Model()->RowCount(); }
    QTableView* Grid() const { return Find<QTableView>("RzStringGrid1"); }
    // A table without a run: headers, then one row per list of cells.
    void Fill(const QStringList& headers, const std::vector<QStringList>& rows) {
        Model()->SetColCount(static_cast<int>(headers.size()));
        for (int c = 0; c < headers.size(); ++c) {
            Model()->SetCell(c, 0, ToCp1251(headers[c]));
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (int c = 0; c < rows[r].size(); ++c) {
                Model()->SetCell(c, static_cast<int>(r) + 1, ToCp1251(rows[r][c]));
            }
            Model()->SetRowCount(static_cast<int>(r) + 2);
        }
    }
    // The texts of a column as the grid shows them, top down.
    QStringList Shown(int col) const {
        QStringList texts;
        for (int r = 0; r < Grid()->model()->rowCount(); ++r) {
            texts << Grid()->model()->index(r, col).data().toString();
        }
        return texts;
    }
    QStringList Headers() const {
        QStringList h;
        for (int c = 0; c < Model()->ColCount(); ++c) {
            h << Cell(c, 0);
        }
        return h;
    }

    // Pastes text into the entry dialog and hands it over with "На проверку".
    void EnterList(const QString& text) {
        OnNextModal<TForm2>([text](TForm2* dialog) {
            auto* memo = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
            memo->selectAll();
            QGuiApplication::clipboard()->setText(text);
            memo->paste();
            dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            if (dialog->isVisible()) {
                // the hand-over was refused: "Отмена" closes the dialog
                dialog->findChild<QPushButton*>(QStringLiteral("Button3"))->click();
            }
        });
        Button("Button1")->click();
        QApplication::setActiveWindow(form.get());  // back in the main window, as after the dialog closes
    }

    // Rejects the next file dialog, if one comes; whether one came.
    static std::shared_ptr<bool> RejectNextFileDialog() {
        auto shown = std::make_shared<bool>(false);
        OnNextModal<QFileDialog>([shown](QFileDialog* d) {
            *shown = true;
            d->reject();
        });
        return shown;
    }

    // Presses "Пуск" and answers the end question, if one comes, with answer.
    std::shared_ptr<SeenBox> Start(QMessageBox::StandardButton answer = QMessageBox::No) {
        auto seen = AnswerNextBox(answer);
        Button("Button2")->click();
        seen->cancelled = true;
        return seen;
    }

    // Presses "Стоп" once panel 0 reads stopText (checked at every pump of the run).
    void StopWhenPanelReads(const QString& stopText) {
        auto* timer = new QTimer(form.get());
        QObject::connect(timer, &QTimer::timeout, form.get(), [this, timer, stopText]() {
            if (form->PanelText(0) == stopText) {
                timer->stop();
                QTest::keyClick(form.get(), Qt::Key_T, Qt::ControlModifier);
            }
        });
        timer->start(1);
    }

    // The domains d1.test, d2.test, ... whose simulated TIC satisfies test.
    static std::vector<std::string> Domains(int n, const std::function<bool(const sim::SimSite&)>& test) {
        std::vector<std::string> found;
        for (int i = 1; static_cast<int>(found.size()) < n; ++i) {
            const std::string name = "d" + std::to_string(i) + ".test";
            if (test(sim::SiteFor(name))) {
                found.push_back(name);
            }
        }
        return found;
    }
    static QString Lines(const std::vector<std::string>& names) {
        QString text;
        for (const auto& n : names) {
            text += FromCp1251(n) + u'\n';
        }
        return text;
    }
};

// Answers, while scope lives, every message box whose text is in answers; the texts answered, in turn.
inline std::shared_ptr<QStringList> AnswerByText(
    QObject* scope, const std::map<QString, QMessageBox::StandardButton>& answers) {
    auto seen = std::make_shared<QStringList>();
    auto* timer = new QTimer(scope);
    QObject::connect(timer, &QTimer::timeout, [seen, answers]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        const auto answer = box != nullptr ? answers.find(box->text()) : answers.end();
        if (answer != answers.end() && box->isVisible()) {
            *seen << box->text();
            box->button(answer->second)->click();
        }
    });
    timer->start(10);
    return seen;
}

}  // namespace vantle::testing
