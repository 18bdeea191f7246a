#include "shell/dialogs/prev_file_dlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "app/dialog_rules.h"
#include "app/host.h"
#include "imagefile/format_lists.h"
#include "imagefile/raster_image.h"
#include "shell/file_filter.h"

namespace orvane {
namespace {

// Starts on, is never stored: one state for every dialog of this run.
bool previewState = true;

}  // namespace

PreviewArea::PreviewArea(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("PreviewArea"));
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setMinimumSize(160, 160);
}

bool PreviewArea::preview(const QString& path) {
  image_ = QImage();
  const QRect inside = contentsRect();
  RasterImage picture;
  picture.SetDecodeSizeHint(inside.width(), inside.height());
  if (picture.Load(path.toStdString()) != kOk || picture.IsEmpty() ||
      picture.MakeTrueColour() != kOk) {
    update();
    return false;
  }
  fullSize_ = QSize(picture.originalWidth, picture.originalHeight);
  const PreviewSize fit = PreviewFit(picture.Width(), picture.Height(), inside.width(), inside.height());
  RasterImage shown;
  const RasterImage* source = &picture;
  if (fit.width != picture.Width() || fit.height != picture.Height()) {
    if (shown.Resample(picture, fit.width, fit.height, 2) != kOk) {
      update();
      return false;
    }
    source = &shown;
  }
  image_ = QImage(source->Pixels(), source->Width(), source->Height(), source->RowBytes(),
                  QImage::Format_RGB888)
               .copy();
  update();
  return true;
}

void PreviewArea::clear() {
  image_ = QImage();
  update();
}

void PreviewArea::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect inside = contentsRect();
  painter.fillRect(inside, QColor(128, 128, 128));
  if (!image_.isNull()) {
    const QPoint at = inside.center() - QPoint(image_.width() / 2, image_.height() / 2) + QPoint(1, 1);
    painter.drawImage(at, image_);
  }
}

CPrevFileDlg::CPrevFileDlg(QWidget* parent, const QString& title, const std::string& filter,
                           const QString& startFolder)
    : QFileDialog(parent, title, startFolder, QtFileFilter(filter)) {
  setObjectName(QStringLiteral("PrevFileDlg"));
  // Qt's own dialog, so that the preview can sit beside the list.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setFileMode(QFileDialog::ExistingFile);
  setAcceptMode(QFileDialog::AcceptOpen);

  auto* side = new QWidget(this);
  auto* column = new QVBoxLayout(side);
  column->setContentsMargins(0, 0, 0, 0);
  check_ = new QCheckBox(QStringLiteral("&Preview"), side);
  check_->setObjectName(QStringLiteral("PreviewCheck"));
  check_->setChecked(previewState);
  preview_ = new PreviewArea(side);
  sizeText_ = new QLabel(QString::fromLatin1(kPreviewNoImage), side);
  sizeText_->setObjectName(QStringLiteral("PreviewSize"));
  sizeText_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  sizeText_->setMinimumHeight(2 * sizeText_->fontMetrics().lineSpacing() + 4);
  column->addWidget(check_);
  column->addWidget(preview_, 1);
  column->addWidget(sizeText_);
  if (auto* grid = qobject_cast<QGridLayout*>(layout()))
    grid->addWidget(side, 0, grid->columnCount(), grid->rowCount(), 1);

  connect(this, &QFileDialog::currentChanged, this, &CPrevFileDlg::selectionChanged);
  connect(this, &QFileDialog::directoryEntered, this, [this] {
    preview_->clear();
    updateSizeText();
  });
  connect(check_, &QCheckBox::toggled, this, [this](bool on) {
    previewState = on;
    if (on && !current_.isEmpty())
      selectionChanged(current_);
    else
      preview_->clear();
    updateSizeText();
  });
}

QString CPrevFileDlg::choose() {
  if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) return {};
  return selectedFiles().constFirst();
}

bool CPrevFileDlg::previewOn() { return previewState; }
void CPrevFileDlg::setPreviewOn(bool on) { previewState = on; }

void CPrevFileDlg::selectionChanged(const QString& path) {
  current_ = path;
  if (!previewState) {
    preview_->clear();
  } else if (QFileInfo(path).isFile()) {
    // Let the dialog paint the new selection before a slow decode.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    preview_->preview(path);
  }
  updateSizeText();
}

void CPrevFileDlg::updateSizeText() {
  const QSize size = preview_->fullSize();
  sizeText_->setText(size.isEmpty() ? QString()
                                    : QString::fromStdString(PreviewSizeText(size.width(), size.height())));
}

QString ChooseReferenceImage(QWidget* parent, SettingsStore& settings) {
  CPrevFileDlg dialog(parent, QString::fromLatin1(kReferenceDialogTitle), ReferenceDialogFilter(),
                      QString::fromStdString(settings.getString(key::kMatchFolder)));
  const QString chosen = dialog.choose();
  if (!chosen.isEmpty()) settings.setString(key::kMatchFolder, FolderOfPath(chosen.toStdString()));
  return chosen;
}

}  // namespace orvane
