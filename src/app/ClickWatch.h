#pragma once
// A click on a control that is no button (a panel, a label that reads as a link): the left button
// pressed on it and released on it. A frame that sinks shows itself pressed in between.

#include <QObject>
#include <functional>

class QFrame;
class QWidget;

namespace vantle {

class ClickWatch : public QObject {
public:
    // Watches control, a child of it; sinks: the control is a QFrame that sinks while pressed.
    ClickWatch(QWidget* control, std::function<void()> clicked, bool sinks = false);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* control_;
    QFrame* frame_;  // the control, when it sinks
    std::function<void()> clicked_;
    bool pressed_ = false;  // the left button went down on the control
};

}  // namespace vantle
