#include "shell/panes/nr_options_pane.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>

#include "app/command_table.h"
#include "app/document.h"
#include "pipeline/noise_estimate.h"
#include "shell/controls/spin_buttons.h"
#include "shell/controls/value_slider.h"

namespace orvane {
namespace {

// The mode entries carry two lines; the list and the closed box show both.
class TwoLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(std::max(s.height(), option.fontMetrics.height() * 2 + 6));
    return s;
  }
};

class TwoLineCombo : public QComboBox {
 public:
  using QComboBox::QComboBox;
  QSize sizeHint() const override {
    QSize s = QComboBox::sizeHint();
    s.setHeight(fontMetrics().height() * 2 + 8);
    return s;
  }
  QSize minimumSizeHint() const override {
    QSize s = QComboBox::minimumSizeHint();
    s.setHeight(fontMetrics().height() * 2 + 8);
    return s;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QString text = option.currentText;
    option.currentText.clear();
    style()->drawComplexControl(QStyle::CC_ComboBox, &option, &p, this);
    const QRect r = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    p.drawText(r.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
  }
};

}  // namespace

NrOptionsPane::NrOptionsPane(QWidget* parent)
    : PaneWidget(kPaneNrOptionsId, QSize(kPaneDefaultWidth, 130), parent) {
  timer_.setSingleShot(true);
  timer_.setObjectName(QStringLiteral("nrTimer1"));
  connect(&timer_, &QTimer::timeout, this, [this] { onTimer(); });

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(3);

  levelLabel_ = new QLabel(QStringLiteral("Noise Level"), this);
  slider_ = new ValueSlider(this);
  slider_->setObjectName(QStringLiteral("noiseSlider"));
  slider_->setRange(0, kNoiseSliderMax);
  slider_->setLabel(0, 10.0);
  slider_->setShowValue(true, false);
  levelBox_ = new QLineEdit(this);
  levelBox_->setObjectName(QStringLiteral("noiseBox"));
  levelBox_->setFixedWidth(44);
  autoButton_ = new QPushButton(QStringLiteral("Auto"), this);
  autoButton_->setObjectName(QStringLiteral("autoNoise"));
  autoButton_->setToolTip(QStringLiteral("Estimate the noise level from the picture"));
  autoButton_->setFixedWidth(44);
  // The box and Auto beside the label: the slider has the whole width for its 201 positions.
  auto* levelRow = new QHBoxLayout;
  levelRow->addWidget(levelLabel_, 1);
  levelRow->addWidget(levelBox_);
  levelRow->addWidget(autoButton_);
  grid->addLayout(levelRow, 0, 0, 1, 3);
  grid->addWidget(slider_, 1, 0, 1, 3);

  blockNoise_ = new QCheckBox(QStringLiteral("Remove Block Noise"), this);
  advanced_ = new QCheckBox(QStringLiteral("Advanced Processing"), this);
  grid->addWidget(blockNoise_, 2, 0, 1, 3);
  grid->addWidget(advanced_, 3, 0, 1, 3);

  mode_ = new TwoLineCombo(this);
  // Narrow panes: the list is as wide as the pane, not as its longest entry.
  mode_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  mode_->setMinimumContentsLength(8);
  mode_->setObjectName(QStringLiteral("modeList"));
  mode_->setItemDelegate(new TwoLineDelegate(mode_));
  for (const char* text : kNrModeTexts) mode_->addItem(QString::fromLatin1(text));
  grid->addWidget(mode_, 4, 0, 1, 3);

  sharpen_ = new QCheckBox(QStringLiteral("Sharpen Edges"), this);
  amountBox_ = new QLineEdit(this);
  amountBox_->setObjectName(QStringLiteral("sharpenAmount"));
  amountBox_->setFixedWidth(36);
  amountSpin_ = new SpinButtons(amountBox_, 0, 100, this);
  amountSpin_->setFixedSize(14, amountBox_->sizeHint().height());
  defaultButton_ = new QPushButton(QStringLiteral("Default"), this);
  auto* sharpenRow = new QHBoxLayout;
  sharpenRow->addWidget(sharpen_, 1);
  sharpenRow->addWidget(amountBox_);
  sharpenRow->addWidget(amountSpin_);
  sharpenRow->setSpacing(1);
  grid->addLayout(sharpenRow, 5, 0, 1, 3);

  // The edge threshold stays hidden: nothing in the pane shows it.
  thresholdLabel_ = new QLabel(QStringLiteral("Edge Threshold"), this);
  thresholdBox_ = new QLineEdit(this);
  thresholdSpin_ = new SpinButtons(thresholdBox_, 0, 100, this);
  thresholdLabel_->hide();
  thresholdBox_->hide();
  thresholdSpin_->hide();
  grid->addWidget(defaultButton_, 6, 2);
  grid->setRowStretch(7, 1);

  connect(slider_, &ValueSlider::scrolled, this, &NrOptionsPane::onSlider);
  connect(levelBox_, &QLineEdit::textEdited, this, [this] { onLevelTyped(); });
  connect(autoButton_, &QPushButton::clicked, this, [this] { EstimateNoiseLevel(); });
  for (QCheckBox* box : {blockNoise_, advanced_, sharpen_}) {
    connect(box, &QCheckBox::clicked, this, [this, box] {
      readChecks();
      if (box != blockNoise_) UpdateEnabling();
      timer_.start(kNrClickDelayMs);
    });
  }
  connect(amountBox_, &QLineEdit::textEdited, this,
          [this] { onAmountTyped(amountBox_, 100, state_.sharpenAmount); });
  connect(thresholdBox_, &QLineEdit::textEdited, this,
          [this] { onAmountTyped(thresholdBox_, 255, state_.edgeThreshold); });
  connect(amountSpin_, &SpinButtons::changed, this, [this] {
    state_.sharpenAmount = amountBox_->text().toInt();
    timer_.start(kNrClickDelayMs);
  });
  connect(thresholdSpin_, &SpinButtons::changed, this, [this] {
    state_.edgeThreshold = thresholdBox_->text().toInt();
    timer_.start(kNrClickDelayMs);
  });
  connect(defaultButton_, &QPushButton::clicked, this, [this] {
    int mode = mode_->currentIndex();
    ApplyNrDefaults(state_, mode);
    mode_->setCurrentIndex(mode);
    showState();
    timer_.start(kNrClickDelayMs);
  });
  connect(mode_, &QComboBox::activated, this, [this] {
    UpdateEnabling();
    timer_.start(kNrClickDelayMs);
  });
  showState();
  UpdateEnabling();
}

