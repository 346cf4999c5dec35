#pragma once
// Helpers for tests that drive real Qt widgets.

#include <algorithm>
#include <QMimeData>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QtTest/QTest>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/MessageBox.h"
#include "toolkit/Toolkit.h"

namespace zktest {

// Replaces the modal message box by a recorder for its lifetime; every box
// the program asks for returns at once.
class MessageBoxRecorder {
public:
  struct Box {
    const TForm* owner;
    std::string caption;
    std::string text;
    bool error_icon;
    std::vector<std::string> choices;  // a question's, else empty
  };
  MessageBoxRecorder();
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;
  const std::vector<Box>& Boxes() const { return boxes_; }
  std::vector<std::string> Texts() const;
  void Clear() { boxes_.clear(); }
  // Forgets the boxes after the first n.
  void KeepFirst(std::size_t n) { boxes_.resize(std::min(n, boxes_.size())); }
  // Runs as each box is recorded, while the program waits for its answer.
  void OnBox(std::function<void(const Box&)> callback) { on_box_ = std::move(callback); }
  // The choice questions are answered with (an index; -1, the default: the
  // last choice, which cancels).
  void AnswerQuestionsWith(int choice) { answer_ = choice; }

private:
  std::vector<Box> boxes_;
  std::function<void(const Box&)> on_box_;
  int answer_ = -1;
  TMessageBoxPresenter previous_;
  TQuestionPresenter previous_questions_;
};

// Lets the real, modal message box show for its lifetime (whatever recorder
// is installed) and answers each box as a user would: once it is the active
// modal window it is recorded, `while_shown` runs (the mouse button released
// meanwhile, say), and its OK button is clicked, or Enter pressed on it. The
// box's own modal loop runs throughout, with everything it does to the
// events around it.
class RealBoxes {
public:
  enum class Answer { ClickOk, PressEnter };
  struct Box {
    std::string caption;
    std::string text;             // as the user reads it (without the places to wrap)
    Qt::TextFormat format;        // the box's
    Qt::TextFormat label_format;  // the label that shows the text
    bool critical;
    bool application_modal;
    QRect frame;  // the box on the screen, frame included
    QRect area;   // its screen's available area
    bool question = false;              // the question icon
    std::vector<std::string> buttons;   // their texts, in order
    std::string default_button, escape_button;
  };
  explicit RealBoxes(std::function<void()> while_shown = {}, Answer answer = Answer::ClickOk);
  ~RealBoxes();
  RealBoxes(const RealBoxes&) = delete;
  RealBoxes& operator=(const RealBoxes&) = delete;
  void WhileShown(std::function<void()> action) { while_shown_ = std::move(action); }
  // Answers by clicking the button with this text where the box has one
  // (a question's choice), instead of "OK".
  void Choose(std::string button) { choose_ = std::move(button); }
  const std::vector<Box>& Boxes() const { return boxes_; }
  std::vector<std::string> Texts() const;

private:
  void Poll();
  QTimer timer_;
  QSet<const QObject*> answering_;
  std::vector<Box> boxes_;
  std::function<void()> while_shown_;
  Answer answer_;
  std::string choose_;
  TMessageBoxPresenter previous_;
  TQuestionPresenter previous_questions_;
};

// Mouse input through the top-level window, the way the window system hands
// it over: the press gives the focus before it is delivered, and a window
// that a modal box blocks drops what reaches it. Points are in the widget's
// coordinates (its centre by default).
void WindowPress(QWidget* widget, QPoint at = QPoint());
void WindowRelease(QWidget* widget, QPoint at = QPoint());
void WindowMove(QWidget* widget, QPoint at = QPoint());

// Waits until the window itself is the active one. (QTest's wait counts a
// transient window as active while its owner is.)
bool WaitUntilActive(QWidget* window, int ms = 5000);

// Shows the form and waits until its window is active; false on time-out.
bool ShowAndActivate(TForm& form);

// The widget that has the keyboard focus (fails the test when none).
QWidget* Focused();

// Types into the focused widget, as the keyboard does.
void Type(const QString& text);
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void Tab();
void Backtab();

// A mouse click at a point of the widget (its centre by default).
void Click(QWidget* widget, QPoint at = QPoint());
void DoubleClick(QWidget* widget, QPoint at = QPoint());

// Drops local files onto widget (at its centre by default) as the window
// system delivers a drop: drag enter, move and drop, through Qt's own
// propagation to the widget that takes it. The data carries the files as
// URLs and their paths as text, as file managers send them. Returns the
// accepted drop action, or Qt::IgnoreAction when nobody took the drop.
Qt::DropAction DropFiles(QWidget* widget, const std::vector<std::string>& paths, QPoint at = QPoint());
// The same with the data as given (a real file manager's, captured).
Qt::DropAction DropMimeData(QWidget* widget, const QMimeData& data, QPoint at = QPoint());
// A path's URL as a file manager puts it on a drop: every byte of the
// path but "/" and the unreserved ones percent-encoded, as GLib's
// g_filename_to_uri does ("/tmp/caf\xE9 um.dad" -> "file:///tmp/caf%E9%20um.dad").
QByteArray FileUri(const std::string& path);

// Lets posted events run for a moment.
void Settle(int ms = 10);

// The labels of a form (its own and the labelled edits' captions) whose
// text, drawn in the label's font, is cut by the label or does not end at
// least `gap` pixels before the next control on its row or the right edge
// of its parent: one "label's text: what it runs into" per offence. The gap
// is wider than a word space at the windows' sizes, so that two captions
// never read as one.
std::vector<std::string> LabelsRunningIntoNeighbours(const TForm& form, int gap = 5);

}  // namespace zktest
