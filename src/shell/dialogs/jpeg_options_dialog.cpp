#include "shell/dialogs/jpeg_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "app/host.h"
#include "app/memory_settings.h"
#include "app/suggest_quality.h"
#include "imagefile/jpeg_options.h"

namespace orvane {

JpegOptionsDialog::JpegOptionsDialog(UiHost& host, const JpegOptionsRequest& request,
                                     QWidget* parent)
    : QDialog(parent), host_(host), request_(request), quality_(request.quality),
      sampling_(request.enhancedSampling) {
  setObjectName(QStringLiteral("JpegOptions"));
  setWindowTitle(QStringLiteral("JPEG Options"));
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("JPG Quality"), this), 0, 0);
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName(QStringLiteral("QualitySlider"));
  slider_->setRange(kJpegQualityMin, kJpegQualityMax);
  slider_->setValue(quality_);
  slider_->setMinimumWidth(220);
  grid->addWidget(slider_, 0, 1);
  number_ = new QLineEdit(QString::number(quality_), this);
  number_->setObjectName(QStringLiteral("QualityNumber"));
  number_->setMaximumWidth(number_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  grid->addWidget(number_, 0, 2);
  sizeLine_ = new QLabel(
      QString::fromStdString(ImageSizeLine(request.width, request.height)), this);
  sizeLine_->setObjectName(QStringLiteral("SizeLine"));
  grid->addWidget(sizeLine_, 1, 0, 1, 3);
  samplingBox_ = new QCheckBox(QStringLiteral("Enhanced Sampling"), this);
  samplingBox_->setChecked(sampling_);
  grid->addWidget(samplingBox_, 2, 0, 1, 2);
  suggest_ = new QPushButton(QStringLiteral("Suggest Quality"), this);
  suggest_->setAutoDefault(false);
  grid->addWidget(suggest_, 2, 2);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  grid->addWidget(buttons, 3, 0, 1, 3);

  connect(slider_, &QSlider::valueChanged, this, [this](int value) {
    quality_ = value;
    number_->setText(QString::number(value));
  });
  connect(number_, &QLineEdit::textChanged, this, &JpegOptionsDialog::numberEdited);
  connect(suggest_, &QPushButton::clicked, this, &JpegOptionsDialog::suggestQuality);
  connect(buttons, &QDialogButtonBox::accepted, this, &JpegOptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &JpegOptionsDialog::reject);
}

void JpegOptionsDialog::numberEdited(const QString& text) {
  std::string rewrite;
  quality_ = QualityFromText(text.toStdString(), &rewrite);
  if (!rewrite.empty()) {
    const QSignalBlocker quiet(number_);
    number_->setText(QString::fromStdString(rewrite));
    number_->selectAll();
  }
  // The slider follows without writing the number back: the typed text stays as typed.
  const QSignalBlocker quiet(slider_);
  slider_->setValue(quality_);
}

void JpegOptionsDialog::suggestQuality() {
  const bool sampling = samplingBox_->isChecked();
  const JpegOptionsRequest& r = request_;
  const JpegSizeEstimate estimate = [&r, sampling](int quality) {
    return EstimateJpegSize(r.pixels, r.width, r.height, quality, sampling);
  };
  const int suggested = SuggestQualityWithProgress(host_, r.targetSize, estimate);
  quality_ = suggested;
  const QSignalBlocker quiet(slider_);
  slider_->setValue(suggested);
  const QSignalBlocker quietNumber(number_);
  number_->setText(QString::number(suggested));
}

void JpegOptionsDialog::accept() {
  int value = 0;
  if (!ReadIntegerBox(number_->text().toStdString(), value)) {
    host_.showMessage(kNotAnInteger);
    number_->setFocus();
    return;
  }
  quality_ = value;
  sampling_ = samplingBox_->isChecked();
  QDialog::accept();
}

}  // namespace orvane
