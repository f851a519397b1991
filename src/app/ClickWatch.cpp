#include "app/ClickWatch.h"

#include <QFrame>
#include <QMouseEvent>

namespace vantle {

ClickWatch::ClickWatch(QWidget* control, std::function<void()> clicked, bool sinks)
    : QObject(control), control_(control), clicked_(std::move(clicked)), sinks_(sinks) {
    control->installEventFilter(this);
}

bool ClickWatch::eventFilter(QObject* watched, QEvent* event) {
    auto* frame = sinks_ ? static_cast<QFrame*>(control_) : nullptr;
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        pressed_ = true;
        if (frame != nullptr) {
            frame->setFrameShadow(QFrame::Sunken);
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (frame != nullptr) {
            frame->setFrameShadow(QFrame::Raised);
        }
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (pressed_ && mouse->button() == Qt::LeftButton &&
            control_->rect().contains(mouse->position().toPoint())) {
            clicked_();
        }
        pressed_ = false;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vantle
