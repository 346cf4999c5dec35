// TForm: a top-level window (deliberately not a QDialog: a dialog makes every
// push button auto-default and closes on Escape) with a client area inside a
// scroll area, the per-window focus bookkeeping behind enter/leave, and the
// modal loop.
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "toolkit/Application.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace {
std::vector<TForm*>& AllForms() {
  static std::vector<TForm*> forms;
  return forms;
}
}  // namespace

struct TForm::Impl {
  tk::Window* window = nullptr;
  tk::ScrollArea* scroll = nullptr;
  QWidget* client = nullptr;
  TBorderStyle border = TBorderStyle::Single;
  QSize client_size{0, 0};
  std::optional<QSize> outer;
  bool activated = false;
  // Where the frame goes: a place of its own (kept on the screen if asked),
  // or centred over another window.
  std::optional<QPoint> place;
  bool keep_on_screen = false;
  QPointer<QWidget> centre_over;
  QPointer<QWidget> transient_for;
  // A window manager reports its frame only once the window is mapped; the
  // size and the place are worked out again, once, when it does.
  bool frame_seen = false;
  // The entries of the window's context menu (separators included).
  std::vector<QAction*> menu;

  QSize FrameMargins() const { return window->frameGeometry().size() - window->geometry().size(); }

  // The frame's size: the one asked for, or the client area plus the frame
  // as far as it is known.
  QSize OuterSize() const { return outer ? *outer : window->size() + FrameMargins(); }

  QPoint Centred(const QWidget& owner) const {
    const QRect o = owner.frameGeometry();
    const QSize size = OuterSize();
    return {std::max(o.x() + (o.width() - size.width()) / 2, 0), std::max(o.y() + (o.height() - size.height()) / 2, 0)};
  }

  // Shifts the frame into the available area of the screen it is on.
  QPoint OnScreen(QPoint at) const { return tk::KeptOnScreen(at, OuterSize(), window); }

  void Place() {
    if (centre_over)
      window->move(Centred(*centre_over));
    else if (place)
      window->move(keep_on_screen ? OnScreen(*place) : *place);
  }

  // Once the frame is known: the asked outer size and the place again.
  void FrameReported() {
    if (frame_seen || !window->isVisible() || FrameMargins().isNull()) return;
    frame_seen = true;
    ApplyGeometry();
    Place();
  }

  // The extent of the controls on the client area.
  QSize ContentExtent() const {
    QRect r(0, 0, 1, 1);
    for (QObject* child : client->children())
      if (auto* w = qobject_cast<QWidget*>(child); w && !w->isHidden()) r = r.united(w->geometry());
    return {r.right() + 1, r.bottom() + 1};
  }

  void ApplyGeometry() {
    QSize size = client_size;
    if (outer) size = (*outer - FrameMargins()).expandedTo(QSize(1, 1));
    if (border == TBorderStyle::Single) {
      scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      client->setFixedSize(client_size.expandedTo(size));
      window->setFixedSize(size);
    } else {
      scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      client->setFixedSize(ContentExtent());
      window->setMinimumSize(0, 0);
      window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      window->resize(size);
    }
  }
};

namespace tk {

QPoint KeptOnScreen(QPoint at, QSize outer, const QWidget* window) {
  QScreen* screen = QGuiApplication::screenAt(at);
  if (!screen && window) screen = window->screen();
  if (!screen) return at;
  const QRect area = screen->availableGeometry();
  at.setX(std::max(std::min(at.x(), area.x() + area.width() - outer.width()), area.x()));
  at.setY(std::max(std::min(at.y(), area.y() + area.height() - outer.height()), area.y()));
  return at;
}

TForm* FormOf(const QWidget* widget) {
  if (!widget) return nullptr;
  const QWidget* top = widget->window();
  for (TForm* form : AllForms())
    if (form->Widget() == top) return form;
  return nullptr;
}

ScrollArea::ScrollArea(QWidget* parent) : QScrollArea(parent) {
  setFocusPolicy(Qt::NoFocus);
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(false);
  horizontalScrollBar()->setFocusPolicy(Qt::NoFocus);
  verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
  viewport()->setFocusPolicy(Qt::NoFocus);
}

// Keys that no control took (arrows, Page Up/Down in an edit) must not
// scroll the window under the user's hands.
void ScrollArea::keyPressEvent(QKeyEvent* event) { event->ignore(); }

Window::Window(TForm* owner)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      form(owner) {
  setFocusPolicy(Qt::NoFocus);
  setAcceptDrops(true);  // takes files only while the form has OnDropFiles
}

// A dropped file's path as the file system names it: the URL's own bytes. A
// file manager percent-encodes every byte of a name, UTF-8 or not
// ("file:///tmp/caf%E9.dad" for a Latin-1 name), which a QString would lose.
std::string LocalPath(const QUrl& url) {
  if (!url.host().isEmpty()) return QFile::encodeName(url.toLocalFile()).toStdString();
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(LocalPath(url));
  }
  return paths;
}

