#include "shell/panes/file_properties_pane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "app/command_table.h"
#include "app/document.h"
#include "pipeline/crop_rotate.h"
#include "shell/controls/navigator_thumbnail.h"
#include "shell/controls/section_label.h"
#include "shell/controls/value_slider.h"
#include "shell/panes/nr_options_pane.h"
#include "view/hushwick_view.h"

namespace orvane {
namespace {

constexpr const char* kLandscapeToPortrait = "Crop Landscape to Portrait";
constexpr const char* kPortraitToLandscape = "Crop Portrait to Landscape";

// The 16 x 15 pictures of "Apply Crop" (a tick) and "Return" (a bent arrow).
QIcon SmallIcon(bool tick) {
  QPixmap pixmap(QSize(16, 15) * 2);
  pixmap.setDevicePixelRatio(2);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (tick) {
    p.setPen(QPen(QColor(20, 140, 40), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({{3, 8}, {6.5, 11.5}, {13, 3.5}}));
  } else {
    p.setPen(QPen(QColor(40, 70, 160), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({{13, 3}, {13, 9}, {4, 9}}));
    p.drawPolyline(QPolygonF({{7, 6}, {4, 9}, {7, 12}}));
  }
  return QIcon(pixmap);
}

}  // namespace

FilePropertiesPane::FilePropertiesPane(QWidget* parent)
    : PaneWidget(kPaneFilePropertiesId, QSize(kPaneDefaultWidth, 120), parent) {
  thumbnailTimer_.setSingleShot(true);
  connect(&thumbnailTimer_, &QTimer::timeout, this, [this] { makeThumbnail(); });
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(3);
  int row = 0;
  thumbnail_ = new NavigatorThumbnail(this);
  thumbnail_->setObjectName(QStringLiteral("navigator"));
  thumbnail_->setInteractive(true);
  thumbnail_->setMinimumSize(174, 115);
  grid->addWidget(thumbnail_, row++, 0, 1, 3);

  fileInfoLabel_ = new SectionLabel(QStringLiteral("File Info"), this);
  grid->addWidget(fileInfoLabel_, row++, 0, 1, 3);
  info_ = new QPlainTextEdit(this);
  info_->setObjectName(QStringLiteral("infoBox"));
  info_->setReadOnly(true);
  info_->setTextInteractionFlags(Qt::NoTextInteraction);
  info_->setFocusPolicy(Qt::NoFocus);
  info_->viewport()->setCursor(Qt::ArrowCursor);
  info_->setFixedHeight(info_->fontMetrics().lineSpacing() * 7 + 8);
  info_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QPalette infoColours = info_->palette();
  infoColours.setColor(QPalette::Base, QColor(255, 255, 224));
  infoColours.setColor(QPalette::Text, Qt::black);
  info_->setPalette(infoColours);
  grid->addWidget(info_, row++, 0, 1, 3);

  outputLabel_ = new SectionLabel(QStringLiteral("Output Window"), this);
  grid->addWidget(outputLabel_, row++, 0, 1, 3);
  output_ = new QComboBox(this);
  // Narrow panes: the list is as wide as the pane, not as its longest entry.
  output_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  output_->setMinimumContentsLength(8);
  output_->setObjectName(QStringLiteral("outputList"));
  output_->addItems({QStringLiteral("Display Result Image (default)"), QStringLiteral("Show Image Edges"),
                     QStringLiteral("Show Filtered Noise")});
  grid->addWidget(output_, row++, 0, 1, 3);

  grid->addWidget(new SectionLabel(QStringLiteral("Default Output Folder"), this), row++, 0, 1, 3);
  recent_ = new QRadioButton(QStringLiteral("Recently Used"), this);
  grid->addWidget(recent_, row++, 0, 1, 3);
  folderRadio_ = new QRadioButton(this);
  folderBox_ = new QLineEdit(this);
  folderBox_->setObjectName(QStringLiteral("folderBox"));
  folderBox_->setReadOnly(true);
  browseButton_ = new QPushButton(QStringLiteral("..."), this);
  browseButton_->setFixedWidth(26);
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folderRadio_);
  folderRow->addWidget(folderBox_, 1);
  folderRow->addWidget(browseButton_);
  grid->addLayout(folderRow, row++, 0, 1, 3);

  cropLabel_ = new SectionLabel(QStringLiteral("Crop Options"), this);
  grid->addWidget(cropLabel_, row++, 0, 1, 3);
  preset_ = new QComboBox(this);
  // Narrow panes: the list is as wide as the pane, not as its longest entry.
  preset_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  preset_->setMinimumContentsLength(8);
  preset_->setObjectName(QStringLiteral("presetList"));
  for (int i = 0; i < kCropPresetCount; ++i) preset_->addItem(QString::fromLatin1(CropPresetName(i)));
  grid->addWidget(preset_, row++, 0, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Enlarge"), this), row, 0);
  enlarge_ = new ValueSlider(this);
  enlarge_->setObjectName(QStringLiteral("enlargeSlider"));
  enlarge_->setRange(0, 100);
  grid->addWidget(enlarge_, row++, 1, 1, 2);
  orientation_ = new QCheckBox(QString::fromLatin1(kLandscapeToPortrait), this);
  grid->addWidget(orientation_, row++, 0, 1, 3);
  return_ = new QToolButton(this);
  return_->setIcon(SmallIcon(false));
  return_->setToolTip(QStringLiteral("Return"));
  return_->hide();
  applyCrop_ = new QToolButton(this);
  applyCrop_->setObjectName(QStringLiteral("applyCrop"));
  applyCrop_->setIcon(SmallIcon(true));
  applyCrop_->setIconSize(QSize(16, 15));
  applyCrop_->setToolTip(QStringLiteral("Apply Crop"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(return_);
  buttons->addWidget(applyCrop_);
  grid->addLayout(buttons, row++, 0, 1, 3);
  grid->setRowStretch(row, 1);
  grid->setColumnStretch(1, 1);

  thumbnail_->canPress = [this] { return doc_ != nullptr && !doc_->busy; };
  thumbnail_->onPress = [this] { doc_->resetResult(); };
  thumbnail_->onMove = [this](Fraction f) {
    if (doc_->fullCropMode)
      doc_->panCropToFraction(f.x, f.y);
    else
      emit scrollRequested(f.x, f.y);
  };
  thumbnail_->onRelease = [this] { emit previewRequested(); };
  connect(output_, &QComboBox::activated, this, [this](int index) { SelectOutput(index); });
  connect(recent_, &QRadioButton::clicked, this, [this] {
    folderMode_ = 0;
    if (onOutputFolderChanged) onOutputFolderChanged(folderMode_, folder_);
  });
  connect(folderRadio_, &QRadioButton::clicked, this, [this] {
    folderMode_ = 1;
    if (folder_.empty())
      browse();
    else if (onOutputFolderChanged)
      onOutputFolderChanged(folderMode_, folder_);
  });
  connect(browseButton_, &QPushButton::clicked, this, [this] { browse(); });
  connect(preset_, &QComboBox::activated, this, [this](int index) {
    if (doc_ == nullptr) return;
    editCrop([index](CropState& c) { c.preset = index; });
  });
  connect(enlarge_, &ValueSlider::scrolled, this, [this](int, int position) {
    if (doc_ == nullptr) return;
    editCrop([position](CropState& c) { c.enlarge = EnlargeFromSlider(position); });
  });
  connect(orientation_, &QCheckBox::clicked, this, [this](bool on) {
    if (doc_ == nullptr) return;
    editCrop([on](CropState& c) { c.swapOrientation = on; });
  });
  connect(applyCrop_, &QToolButton::clicked, this, [this] {
    if (doc_ != nullptr) doc_->LeaveCropMode(false, true);
  });
  connect(return_, &QToolButton::clicked, this, [this] {
    if (doc_ != nullptr) doc_->LeaveCropMode(true, true);
  });
  browseFolder = [this] {
    return QFileDialog::getExistingDirectory(this, QString::fromLatin1(kFolderBrowserTitle)).toStdString();
  };
  output_->setCurrentIndex(0);
  showFolder();
}

void FilePropertiesPane::setOutputFolder(int mode, const std::string& folder) {
  folderMode_ = mode == 1 ? 1 : 0;
  folder_ = folder;
  showFolder();
}

void FilePropertiesPane::showFolder() {
  recent_->setChecked(folderMode_ == 0);
  folderRadio_->setChecked(folderMode_ == 1);
  folderBox_->setText(QString::fromStdString(folder_));
}

void FilePropertiesPane::browse() {
  const std::string chosen = browseFolder ? browseFolder() : std::string();
  if (!chosen.empty()) folder_ = chosen;
  if (folder_.empty()) folderMode_ = OutputFolderModeAfterBrowse(folder_);
  showFolder();
  if (onOutputFolderChanged) onOutputFolderChanged(folderMode_, folder_);
}

void FilePropertiesPane::editCrop(const std::function<void(CropState&)>& change) {
  CropState crop = doc_->crop();
  change(crop);
  doc_->applyCropState(crop, this);
  RefreshAll();
  RefreshFrame();
}

void FilePropertiesPane::showVisibleRegion(const Rect& region) {
  visibleRegion_ = region;
  RefreshFrame();
}

void FilePropertiesPane::AttachDocument(CHushwickDoc* doc) {
  doc_ = doc;
  RefreshAll();
  RefreshFrame();
}

void FilePropertiesPane::showInfo(const std::string& text) {
  // The text box breaks lines at "\n" alone.
  info_->setPlainText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void FilePropertiesPane::RefreshAll() {
  if (doc_ == nullptr) return;
  // The preset is a setting of its own: shown with or without a picture.
  preset_->setCurrentIndex(doc_->crop().preset);
  if (doc_->sourceImage.IsEmpty()) return;
  const RasterImage& source = doc_->sourceImage;
  enlarge_->setPosition(EnlargeSliderPosition(doc_->crop().enlarge));
  output_->setCurrentIndex(std::clamp(static_cast<int>(doc_->nrSettings().outputWindow), 0, 2));
  orientation_->setChecked(doc_->crop().swapOrientation);
  orientation_->setText(QString::fromLatin1(source.Width() >= source.Height() ? kLandscapeToPortrait
                                                                             : kPortraitToLandscape));
  thumbnailMadeFor_ = thumbnail_->size();
  thumb_ = NavigatorThumbnailSize(source.Width(), source.Height(), thumbnail_->width(),
                                  thumbnail_->height());
  if (!doc_->fullCropMode) showInfo(InfoBoxText(source));
  const PictureStamp stamp = StampOf(source);
  if (stamp == thumbnailStamp_ && thumb_ == thumbnailSize_) return;
  thumbnailStamp_ = stamp;
  thumbnailSize_ = thumb_;
  // Made once the window has shown the picture: shrinking a large picture takes a while.
  thumbnailTimer_.start(0);
}

void FilePropertiesPane::makeThumbnail() {
  if (doc_ == nullptr || doc_->sourceImage.IsEmpty()) return;
  RasterImage small;
  if (thumb_.width > 0 && thumb_.height > 0 &&
      small.Resample(doc_->sourceImage, thumb_.width, thumb_.height, 2) == kOk)
    thumbnail_->setPicture(ImageOfPicture(small));
  else
    thumbnail_->setPicture({});
  RefreshFrame();
}

void FilePropertiesPane::RefreshFrame() {
  if (doc_ == nullptr) return;
  const RasterImage& source = doc_->sourceImage;
  const FilePropertiesEnabling e = FilePropertiesEnablingFor(doc_->fullCropMode, doc_->viewTab());
  if (doc_->fullCropMode) {
    const CropRectangle r = doc_->CropRect();
    thumbnail_->setFrame(ScaleToThumbnail(r, source.Width(), source.Height(), thumb_));
    thumbnail_->repaint();
    enlarge_->setPosition(EnlargeSliderPosition(doc_->crop().enlarge));
    showInfo(CropInfoText(r.width(), r.height()));
  } else if (!source.IsEmpty() && !thumbnail_->picture().isNull()) {
    thumbnail_->setFrame(ScaleToThumbnail(visibleRegion_, source.Width(),
                                          source.Height(), thumb_));
    thumbnail_->repaint();
  }
  for (QWidget* w : std::initializer_list<QWidget*>{preset_, orientation_, applyCrop_, return_, enlarge_, cropLabel_})
    w->setEnabled(e.crop);
  output_->setEnabled(e.output);
  outputLabel_->setEnabled(e.output);
  fileInfoLabel_->setEnabled(e.fileInfoLabel);
}

void FilePropertiesPane::SelectOutput(int index) {
  output_->setCurrentIndex(index);
  if (doc_ == nullptr) return;
  NrSettings settings = doc_->nrSettings();
  settings.outputWindow = static_cast<OutputWindow>(std::clamp(index, 0, 2));
  doc_->applyNrSettings(settings, this);
  emit previewRequested();
}

void FilePropertiesPane::resizeEvent(QResizeEvent* event) {
  PaneWidget::resizeEvent(event);
  // The thumbnail follows the control's size; a pane that only grows taller keeps it.
  if (doc_ != nullptr && !doc_->sourceImage.IsEmpty() && thumbnail_->size() != thumbnailMadeFor_) {
    RefreshAll();
    RefreshFrame();
  }
}

}  // namespace orvane
