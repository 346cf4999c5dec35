// TListBox: a read-only list of rows over a model that asks for a row's text
// only when the row is drawn.
#include <QAbstractListModel>
#include <QKeyEvent>
#include <QListView>
#include <QScrollBar>

#include "toolkit/Application.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

struct TListBox::Model : QAbstractListModel {
  explicit Model(QObject* parent) : QAbstractListModel(parent) {}
  int count = 0;
  TItemText text;

  void Reset(int rows, TItemText texts) {
    beginResetModel();
    count = rows < 0 ? 0 : rows;
    text = std::move(texts);
    endResetModel();
  }

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : count; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= count || !text) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return tk::Q(text(index.row()));
    return {};
  }
};

namespace tk {

class ListView : public QListView, public Backed {
public:
  explicit ListView(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);  // rows laid out by arithmetic, not one by one
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    setFocusPolicy(Qt::StrongFocus);
    // Double-click or Enter, whatever the style says about single clicks.
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) { Activate(index); });
  }

protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
      event->accept();
      Activate(currentIndex());
      return;
    }
    QListView::keyPressEvent(event);
  }

private:
  void Activate(const QModelIndex& index) {
    auto* list = static_cast<TListBox*>(back);
    if (!list || !index.isValid()) return;
    setCurrentIndex(index);
    const TNotifyEvent handler = list->OnDblClick;  // the handler may replace it
    TApplication::Dispatch(handler, list);
  }
};

}  // namespace tk

TListBox::TListBox(TForm* form, std::string name, QWidget* parent)
    : TControl(form, std::move(name), new tk::ListView(parent)) {
  model_ = new Model(widget_);
  Qt()->setModel(model_);
}

TListBox::~TListBox() = default;

QListView* TListBox::Qt() const { return static_cast<QListView*>(widget_); }

void TListBox::SetItems(int count, TItemText text) {
  QListView* view = Qt();
  const int row = ItemIndex();
  const int scroll = view->verticalScrollBar()->value();
  model_->Reset(count, std::move(text));
  if (row >= 0 && row < model_->count) SetItemIndex(row);
  view->verticalScrollBar()->setValue(scroll);
}

int TListBox::Count() const { return model_->count; }

std::string TListBox::Item(int index) const {
  if (index < 0 || index >= model_->count || !model_->text) return {};
  return model_->text(index);
}

int TListBox::ItemIndex() const {
  const QModelIndex index = Qt()->currentIndex();
  return index.isValid() ? index.row() : -1;
}

void TListBox::SetItemIndex(int index) {
  if (index < 0 || index >= model_->count) {
    Qt()->setCurrentIndex(QModelIndex());
    return;
  }
  Qt()->setCurrentIndex(model_->index(index));
}
