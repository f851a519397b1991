#pragma once
// The entry dialog on its own, with a main window that only records the hand-overs.

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "dialogs/ListHandOver.h"
#include "dialogs/TForm2.h"

namespace vantle::testing {

class FakeMainWindow : public ListHandOver {
public:
    void HandOver(int lineCount) override { handOvers.push_back(lineCount); }
    std::vector<int> handOvers;
};

class TForm2Fixture : public ::testing::Test {
protected:
    void TearDown() override {
        dialog_.reset();
        QApplication::processEvents();
    }

    // Shows the dialog as the main window's exec() would and makes it the active window, so that
    // window-scope keys reach it under the offscreen platform.
    void Open() {
        dialog_->show();
        QApplication::setActiveWindow(dialog_.get());
        QApplication::processEvents();
    }

    template <class T>
    T* Child(const char* name) const {
        T* child = dialog_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QPlainTextEdit* Memo() const { return Child<QPlainTextEdit>("Memo1"); }
    QPushButton* Button(const char* name) const { return Child<QPushButton>(name); }
    QString Count() const { return Child<QLabel>("Label1")->text(); }

    FakeMainWindow main_;
    std::unique_ptr<TForm2> dialog_ = std::make_unique<TForm2>(main_);
};

}  // namespace vantle::testing
