#include "app/SaveQuestion.h"

#include <QMessageBox>

#include "app/WindowJournal.h"

namespace vantle {

SaveQuestion::SaveQuestion(QWidget* window, WindowJournal& journal, std::function<bool()> save)
    : window_(window), journal_(journal), save_(std::move(save)) {}

int SaveQuestion::Ask() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Сообщение"),
                    QStringLiteral("Сохранить результаты?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, window_);
    return box.exec();
}

bool SaveQuestion::MayReplace() {
    if (!journal_.On() || !journal_.Unsaved()) {
        return true;
    }
    const int answer = Ask();
    if (answer == QMessageBox::Yes) {
        return save_();
    }
    if (answer == QMessageBox::No) {
        journal_.Done();
        return true;
    }
    return false;
}

// During a run, the run waits for the answer.
bool SaveQuestion::MayClose() {
    if (!journal_.On() || !journal_.Unsaved() || decided_) {
        return true;
    }
    const int answer = Ask();
    if (answer == QMessageBox::Cancel) {
        return false;
    }
    decided_ = true;
    saveOnClose_ = answer == QMessageBox::Yes;
    return true;
}

bool SaveQuestion::Closing() {
    if (saveOnClose_) {
        saveOnClose_ = false;
        if (!save_()) {
            decided_ = false;
            return false;
        }
    } else if (decided_) {
        journal_.Done();  // the user chose to let the rows go
    }
    return true;
}

}  // namespace vantle
