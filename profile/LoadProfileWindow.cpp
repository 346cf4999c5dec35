// The load-profile window over Qt Charts.
#include "profile/LoadProfileWindow.h"

#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <functional>

#include "case/CaseData.h"
#include "toolkit/WindowText.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace {

QList<QPointF> ToQt(const std::vector<TProfilePoint>& points) {
  QList<QPointF> out;
  out.reserve(static_cast<qsizetype>(points.size()));
  for (const TProfilePoint& p : points) out.append(QPointF(p.hours, p.load));
  return out;
}

std::vector<TProfilePoint> FromQt(const QXYSeries* series) {
  std::vector<TProfilePoint> out;
  const QList<QPointF> points = series->points();
  out.reserve(static_cast<std::size_t>(points.size()));
  for (const QPointF& p : points) out.push_back({p.x(), p.y()});
  return out;
}

// A tick spacing of 1, 2 or 5 times a power of ten giving about eight ticks.
double NiceStep(double range) {
  if (!(range > 0.0) || !std::isfinite(range)) return 1.0;
  const double raw = range / 8.0;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (raw <= m * power) return m * power;
  return 10.0 * power;
}

// Ticks at multiples of step from 0, labels with the decimals step needs.
void SetTicks(QValueAxis* axis, double step) {
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0.0);
  axis->setTickInterval(step);
  const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 6);
  axis->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}

// The client size the window asks for, and the least it is made to fit
// beside its owner.
constexpr QSize kPreferredSize(760, 480);
constexpr QSize kMinimumSize(360, 300);

}  // namespace

// The first place of a window of up to `preferred` (frame included) beside
// `owner` within `area`: right of the owner, left of it, below or above,
// whichever side takes the largest part of it, shrunk to the room that side
// has but not below `minimum`. Where no side has that much room, the
// preferred size at the owner's right, shifted into the area.
QRect PlaceBeside(const QRect& owner, const QRect& area, QSize preferred, QSize minimum) {
  const QRect sides[] = {
      QRect(QPoint(owner.right() + 1, area.top()), area.bottomRight()),
      QRect(area.topLeft(), QPoint(owner.left() - 1, area.bottom())),
      QRect(QPoint(area.left(), owner.bottom() + 1), area.bottomRight()),
      QRect(area.topLeft(), QPoint(area.right(), owner.top() - 1)),
  };
  QRect best;
  for (const QRect& side : sides) {
    const QSize size = preferred.boundedTo(side.size());
    if (size.width() < minimum.width() || size.height() < minimum.height()) continue;
    if (best.isValid() && size.width() * size.height() <= best.width() * best.height()) continue;
    // Next to the owner, level with its top (or its left) where there is room.
    QPoint at;
    if (side.left() > owner.right() || side.right() < owner.left()) {
      at.setX(side.left() > owner.right() ? side.left() : side.right() + 1 - size.width());
      at.setY(std::clamp(owner.top(), side.top(), side.bottom() + 1 - size.height()));
    } else {
      at.setY(side.top() > owner.bottom() ? side.top() : side.bottom() + 1 - size.height());
      at.setX(std::clamp(owner.left(), side.left(), side.right() + 1 - size.width()));
    }
    best = QRect(at, size);
  }
  if (best.isValid()) return best;
  const QSize size = preferred.boundedTo(area.size());
  QPoint at(owner.right() + 1, owner.top());
  at.setX(std::max(std::min(at.x(), area.right() + 1 - size.width()), area.left()));
  at.setY(std::max(std::min(at.y(), area.bottom() + 1 - size.height()), area.top()));
  return {at, size};
}

namespace {

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Calls back on a resize of the chart and when the owner's window closes.
class Watch : public QObject {
public:
  Watch(QObject* parent, std::function<void()> resized, std::function<void()> owner_closed)
      : QObject(parent), resized_(std::move(resized)), owner_closed_(std::move(owner_closed)) {}
  QObject* view = nullptr;
  QObject* owner = nullptr;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == view && event->type() == QEvent::Resize) resized_();
    // Closed, or hidden by the program; a minimized owner hides spontaneously.
    if (watched == owner && (event->type() == QEvent::Close || (event->type() == QEvent::Hide && !event->spontaneous())))
      owner_closed_();
    return false;
  }

private:
  std::function<void()> resized_, owner_closed_;
};

}  // namespace

