#include "shell/panes/colour_correction_pane.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>

#include "app/command_table.h"
#include "app/colour_timer_work.h"
#include "app/document.h"
#include "colour/colour_on_image.h"
#include "shell/controls/value_slider.h"

namespace orvane {
namespace {

constexpr int kTrackWidth = 132;
constexpr int kTrackHeight = 26;

// Track artwork: a gradient band under the knob's path, with an optional centre mark.
QPixmap GradientTrack(int width, const QColor& left, const QColor& right, bool centreMark, qreal dpr) {
  QPixmap pixmap(QSize(width, kTrackHeight) * dpr);
  pixmap.setDevicePixelRatio(dpr);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const int top = 12, band = kTrackHeight - top;
  const QRectF r(6, top + band / 2.0 - 3, width - 12, 6);
  QLinearGradient g(r.topLeft(), r.topRight());
  g.setColorAt(0, left);
  if (centreMark) g.setColorAt(0.5, QColor(235, 235, 235));
  g.setColorAt(1, right);
  p.setPen(QColor(110, 110, 110));
  p.setBrush(g);
  p.drawRoundedRect(r, 3, 3);
  if (centreMark) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    const double cx = r.center().x();
    p.drawLine(QPointF(cx, r.bottom() + 2), QPointF(cx, kTrackHeight - 1));
  }
  return pixmap;
}

// The small pictures beside the Shadows and Highlights sliders.
QPixmap ToneIcon(bool highlights, qreal dpr) {
  QPixmap pixmap(QSize(16, 16) * dpr);
  pixmap.setDevicePixelRatio(dpr);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (highlights) {
    p.setPen(QPen(QColor(230, 160, 0), 1.5));
    for (int i = 0; i < 8; ++i) {
      p.save();
      p.translate(8, 8);
      p.rotate(i * 45);
      p.drawLine(QPointF(0, 5), QPointF(0, 7.5));
      p.restore();
    }
    p.setBrush(QColor(255, 215, 40));
    p.drawEllipse(QPointF(8, 8), 3.5, 3.5);
  } else {
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(250, 250, 250));
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setBrush(QColor(40, 40, 40));
    p.drawPie(QRectF(1.5, 1.5, 13, 13), 90 * 16, 180 * 16);
  }
  return pixmap;
}

QLabel* Heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  return label;
}

}  // namespace