void NrOptionsPane::AttachDocument(CHushwickDoc* doc) {
  doc_ = doc;
  if (doc_ == nullptr) {
    UpdateEnabling();
    return;
  }
  const NrSettings& settings = doc_->nrSettings();
  slider_->setPosition(NoiseSliderPosition(settings.noiseLevel));
  // A box that already reads as the level keeps its text (and the cursor in it).
  if (ReadNoiseBox(levelBox_->text().toStdString()).value != settings.noiseLevel ||
      levelBox_->text().isEmpty())
    levelBox_->setText(QString::fromStdString(NoiseBoxText(settings.noiseLevel)));
  state_ = LoadNrOptions(settings);
  mode_->setCurrentIndex(settings.mode);
  UpdateEnabling();
  showState();
}

void NrOptionsPane::UpdateEnabling() {
  const bool hasImage = doc_ == nullptr || !doc_->sourceImage.IsEmpty();
  const bool fullCrop = doc_ != nullptr && doc_->fullCropMode;
  const bool edges = doc_ != nullptr && doc_->nrSettings().outputWindow == kOutputEdges;
  const NrOptionsEnabling e = NrEnabling(state_, hasImage, fullCrop, edges, mode_->currentIndex());
  for (QWidget* w : std::initializer_list<QWidget*>{slider_, levelBox_, blockNoise_, advanced_, levelLabel_})
    w->setEnabled(e.level);
  for (QWidget* w : std::initializer_list<QWidget*>{mode_, defaultButton_, thresholdLabel_})
    w->setEnabled(e.advanced);
  sharpen_->setEnabled(e.sharpen);
  amountSpin_->setEnabled(e.sharpen);
  amountBox_->setEnabled(e.sharpenBox);
  thresholdBox_->setEnabled(e.thresholdBox);
  thresholdSpin_->setEnabled(e.thresholdBox);
  autoButton_->setEnabled(canEstimate());
}

