#include "toolkit/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "toolkit/Widgets.h"

std::string ClipboardText() { return tk::U(QGuiApplication::clipboard()->text(QClipboard::Clipboard)); }

void SetClipboardText(std::string_view text) {
  QGuiApplication::clipboard()->setText(tk::Q(text), QClipboard::Clipboard);
}
