#include "toolkit/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>

#include "toolkit/Widgets.h"

std::string ClipboardText() { return tk::U(QGuiApplication::clipboard()->text(QClipboard::Clipboard)); }

void SetClipboardText(std::string_view text) {
  QGuiApplication::clipboard()->setText(tk::Q(text), QClipboard::Clipboard);
}

std::vector<std::string> ClipboardFormats() {
  std::vector<std::string> formats;
  if (const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard))
    for (const QString& format : data->formats()) formats.push_back(tk::U(format));
  return formats;
}

void WithClipboardData(std::string_view format, const std::function<void(std::string_view data)>& use) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
  const QString name = tk::Q(format);
  if (!data || !data->hasFormat(name)) return;
  // The text through Qt's own conversion: the X clipboard's text targets
  // come in several encodings.
  const QByteArray bytes = name == QLatin1String("text/plain") ? data->text().toUtf8() : data->data(name);
  use(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void SetClipboardFormats(const std::vector<std::pair<std::string_view, std::string_view>>& formats) {
  auto data = std::make_unique<QMimeData>();
  for (const auto& [mime, bytes] : formats) {
    if (mime == "text/plain")
      data->setText(tk::Q(bytes));
    else
      data->setData(tk::Q(mime), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  }
  QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
}
