#pragma once
// Answering modal boxes from a test: arm before the action that opens the box; the answer is given
// once the box is the active modal widget. What the box showed is kept for the test to check.

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>

// gtest prints QStrings as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace vantle::testing {

// The owner of every waiting answer: a test deletes it at its end, so that an answer armed by one
// test never acts in the next.
inline QObject*& AnswerScope() {
    static QObject* scope = nullptr;
    return scope;
}

struct SeenBox {
    bool cancelled = false;  // set to stop waiting for the box
    bool shown = false;
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Clicks `button` of the next modal QMessageBox and records what it showed. Polls for up to
// `timeoutMs`; the result is filled once the box has been answered.
inline std::shared_ptr<SeenBox> AnswerNextBox(QMessageBox::StandardButton button, int timeoutMs = 10000) {
    auto seen = std::make_shared<SeenBox>();
    auto timer = new QTimer(AnswerScope());
    timer->setInterval(10);
    auto started = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, seen, button, started, timeoutMs]() {
        *started += 10;
        if (seen->cancelled) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen->shown = true;
            seen->text = box->text();
            seen->caption = box->windowTitle();
            seen->icon = box->icon();
            seen->buttons = box->standardButtons();
            timer->stop();
            timer->deleteLater();
            if (auto* b = box->button(button)) {
                b->click();
            } else {
                box->done(button);
            }
            return;
        }
        if (*started > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return seen;
}

// Runs `act` on the next modal dialog of type T (file dialogs and the like).
template <class T>
void OnNextModal(std::function<void(T*)> act, int timeoutMs = 10000) {
    auto timer = new QTimer(AnswerScope());
    timer->setInterval(10);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, waited, timeoutMs]() {
        *waited += 10;
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(d);
            return;
        }
        if (*waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

}  // namespace vantle::testing