bool TakesDroppedFiles(const QWidget* widget) {
  const TForm* form = FormOf(widget);
  if (!form || !form->OnDropFiles) return false;
  const QWidget* modal = QApplication::activeModalWidget();
  return !modal || modal == form->Widget();
}

namespace {
// A dropped file is never moved: a move would let the source delete it.
bool AcceptAsCopy(QDropEvent* event) {
  if (event->possibleActions() & Qt::CopyAction) {
    event->setDropAction(Qt::CopyAction);
  } else if (event->possibleActions() & Qt::LinkAction) {
    event->setDropAction(Qt::LinkAction);
  } else {
    event->ignore();
    return false;
  }
  event->accept();
  return true;
}
}  // namespace

void Window::dragEnterEvent(QDragEnterEvent* event) {
  if (!TakesDroppedFiles(this) || LocalFiles(event->mimeData()).empty() || !AcceptAsCopy(event)) event->ignore();
}

void Window::dragMoveEvent(QDragMoveEvent* event) {
  if (!TakesDroppedFiles(this) || LocalFiles(event->mimeData()).empty() || !AcceptAsCopy(event)) event->ignore();
}

void Window::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths = LocalFiles(event->mimeData());
  if (!TakesDroppedFiles(this) || paths.empty() || !AcceptAsCopy(event)) {
    event->ignore();
    return;
  }
  // The handler runs after the drop has returned to the window system.
  QTimer::singleShot(0, this, [this, paths = std::move(paths)] {
    if (!form || !form->OnDropFiles) return;
    TForm* target = form;
    const TDropFilesEvent handler = target->OnDropFiles;
    TApplication::Dispatch([&handler, &paths](TObject* sender) { handler(sender, paths); }, target);
  });
}

bool Window::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::WindowBlocked) ++blocks;
  const bool handled = QWidget::event(event);
  // A window manager's frame shows in the geometry once the window is mapped.
  if (form && (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show ||
               type == QEvent::Expose || type == QEvent::WindowActivate))
    form->FrameReported();
  if (type == QEvent::WindowActivate && form) {
    form->FirstActivation();
    if (form && form->OnActivate) {
      const TNotifyEvent handler = form->OnActivate;  // the handler may delete the form
      TApplication::Dispatch(handler, form);
    }
  }
  return handled;
}

void Window::closeEvent(QCloseEvent* event) {
  event->accept();
  if (form && form->OnClose) {
    const TNotifyEvent handler = form->OnClose;
    TApplication::Dispatch(handler, form);
  }
  if (loop) loop->quit();
  if (form && Application && Application->MainForm() == form) QCoreApplication::quit();
}

void Window::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (loop && !event->spontaneous()) loop->quit();
}

}  // namespace tk