bool NrOptionsPane::canEstimate() const {
  return doc_ != nullptr && !doc_->sourceImage.IsEmpty() && !doc_->fullCropMode && !doc_->busy;
}

void NrOptionsPane::EstimateNoiseLevel() {
  if (!canEstimate()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const double level = doc_->estimateNoiseLevel(mode_->currentIndex(), this);
  QApplication::restoreOverrideCursor();
  if (level < 0) return;
  slider_->setPosition(NoiseSliderPosition(level));
  levelBox_->setText(QString::fromStdString(NoiseBoxText(level)));
  timer_.start(kNrClickDelayMs);
}

void NrOptionsPane::readChecks() {
  state_.removeBlockNoise = blockNoise_->isChecked();
  state_.advancedProcessing = advanced_->isChecked();
  state_.sharpenEdges = sharpen_->isChecked();
  state_.sharpenAmount = ReadIntBox(amountBox_->text().toStdString(), 0, 100).value;
  state_.edgeThreshold = ReadIntBox(thresholdBox_->text().toStdString(), 0, 255).value;
}

void NrOptionsPane::showState() {
  blockNoise_->setChecked(state_.removeBlockNoise);
  advanced_->setChecked(state_.advancedProcessing);
  sharpen_->setChecked(state_.sharpenEdges);
  amountBox_->setText(QString::number(state_.sharpenAmount));
  thresholdBox_->setText(QString::number(state_.edgeThreshold));
}

void NrOptionsPane::onSlider(int code, int position) {
  if (doc_ == nullptr) return;
  // The slider and the box put the level into the document at once.
  const double level = NoiseLevelFromSlider(position);
  doc_->applyNoiseLevel(level, this);
  levelBox_->setText(QString::fromStdString(NoiseBoxText(level)));
  if (code == kEndScroll) timer_.start(kNrClickDelayMs);
}

void NrOptionsPane::onLevelTyped() {
  if (doc_ == nullptr) return;
  const TypedValue v = ReadNoiseBox(levelBox_->text().toStdString());
  if (v.limited) {
    levelBox_->setText(QString::fromStdString(v.text));
    levelBox_->selectAll();
  }
  if (v.value != doc_->nrSettings().noiseLevel) {
    doc_->applyNoiseLevel(v.value, this);
    slider_->setPosition(NoiseSliderPosition(v.value));
    timer_.start(kNrTypingDelayMs);
  }
}

void NrOptionsPane::onAmountTyped(QLineEdit* box, int high, int& member) {
  const TypedValue v = ReadIntBox(box->text().toStdString(), 0, high);
  if (v.limited) {
    box->setText(QString::fromStdString(v.text));
    box->selectAll();
  }
  const int value = static_cast<int>(v.value);
  if (value != member) {
    member = value;
    timer_.start(kNrTypingDelayMs);
  }
}

void NrOptionsPane::onTimer() {
  timer_.stop();
  if (doc_ == nullptr) return;
  ++timerRuns_;
  doc_->applyNrSettings(CopyNrOptions(state_, mode_->currentIndex(), doc_->nrSettings()), this);
  emit previewRequested();
}

}  // namespace orvane
