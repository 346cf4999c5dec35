// The release of a mouse press whose focus move opened a modal box.
//
// A press goes through the window: it notes the widget under the mouse as
// the one that holds the mouse until the release, gives the focus (which
// runs the leave and enter handlers) and only then delivers the press. A box
// opened by a handler blocks the window, which ends that hold; a release
// arriving while the box is shown is dropped (Qt's record of the held buttons
// still follows it), and one arriving after it finds no widget to go to.
// Either way the control that took the press would never see its release.
// So when the window was blocked during a focus move by the mouse, the
// control completes the press itself once it has been handled: with the
// release at once when the button is already up, or by holding the mouse
// until the button comes up.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>

#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace tk {
namespace {

// Holds the mouse for one widget until `button` is released, then lets go.
class HoldUntilRelease : public QObject {
public:
  HoldUntilRelease(QWidget* widget, Qt::MouseButton button) : QObject(widget), widget_(widget), button_(button) {
    widget->installEventFilter(this);
    widget->grabMouse();
  }

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const auto type = event->type();
    if ((type == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == button_) ||
        type == QEvent::Hide) {
      widget_->releaseMouse();
      widget_->removeEventFilter(this);
      deleteLater();
    }
    return false;  // the release itself goes on to the widget
  }

private:
  QWidget* widget_;
  Qt::MouseButton button_;
};

unsigned BlocksOf(const QWidget* widget) {
  const auto* window = dynamic_cast<const Window*>(widget->window());
  return window ? window->blocks : 0;
}

}  // namespace

void ReleaseKeeper::FocusIn(QWidget* widget, QFocusEvent* event) {
  auto* backed = dynamic_cast<Backed*>(widget);
  if (!backed || !backed->back || !backed->back->Form()) return;
  const Qt::MouseButtons held = QGuiApplication::mouseButtons();
  const unsigned blocks = BlocksOf(widget);
  QPointer<QWidget> guard(widget);
  backed->back->Form()->FocusMoved(backed->back, event->reason());
  if (!guard) return;  // a handler took the window away
  const bool blocked = BlocksOf(widget) != blocks;
  // The left button only: a right press opens a context menu, which takes
  // the mouse itself.
  lost_ = event->reason() == Qt::MouseFocusReason && blocked ? held & Qt::LeftButton : Qt::NoButton;
}

void ReleaseKeeper::PressHandled(QWidget* receiver, const QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  const bool lost = lost_ & button;
  lost_ = Qt::NoButton;  // only the press that moved the focus
  if (!lost) return;
  if (QGuiApplication::mouseButtons() & button) {
    new HoldUntilRelease(receiver, button);
    return;
  }
  // Posted, so it comes after the press has been delivered completely, as
  // the mouse's own release would.
  const QPointF global = event->globalPosition();
  QCoreApplication::postEvent(
      receiver, new QMouseEvent(QEvent::MouseButtonRelease, receiver->mapFromGlobal(global),
                                receiver->window()->mapFromGlobal(global), global, button,
                                QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers()));
}

}  // namespace tk
