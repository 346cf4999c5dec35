// TControl and the simple controls: label, group box, button; fonts.
#include <QFontDatabase>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>

#include "toolkit/Application.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace tk {

QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string U(const QString& text) { return text.toUtf8().toStdString(); }

// The faces the windows name ("MS Sans Serif", "Arial") are Windows fonts,
// rarely installed here. Each has stand-ins from Debian whose widths fit the
// layouts, which were drawn in the named face at the same character height:
// Liberation Sans has Arial's metrics; Carlito comes closest to MS Sans
// Serif's label widths (within a few pixels, never beyond the room a label
// has), where Liberation Sans runs about a tenth wider and makes
// neighbouring labels touch. The package depends on both; Liberation Sans Narrow and
// DejaVu Sans are the last resorts.
QStringList SubstituteFamilies(const QString& face) {
  if (face.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0)
    return {QStringLiteral("Carlito"), QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans")};
  return {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
}

// The answer is kept per face: a window names only two or three.
QFont MakeFont(const TFontDesc& desc) {
  static QHash<QString, QStringList> families_of;
  const QString face = QString::fromUtf8(desc.face);
  auto it = families_of.find(face);
  if (it == families_of.end()) {
    QStringList families;
    // The installed families, listed once: hasFamily() would also run
    // fontconfig's alias rules, which is the slow part.
    static const QStringList installed = QFontDatabase::families();
    if (installed.contains(face, Qt::CaseInsensitive)) families << face;
    families << SubstituteFamilies(face);
    it = families_of.insert(face, families);
  }
  QFont font;
  font.setFamilies(*it);
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(desc.height > 0 ? desc.height : 11);
  font.setWeight(desc.bold ? QFont::Bold : QFont::Normal);
  return font;
}

Label::Label(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setFocusPolicy(Qt::NoFocus);
}

void Label::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    adjustSize();
    if (edit) edit->PlaceLabel();  // a hidden widget gets its resize event only when shown
  }
}

void Label::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  if (edit) edit->PlaceLabel();
}

Button::Button(QWidget* parent) : QPushButton(parent) {
  setAutoDefault(false);
  setDefault(false);
  setFocusPolicy(Qt::StrongFocus);
}

// Qt presses a focused push button with Enter only when it is auto-default,
// and auto-default buttons also answer Enter typed elsewhere. Here Enter
// presses the focused button and nothing else.
void Button::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    event->accept();
    if (!event->isAutoRepeat()) click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

void Button::focusInEvent(QFocusEvent* event) {
  QPushButton::focusInEvent(event);
  keeper_.FocusIn(this, event);
}

void Button::mousePressEvent(QMouseEvent* event) {
  QPointer<QWidget> guard(this);
  QPushButton::mousePressEvent(event);
  if (guard) keeper_.PressHandled(this, event);
}

}  // namespace tk

// ---- TControl ------------------------------------------------------------

TControl::TControl(TForm* form, std::string name, QWidget* widget)
    : form_(form), name_(std::move(name)), widget_(widget) {
  if (auto* backed = dynamic_cast<tk::Backed*>(widget_)) backed->back = this;
}

TControl::~TControl() {
  if (auto* backed = dynamic_cast<tk::Backed*>(widget_)) backed->back = nullptr;
}

int TControl::Left() const { return widget_->x(); }
int TControl::Top() const { return widget_->y(); }
int TControl::Width() const { return widget_->width(); }
int TControl::Height() const { return widget_->height(); }

void TControl::SetBounds(int left, int top, int width, int height) {
  widget_->setGeometry(left, top, width, height);
  // Move events reach a widget only once it is shown; the caption must
  // follow at once.
  if (auto* edit = dynamic_cast<TLabeledEdit*>(this)) edit->PlaceLabel();
}

void TControl::SetFont(const TFontDesc& font) {
  // An empty QFont resolves nothing, so the widget follows its parent again.
  widget_->setFont(font.face ? tk::MakeFont(font) : QFont());
}

bool TControl::Focused() const { return widget_->hasFocus(); }

void TControl::SetFocus() { widget_->setFocus(Qt::OtherFocusReason); }

// ---- TLabel ----------------------------------------------------------------

TLabel::TLabel(TForm* form, std::string name, QWidget* parent)
    : TControl(form, std::move(name), new tk::Label(parent)) {}

QLabel* TLabel::Qt() const { return static_cast<QLabel*>(widget_); }
std::string TLabel::Caption() const { return tk::U(Qt()->text()); }

void TLabel::SetCaption(std::string_view text) {
  Qt()->setText(tk::Q(text));
  Qt()->adjustSize();
  if (TLabeledEdit* edit = static_cast<tk::Label*>(widget_)->edit) edit->PlaceLabel();
}

// ---- TGroupBox -------------------------------------------------------------

TGroupBox::TGroupBox(TForm* form, std::string name, QWidget* parent)
    : TControl(form, std::move(name), new tk::GroupBox(parent)) {
  widget_->setFocusPolicy(Qt::NoFocus);
}

QGroupBox* TGroupBox::Qt() const { return static_cast<QGroupBox*>(widget_); }
std::string TGroupBox::Caption() const { return tk::U(Qt()->title()); }
void TGroupBox::SetCaption(std::string_view text) { Qt()->setTitle(tk::Q(text)); }

// ---- TButton ---------------------------------------------------------------

TButton::TButton(TForm* form, std::string name, QWidget* parent)
    : TControl(form, std::move(name), new tk::Button(parent)) {
  auto* button = static_cast<tk::Button*>(widget_);
  QObject::connect(button, &QPushButton::clicked, button, [button] {
    if (auto* self = static_cast<TButton*>(button->back)) TApplication::Dispatch(self->OnClick, self);
  });
}

QPushButton* TButton::Qt() const { return static_cast<QPushButton*>(widget_); }
std::string TButton::Caption() const { return tk::U(Qt()->text()); }
void TButton::SetCaption(std::string_view text) { Qt()->setText(tk::Q(text)); }
void TButton::Click() { Qt()->click(); }
