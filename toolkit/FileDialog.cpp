#include "toolkit/FileDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

std::string AskCaseFileToOpen(const TForm* owner, std::string_view caption, std::string_view folder) {
  QFileDialog dialog(owner ? owner->Widget() : nullptr, tk::Q(caption),
                     folder.empty() ? QDir::currentPath() : QFile::decodeName(QByteArray(folder.data(), static_cast<qsizetype>(folder.size()))),
                     QStringLiteral("Casos ZORMEK (*.dad);;Todos os arquivos (*)"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}
