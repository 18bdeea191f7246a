#include "shell/dialogs/save_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>

#include "shell/file_filter.h"
#include "shell/dialogs/jpeg_options_dialog.h"

namespace orvane {
namespace {

// The first pattern's extension of a Qt filter entry: "JPEG File (*.JPG) (*.jpg *.JPG)" -> "jpg".
QString FirstExtensionOfFilter(const QString& filter) {
  const int open = filter.lastIndexOf(QLatin1Char('('));
  if (open < 0) return {};
  static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
  const QRegularExpressionMatch m = pattern.match(filter, open);
  return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace

void SetUpSaveDialog(QFileDialog& dialog, const SaveDialogRequest& request) {
  dialog.setObjectName(QStringLiteral("SaveDialog"));
  dialog.setWindowTitle(QString::fromStdString(request.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Asks before an existing file is replaced (Qt's default for a save dialog, stated here).
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.setNameFilters(QtFileFilter(request.filterList).split(QStringLiteral(";;")));
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  // A name typed without extension takes the one of the type chosen in the list.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
    const QString extension = FirstExtensionOfFilter(filter);
    if (!extension.isEmpty() && extension != QLatin1String("*")) dialog.setDefaultSuffix(extension);
  });
  if (!request.startFolder.empty() && QDir(QString::fromStdString(request.startFolder)).exists())
    dialog.setDirectory(QString::fromStdString(request.startFolder));
  dialog.selectFile(QString::fromStdString(request.startName));
  SizeFileDialog(dialog);
}

std::string QtSaveDialogs::askSavePath(const SaveDialogRequest& request) {
  QFileDialog dialog(parent_);
  SetUpSaveDialog(dialog, request);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst().toStdString();
}

bool QtSaveDialogs::askJpegOptions(JpegOptionsRequest& request) {
  JpegOptionsDialog dialog(host_, request, parent_);
  if (dialog.exec() != QDialog::Accepted) return false;
  request.quality = dialog.quality();
  request.enhancedSampling = dialog.enhancedSampling();
  return true;
}

}  // namespace orvane