TForm::TForm(TObject* owner) : impl_(std::make_unique<Impl>()), owner_(owner) {
  impl_->window = new tk::Window(this);
  auto* layout = new QVBoxLayout(impl_->window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  impl_->scroll = new tk::ScrollArea(impl_->window);
  layout->addWidget(impl_->scroll);
  impl_->client = new QWidget;
  impl_->client->setFocusPolicy(Qt::NoFocus);
  impl_->scroll->setWidget(impl_->client);  // after the client exists: the scroll area shows it
  impl_->ApplyGeometry();
  // A right-click that no control takes (the background, a label, a group
  // box, a button) ends here: the window's own menu, when it has one.
  impl_->client->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(impl_->client, &QWidget::customContextMenuRequested, impl_->window, [this](const QPoint& at) {
    if (impl_->menu.empty()) return;
    QMenu* menu = CreateContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(impl_->client->mapToGlobal(at));
  });
  AllForms().push_back(this);
  if (auto* app = dynamic_cast<TApplication*>(owner); app && app == Application) app->Own(this);
}

TForm::~TForm() {
  auto& forms = AllForms();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  // Owned or adopted: either way the application must forget it.
  if (Application) Application->Release(this);
  impl_->window->form = nullptr;
  if (impl_->window->loop) impl_->window->loop->quit();
  active_ = nullptr;
  tab_sequence_.clear();
  controls_.clear();
  owned_.clear();  // controls first: their widgets go with the window
  delete impl_->window;
}

QWidget* TForm::Widget() const { return impl_->window; }
QWidget* TForm::ClientArea() const { return impl_->client; }

std::string TForm::Caption() const { return tk::U(impl_->window->windowTitle()); }
void TForm::SetCaption(std::string_view text) { impl_->window->setWindowTitle(tk::Q(text)); }

void TForm::SetClientSize(int width, int height) {
  impl_->client_size = QSize(width, height);
  impl_->outer.reset();
  impl_->ApplyGeometry();
}

void TForm::SetOuterSize(int width, int height) {
  impl_->outer = QSize(width, height);
  impl_->ApplyGeometry();
}

void TForm::SetBorderStyle(TBorderStyle style) {
  impl_->border = style;
  impl_->ApplyGeometry();
}

void TForm::SetFont(const TFontDesc& font) { impl_->window->setFont(font.face ? tk::MakeFont(font) : QFont()); }

void TForm::SetFramePosition(int left, int top) {
  impl_->place = QPoint(left, top);
  impl_->centre_over = nullptr;
  impl_->Place();
}

void TForm::KeepOnScreen() {
  impl_->keep_on_screen = true;
  impl_->Place();
}

void TForm::CenterOver(const TForm& owner) {
  impl_->centre_over = owner.Widget();
  impl_->Place();
}

void TForm::PlaceBeside(const TForm& owner) {
  const QWidget* o = owner.Widget();
  const QRect frame = o->frameGeometry();
  const QSize outer = impl_->window->size() + (frame.size() - o->geometry().size());
  const QScreen* screen = o->screen();
  const QRect area = screen ? screen->availableGeometry() : QRect(frame.topLeft(), outer);
  const QPoint candidates[] = {{frame.right() + 1, frame.top()},
                               {frame.left() - outer.width(), frame.top()},
                               {frame.left(), frame.bottom() + 1}};
  QPoint at = candidates[0];
  for (const QPoint& candidate : candidates) {
    if (area.contains(QRect(candidate, outer))) {
      at = candidate;
      break;
    }
  }
  SetFramePosition(at.x(), at.y());
  KeepOnScreen();
}

// A window manager keeps a transient window with its owner: above it,
// minimized and restored with it. X11 window managers read that only from
// dialog windows, so the window becomes one (a window type, not QDialog's
// behaviour: no default buttons, no Escape).
void TForm::SetTransientFor(const TForm& owner) {
  impl_->transient_for = owner.Widget();
  tk::Window* window = impl_->window;
  window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
}

void TForm::FrameReported() { impl_->FrameReported(); }

int TForm::Left() const { return impl_->window->frameGeometry().x(); }
int TForm::Top() const { return impl_->window->frameGeometry().y(); }
int TForm::OuterWidth() const { return impl_->window->frameGeometry().width(); }
int TForm::OuterHeight() const { return impl_->window->frameGeometry().height(); }

void TForm::Show() {
  impl_->ApplyGeometry();
  impl_->Place();
  // An edit shows the part of its text around the caret, and assigning a text
  // leaves the caret at its end: a form opens with every edit showing the
  // start of its text instead (the focused one selects it all anyway).
  if (!impl_->window->isVisible())
    for (TControl* control : controls_)
      if (auto* edit = dynamic_cast<TLabeledEdit*>(control); edit && !edit->Focused()) edit->SetSelStart(0);
  if (impl_->transient_for) {
    impl_->window->winId();  // the native window, to hang the owner on
    if (QWindow* handle = impl_->window->windowHandle()) handle->setTransientParent(impl_->transient_for->windowHandle());
  }
  impl_->window->show();
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) impl_->window->raise();
  impl_->window->activateWindow();
  impl_->FrameReported();  // some platforms know the frame at once
}

void TForm::Close() { impl_->window->close(); }

