#pragma once
// The question before rows that were never saved go, asked only while the journal keeps them:
// "Сохранить результаты?" with Yes (the save dialog and the save), No (the rows let go) and Cancel.
// Before the window closes the answer is asked once and kept until it has closed, a run or recheck
// ending first.

#include <functional>

class QWidget;

namespace vantle {

class WindowJournal;

class SaveQuestion {
public:
    // save: the save dialog and the save; true when the table was written.
    SaveQuestion(QWidget* window, WindowJournal& journal, std::function<bool()> save);

    // Before something replaces the rows; false keeps them (Cancel, or the save not made).
    bool MayReplace();
    // Before the window closes; false (Cancel) keeps it open.
    bool MayClose();
    // The window closes now: the rows saved on Yes, let go on No. False when the save was not made:
    // the window stays, and the question comes again.
    bool Closing();

private:
    int Ask();

    QWidget* window_;
    WindowJournal& journal_;
    std::function<bool()> save_;
    bool decided_ = false;  // the close question was answered
    bool saveOnClose_ = false;
};

}  // namespace vantle
