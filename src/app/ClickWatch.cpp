#include "app/ClickWatch.h"

#include <QFrame>
#include <QMouseEvent>

namespace vantle {

ClickWatch::ClickWatch(QWidget* control, std::function<void()> clicked, bool sinks)
    : QObject(control),
      control_(control),
      frame_(sinks ? qobject_cast<QFrame*>(control) : nullptr),
      clicked_(std::move(clicked)) {
    control->installEventFilter(this);
}

bool ClickWatch::eventFilter(QObject* watched, QEvent* event) {
    // (Taken once at the start: while the control is being destroyed, it is a frame no more.)
    QFrame* frame = frame_;
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