ColourCorrectionPane::ColourCorrectionPane(QWidget* parent)
    : PaneWidget(kPaneColorCorrectionId, QSize(kPaneDefaultWidth, 200), parent) {
  for (QTimer* t : {&timer1_, &timer2_}) t->setSingleShot(true);
  connect(&timer1_, &QTimer::timeout, this, [this] { onTimer(1); });
  connect(&timer2_, &QTimer::timeout, this, [this] { onTimer(2); });

  const qreal dpr = qApp->devicePixelRatio();
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(1);
  grid->setHorizontalSpacing(4);
  int row = 0;
  auto addSlider = [&](CorrectionSlider which, QWidget* lead) {
    const int i = static_cast<int>(which);
    auto* s = new ValueSlider(this);
    const SliderRange range = RangeOf(which);
    s->setRange(range.minimum, range.maximum);
    s->setObjectName(QStringLiteral("correction%1").arg(i));
    auto* value = new QLabel(this);
    value->setObjectName(QStringLiteral("correctionLabel%1").arg(i));
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("-4.0")) + 4);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sliders_[i] = s;
    labels_[i] = value;
    if (lead != nullptr) grid->addWidget(lead, row, 0);
    grid->addWidget(s, row, 1);
    grid->addWidget(value, row, 2);
    ++row;
    connect(s, &ValueSlider::scrolled, this,
            [this, which](int code, int position) { onSlider(which, code, position); });
  };
  auto icon = [&](bool highlights) {
    auto* l = new QLabel(this);
    l->setPixmap(ToneIcon(highlights, dpr));
    return l;
  };

  grid->addWidget(Heading(QStringLiteral("Shadows - Highlights"), this), row++, 0, 1, 3);
  addSlider(CorrectionSlider::kShadows, icon(false));
  addSlider(CorrectionSlider::kHighlights, icon(true));
  grid->addWidget(Heading(QStringLiteral("Exposure Compensation"), this), row++, 0, 1, 3);
  addSlider(CorrectionSlider::kExposure, new QLabel(QStringLiteral("EV"), this));
  sliders_[2]->setSteps(1, 10);
  grid->addWidget(Heading(QStringLiteral("Color Temperature Filter"), this), row++, 0, 1, 3);
  auto* ends = new QHBoxLayout;
  QFont small = font();
  small.setPixelSize(10);
  auto* warmer = new QLabel(QStringLiteral("Warmer"), this);
  auto* colder = new QLabel(QStringLiteral("Colder"), this);
  warmer->setFont(small);
  colder->setFont(small);
  ends->addWidget(warmer);
  ends->addStretch(1);
  ends->addWidget(colder);
  ends->setContentsMargins(0, 0, 0, 0);
  grid->addLayout(ends, row++, 1);
  addSlider(CorrectionSlider::kTemperature, nullptr);
  grid->addWidget(Heading(QStringLiteral("Color Boost"), this), row++, 0, 1, 3);
  addSlider(CorrectionSlider::kBoost, nullptr);

  reset_ = new QPushButton(QStringLiteral("Reset"), this);
  auto_ = new QPushButton(QStringLiteral("Auto"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(reset_);
  buttons->addWidget(auto_);
  grid->addLayout(buttons, row++, 0, 1, 3);
  grid->setRowStretch(row, 1);
  grid->setColumnStretch(1, 1);

  connect(reset_, &QPushButton::clicked, this, [this] {
    if (doc_ == nullptr) return;
    ColourParams colour = doc_->colour();
    ResetCorrection(colour);
    doc_->applyColour(colour, this);
    RefreshFromDocument();
    start(TimerFor(PaneEvent::kReset));
  });
  connect(auto_, &QPushButton::clicked, this, [this] {
    if (doc_ == nullptr) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ColourParams colour = doc_->colour();
    ApplyAutoLevels(doc_->sourceImage, colour);
    QApplication::restoreOverrideCursor();
    doc_->applyColour(colour, this);
    RefreshFromDocument();
    start(TimerFor(PaneEvent::kAuto));
  });
  paintTracks(kTrackWidth);
  sliders_[0]->installEventFilter(this);
  RefreshFromDocument();
}

void ColourCorrectionPane::paintTracks(int width) {
  const qreal dpr = devicePixelRatioF();
  sliders_[2]->setBackground(GradientTrack(width, QColor(20, 20, 20), QColor(250, 250, 250), true, dpr));
  sliders_[3]->setBackground(GradientTrack(width, QColor(245, 140, 30), QColor(50, 110, 240), true, dpr));
}

bool ColourCorrectionPane::eventFilter(QObject* watched, QEvent* event) {
  // The artwork is drawn for the width the layout gives the sliders' column.
  if (watched == sliders_[0] && event->type() == QEvent::Resize && sliders_[0]->width() != tracksWidth_) {
    tracksWidth_ = sliders_[0]->width();
    paintTracks(tracksWidth_);
  }
  return PaneWidget::eventFilter(watched, event);
}

void ColourCorrectionPane::AttachDocument(CHushwickDoc* doc) {
  doc_ = doc;
  RefreshFromDocument();
}

void ColourCorrectionPane::RefreshFromDocument() {
  const ColourParams params = doc_ != nullptr ? doc_->colour() : ColourParams{};
  const CorrectionPaneView v = RefreshFromParams(params);
  const int positions[5] = {v.shadowsPosition, v.highlightsPosition, v.exposurePosition,
                            v.temperaturePosition, v.boostPosition};
  const std::string* texts[5] = {&v.shadowsLabel, &v.highlightsLabel, &v.exposureLabel,
                                 &v.temperatureLabel, &v.boostLabel};
  for (int i = 0; i < 5; ++i) {
    sliders_[i]->setPosition(positions[i]);
    labels_[i]->setText(QString::fromStdString(*texts[i]));
  }
}

void ColourCorrectionPane::onSlider(CorrectionSlider which, int code, int position) {
  if (doc_ == nullptr) return;
  ColourParams colour = doc_->colour();
  ApplySliderPosition(which, position, colour);
  doc_->applyColour(colour, this);
  labels_[static_cast<int>(which)]->setText(
      QString::fromStdString(SliderLabel(which, position, colour)));
  start(TimerFor(code == kEndScroll ? PaneEvent::kSliderEndScroll : PaneEvent::kSliderMove));
}

void ColourCorrectionPane::start(TimerRequest request) {
  (request.id == 1 ? timer1_ : timer2_).start(request.delayMs);
}

void ColourCorrectionPane::onTimer(int id) {
  (id == 1 ? timer1_ : timer2_).stop();
  if (doc_ == nullptr) return;
  ++(id == 1 ? runs1_ : runs2_);
  DoColourTimerWork(*doc_, CorrectionTimerWork(id, doc_->viewTab(), doc_->fullCropMode));
}

}  // namespace orvane