void TForm::ShowModal() {
  tk::Window* window = impl_->window;
  if (window->loop) return;
  QPointer<QWidget> previous = QApplication::activeWindow();
  if (window->isVisible()) window->hide();
  window->setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  window->loop = &loop;
  Show();
  if (window->isVisible()) loop.exec(QEventLoop::DialogExec);
  // The form may have been deleted by a handler inside the loop.
  if (std::find(AllForms().begin(), AllForms().end(), this) == AllForms().end()) return;
  window->loop = nullptr;
  window->hide();
  window->setWindowModality(Qt::NonModal);
  if (previous && previous->isVisible()) previous->activateWindow();
}

bool TForm::Modal() const { return impl_->window->loop != nullptr; }

bool TForm::Visible() const { return impl_->window->isVisible(); }

void TForm::BringToFront() {
  tk::Window* window = impl_->window;
  if (window->isMinimized()) window->showNormal();
  window->raise();
  window->activateWindow();
}

void TForm::Post(TNotifyEvent handler) {
  // The window is the timer's context: gone with the form, the call goes too.
  QTimer::singleShot(0, impl_->window, [this, handler = std::move(handler)] { TApplication::Dispatch(handler, this); });
}

void TForm::AddMenuItem(std::string_view caption, std::string_view shortcut, TNotifyEvent handler) {
  auto* action = new QAction(tk::Q(caption), impl_->window);
  if (!shortcut.empty()) {
    action->setShortcut(QKeySequence(tk::Q(shortcut), QKeySequence::PortableText));
    action->setShortcutContext(Qt::WindowShortcut);
    impl_->window->addAction(action);  // the shortcut works in the whole window
  }
  // QMenu hides itself before it emits triggered, so a handler that opens a
  // modal window finds no popup in its way.
  QObject::connect(action, &QAction::triggered, impl_->window,
                   [this, handler = std::move(handler)] { TApplication::Dispatch(handler, this); });
  impl_->menu.push_back(action);
}

void TForm::AddMenuSeparator() {
  auto* separator = new QAction(impl_->window);
  separator->setSeparator(true);
  impl_->menu.push_back(separator);
}

std::vector<std::string> TForm::MenuEntries() const {
  std::vector<std::string> entries;
  for (const QAction* action : impl_->menu) {
    if (action->isSeparator()) {
      entries.emplace_back();
      continue;
    }
    std::string entry = tk::U(action->text());
    if (!action->shortcut().isEmpty()) entry += "\t" + tk::U(action->shortcut().toString(QKeySequence::PortableText));
    entries.push_back(std::move(entry));
  }
  return entries;
}

QMenu* TForm::CreateContextMenu() const {
  auto* menu = new QMenu(impl_->window);
  for (QAction* action : impl_->menu) menu->addAction(action);
  return menu;
}

TControl* TForm::FindControl(std::string_view name) const {
  for (TControl* control : controls_)
    if (control->Name() == name) return control;
  return nullptr;
}

void TForm::AddControl(std::unique_ptr<TControl> control) {
  controls_.push_back(control.get());
  owned_.push_back(std::move(control));
}

void TForm::SetTabSequence(std::vector<TControl*> sequence) {
  tab_sequence_ = std::move(sequence);
  for (std::size_t i = 1; i < tab_sequence_.size(); ++i)
    QWidget::setTabOrder(tab_sequence_[i - 1]->Widget(), tab_sequence_[i]->Widget());
}

// Enter and leave follow the focus between this window's controls only:
// a focus that goes to another window and comes back to the same control
// arrives here with that control already active, and raises nothing.
void TForm::FocusMoved(TControl* to, int /*qt_focus_reason*/) {
  if (!to || to == active_) return;
  TControl* from = active_;
  active_ = to;
  if (auto* edit = dynamic_cast<TLabeledEdit*>(from)) TApplication::Dispatch(edit->OnExit, edit);
  if (active_ != to) return;  // the leave handler moved the focus on; that move has run
  if (auto* edit = dynamic_cast<TLabeledEdit*>(to)) TApplication::Dispatch(edit->OnEnter, edit);
}

// The first activation puts the focus on the first tab stop, which selects
// its text (see the edit's focus-in) and runs its enter handler.
void TForm::FirstActivation() {
  if (impl_->activated) return;
  impl_->activated = true;
  if (!first_focus_ && tab_sequence_.empty()) return;
  TControl* first = first_focus_ ? first_focus_ : tab_sequence_.front();
  first->SetFocus();
  if (active_ != first && first->Focused()) {
    if (auto* edit = dynamic_cast<TLabeledEdit*>(first)) edit->SelectAll();
    FocusMoved(first, Qt::OtherFocusReason);
  }
}