struct TLoadProfileWindow::Impl {
  const TCaseData* data = nullptr;
  QPointer<QWidget> window;
  bool placed = false;  // the first Show places the window
  QChartView* view = nullptr;
  QChart* chart = nullptr;
  QLineSeries* steps = nullptr;
  QScatterSeries* no_duration = nullptr;
  QScatterSeries* no_load = nullptr;
  QValueAxis* hours = nullptr;
  QValueAxis* load = nullptr;
  QLabel* summary = nullptr;
  std::string summary_text;
  int columns = 0;
  // A compared case's line, while there is one.
  const TCaseData* other = nullptr;
  QLineSeries* other_steps = nullptr;

  int Columns() const {
    const int width = chart->plotArea().isValid() && chart->plotArea().width() > 1
                          ? static_cast<int>(chart->plotArea().width())
                          : view->width();
    return std::max(width, 64);
  }

  void Draw() {
    const TCaseData& d = *data;
    const std::size_t n = std::min({static_cast<std::size_t>(std::max<int32_t>(d.N, 0)), d.durations.size(),
                                    d.loads.size()});
    columns = Columns();
    TLoadProfile profile =
        BuildLoadProfile(d.durations.data(), d.loads.data(), n, static_cast<std::size_t>(columns));
    steps->replace(ToQt(profile.steps));
    no_duration->replace(ToQt(profile.no_duration));
    no_load->replace(ToQt(profile.no_load));
    if (other && other_steps) {
      const std::size_t m = std::min({static_cast<std::size_t>(std::max<int32_t>(other->N, 0)),
                                      other->durations.size(), other->loads.size()});
      const TLoadProfile second = BuildLoadProfile(other->durations.data(), other->loads.data(), m,
                                                   static_cast<std::size_t>(columns));
      other_steps->replace(ToQt(second.steps));
      if (!second.steps.empty()) {  // both lines within the axes
        profile.min_hours = std::min(profile.min_hours, second.min_hours);
        profile.max_hours = std::max(profile.max_hours, second.max_hours);
        profile.min_load = std::min(profile.min_load, second.min_load);
        profile.max_load = std::max(profile.max_load, second.max_load);
      }
    }

    double x0 = std::min(profile.min_hours, 0.0), x1 = profile.max_hours;
    if (!(x1 > x0)) x1 = x0 + 1.0;
    // The load axis starts at 0 unless a load is negative, and ends a little
    // above the highest load, both on a tick. (Loads not entered are marked
    // at 0, on the axis: they are no reason to run it below zero.)
    double y0 = std::min(profile.min_load, 0.0), y1 = std::max(profile.max_load, 0.0);
    if (!(y1 > y0)) y1 = y0 + 1.0;
    const double pad = (y1 - y0) * 0.05;
    y1 += pad;
    if (y0 < 0.0) y0 -= pad;
    const double load_step = NiceStep(y1 - y0);
    y0 = std::floor(y0 / load_step) * load_step;
    y1 = std::ceil(y1 / load_step) * load_step;
    hours->setRange(x0, x1);
    load->setRange(y0, y1);
    SetTicks(hours, NiceStep(x1 - x0));
    SetTicks(load, load_step);

    double total = 0.0;
    for (std::size_t i = 0; i < n; ++i) total += d.durations[i];
    summary_text = Count(n, "intervalo", "intervalos") + ", " + FormatRealText(total) + " horas; sem duração: " +
                   std::to_string(profile.missing_durations) + "; sem carga: " +
                   std::to_string(profile.missing_loads) + (profile.reduced ? "; mínimo e máximo de cada coluna de pixels" : "");
    summary->setText(tk::Q(summary_text));
  }

  void Build(QWidget* owner) {
    window = new QWidget(owner, Qt::Window);
    window->setWindowTitle(QString::fromUtf8(kCaption));
    window->resize(kPreferredSize);
    auto* layout = new QVBoxLayout(window);

    chart = new QChart;
    QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    chart->setLocale(locale);
    chart->setLocalizeNumbers(true);
    chart->setTitle(QStringLiteral("Perfil de carga"));
    // Little frame around the chart: the window may stand narrowed beside
    // the main window.
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setMargins(QMargins(6, 6, 6, 6));
    chart->setBackgroundRoundness(0);
    steps = new QLineSeries;
    steps->setName(QStringLiteral("Carga (MW)"));
    no_duration = new QScatterSeries;
    no_duration->setName(QString::fromUtf8("Duração não informada"));
    no_duration->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    no_duration->setMarkerSize(9);
    no_duration->setColor(QColor(200, 30, 30));
    no_load = new QScatterSeries;
    no_load->setName(QString::fromUtf8("Carga não informada"));
    no_load->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    no_load->setMarkerSize(12);
    no_load->setColor(QColor(230, 140, 0));
    chart->addSeries(steps);
    chart->addSeries(no_duration);
    chart->addSeries(no_load);
    // The load axis names the line already; the legend explains the marks,
    // and keeps room for them in a window narrowed beside the main window.
    for (QLegendMarker* marker : chart->legend()->markers(steps)) marker->setVisible(false);

    hours = new QValueAxis;
    hours->setTitleText(QStringLiteral("Horas acumuladas (h)"));
    load = new QValueAxis;
    load->setTitleText(QStringLiteral("Carga (MW)"));
    chart->addAxis(hours, Qt::AlignBottom);
    chart->addAxis(load, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
      s->attachAxis(hours);
      s->attachAxis(load);
    }

    view = new QChartView(chart, window);
    view->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(view, 1);
    summary = new QLabel(window);
    summary->setTextFormat(Qt::PlainText);
    summary->setWordWrap(true);  // a narrow window keeps its width
    layout->addWidget(summary);

    auto* watch = new Watch(
        window,
        [this] {
          if (window && window->isVisible() && Columns() != columns) Draw();
        },
        [this] {
          if (window) window->close();
        });
    watch->view = view;
    watch->owner = owner;
    view->installEventFilter(watch);
    if (owner) owner->installEventFilter(watch);
  }
};

