#include "shell/dialogs/prev_file_dlg.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QThreadPool>
#include <QVBoxLayout>

#include "app/dialog_rules.h"
#include "app/host.h"
#include "imagefile/format_lists.h"
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
  // As tall as its size hint: a taller dialog gives the list more rows, not the preview an
  // empty grey column.
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void PreviewArea::showPicture(const QImage& image, QSize fullSize) {
  image_ = image;
  fullSize_ = fullSize;
  update();
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
  column->addWidget(preview_);
  column->addWidget(sizeText_);
  column->addStretch(1);
  if (auto* grid = qobject_cast<QGridLayout*>(layout()))
    grid->addWidget(side, 0, grid->columnCount(), grid->rowCount(), 1);

  SizeFileDialog(*this);

  requests_ = std::make_shared<PreviewRequests>();
  // Told on the worker's thread; the dialog collects the result on its own.
  requests_->setNotify([this] {
    QMetaObject::invokeMethod(this, [this] { previewReady(); }, Qt::QueuedConnection);
  });
  connect(this, &QFileDialog::currentChanged, this, &CPrevFileDlg::selectionChanged);
  connect(this, &QFileDialog::directoryEntered, this, [this] {
    clearPreview();
    updateSizeText();
  });
  if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
    connect(name, &QLineEdit::textChanged, this, &CPrevFileDlg::nameTyped);
  connect(check_, &QCheckBox::toggled, this, [this](bool on) {
    previewState = on;
    if (on && !current_.isEmpty())
      selectionChanged(current_);
    else
      clearPreview();
    updateSizeText();
  });
}

CPrevFileDlg::~CPrevFileDlg() {
  // A decode still running finishes on its own; its result goes nowhere.
  requests_->setNotify({});
  requests_->withdraw();
}

QString CPrevFileDlg::choose() {
  if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) return {};
  return selectedFiles().constFirst();
}

bool CPrevFileDlg::previewOn() { return previewState; }
void CPrevFileDlg::setPreviewOn(bool on) { previewState = on; }

void CPrevFileDlg::selectionChanged(const QString& path) {
  current_ = path;
  clearPreview();
  if (previewState && QFileInfo(path).isFile()) {
    // Decoded away from the dialog, which stays free for the next click.
    pending_ = true;
    const QSize room = preview_->room();
    if (requests_->request(path.toStdString(), room.width(), room.height())) {
      QThreadPool::globalInstance()->start([requests = requests_] { RunPreviewWorker(*requests); });
    }
  }
  updateSizeText();
}

void CPrevFileDlg::nameTyped(const QString& text) {
  if (text.isEmpty()) return;
  const QString typed = QDir::isAbsolutePath(text) ? text : directory().filePath(text);
  if (!QFileInfo(typed).isDir()) return;
  current_.clear();
  clearPreview();
  updateSizeText();
}

void CPrevFileDlg::clearPreview() {
  requests_->withdraw();
  pending_ = false;
  preview_->clear();
}

void CPrevFileDlg::previewReady() {
  PreviewPicture picture;
  if (!requests_->collect(picture)) return;
  pending_ = false;
  // A file that cannot be read leaves the area empty and the last size as it was.
  if (picture.result == kOk) {
    const QImage image = QImage(picture.pixels.get(), picture.width, picture.height,
                                picture.width * 3, QImage::Format_RGB888)
                             .copy();
    const QSize full(picture.fullWidth, picture.fullHeight);
    preview_->showPicture(image, full);
    emit previewShown(full);
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