TLoadProfileWindow::TLoadProfileWindow(TForm* owner, const TCaseData* data) : impl_(std::make_unique<Impl>()) {
  impl_->data = data;
  impl_->Build(owner ? owner->Widget() : nullptr);
}

// The window is a child of the owner's: if the owner went first it took the
// window with it.
TLoadProfileWindow::~TLoadProfileWindow() { delete impl_->window.data(); }

void TLoadProfileWindow::Show() {
  if (!impl_->window) return;
  impl_->Draw();
  // First shown beside its owner without covering it (see PlaceBeside; the
  // frame reckoned as the owner's); later where the user left it.
  if (!impl_->placed) {
    impl_->placed = true;
    if (QWidget* owner = impl_->window->parentWidget()) {
      const QRect frame = owner->frameGeometry();
      const QRect client = owner->geometry();
      const QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                             frame.bottom() - client.bottom());
      QScreen* screen = owner->screen();
      if (screen) {
        const QRect outer = PlaceBeside(frame, screen->availableGeometry(), kPreferredSize.grownBy(margins),
                                        kMinimumSize.grownBy(margins));
        impl_->window->resize(outer.size().shrunkBy(margins));
        impl_->window->move(outer.topLeft());
      }
    }
  }
  impl_->window->show();
  impl_->window->raise();
  impl_->window->activateWindow();
}

void TLoadProfileWindow::Refresh() {
  if (impl_->window && impl_->window->isVisible()) impl_->Draw();
}

bool TLoadProfileWindow::Visible() const { return impl_->window && impl_->window->isVisible(); }

QWidget* TLoadProfileWindow::Widget() const { return impl_->window; }

std::vector<TProfilePoint> TLoadProfileWindow::StepPoints() const { return FromQt(impl_->steps); }
std::vector<TProfilePoint> TLoadProfileWindow::NoDurationPoints() const { return FromQt(impl_->no_duration); }
std::vector<TProfilePoint> TLoadProfileWindow::NoLoadPoints() const { return FromQt(impl_->no_load); }
std::string TLoadProfileWindow::Summary() const { return impl_->summary_text; }
double TLoadProfileWindow::LoadAxisMin() const { return impl_->load->min(); }
double TLoadProfileWindow::LoadAxisMax() const { return impl_->load->max(); }

void TLoadProfileWindow::SetComparison(const TCaseData* other, const std::string& name) {
  Impl& m = *impl_;
  if (!m.window) return;
  m.other = other;
  if (!other) {
    if (m.other_steps) {
      m.chart->removeSeries(m.other_steps);
      delete m.other_steps;
      m.other_steps = nullptr;
    }
  } else {
    if (!m.other_steps) {
      m.other_steps = new QLineSeries;
      // Dashed, so that where both cases have the same load both lines show.
      QPen pen(QColor(90, 90, 90));
      pen.setStyle(Qt::DashLine);
      pen.setWidth(2);
      m.other_steps->setPen(pen);
      m.chart->addSeries(m.other_steps);
      m.other_steps->attachAxis(m.hours);
      m.other_steps->attachAxis(m.load);
    }
    m.other_steps->setName(tk::Q("Carga (MW) em " + name));
  }
  Refresh();
}

std::vector<TProfilePoint> TLoadProfileWindow::ComparisonPoints() const {
  return impl_->other_steps ? FromQt(impl_->other_steps) : std::vector<TProfilePoint>{};
}

std::string TLoadProfileWindow::ComparisonName() const {
  return impl_->other_steps ? tk::U(impl_->other_steps->name()) : std::string();
}
