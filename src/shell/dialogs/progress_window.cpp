#include "shell/dialogs/progress_window.h"

#include <chrono>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWindow>

#include "app/dialog_rules.h"
#include "shell/qt_host.h"

namespace orvane {
namespace {

double NowMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ProgressWindowDialog::ProgressWindowDialog(QtUiHost& host, const QString& caption)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint), host_(host) {
  // Not a child of the owner: the owner is disabled while the window is up, and a child window
  // would be disabled with it.
  setObjectName(QStringLiteral("ProgressWindow"));
  setModal(false);
  setWindowTitle(caption.isEmpty() ? QString::fromLatin1(kProgressCaption) : caption);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("ProgressStatus"));
  status_->setMinimumWidth(260);
  percent_ = new QLabel(QString::fromLatin1(kProgressStartText), this);
  percent_->setObjectName(QStringLiteral("ProgressPercent"));
  percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  percent_->setMinimumWidth(percent_->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 6);
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(min_, max_);
  bar_->setValue(min_);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setAutoDefault(false);
  connect(cancel_, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });

  auto* top = new QHBoxLayout;
  top->addWidget(status_, 1);
  top->addWidget(percent_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(bar_, 1);
  bottom->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(bottom);
}

ProgressWindowDialog::~ProgressWindowDialog() {
  if (disabledOwner_ && owner_ != nullptr) owner_->setEnabled(true);
}

bool ProgressWindowDialog::create(QWidget* owner) {
  owner_ = owner;
  if (owner_ != nullptr && owner_->isEnabled()) {
    owner_->setEnabled(false);
    disabledOwner_ = true;
  }
  adjustSize();
  if (owner_ != nullptr) {
    const QRect frame = owner_->frameGeometry();
    move(frame.center() - rect().center());
    // Kept above its owner by the window manager, though not its child.
    QWidget::create();
    if (QWindow* ownerWindow = owner_->window()->windowHandle())
      windowHandle()->setTransientParent(ownerWindow);
  }
  show();
  if (!isVisible()) {
    if (disabledOwner_ && owner_ != nullptr) owner_->setEnabled(true);
    disabledOwner_ = false;
    return false;
  }
  raise();
  activateWindow();
  return true;
}

void ProgressWindowDialog::setText(const std::string& text) {
  const QString line = QString::fromStdString(text);
  if (status_->text() == line) return;
  status_->setText(line);
  // The work that follows a new text ("Finishing...", "Saving file...") may not hand the window
  // an event for seconds: the line is painted now, not at the next drain.
  if (isVisible()) {
    layout()->activate();
    status_->repaint();
  }
}

void ProgressWindowDialog::setRange(int low, int high) {
  min_ = low;
  max_ = high;
  bar_->setRange(low, high);
}

void ProgressWindowDialog::setPosition(int position) {
  // Pending events first: this is where Cancel gets pressed.
  host_.drainEvents();
  // A bar redraws itself at once on every new value; fast steps are shown at a pace.
  if (pacer_.due(position, max_, NowMs())) bar_->setValue(position);
  const QString text = QString::fromStdString(ProgressPercentText(position, min_, max_));
  if (percent_->text() != text) {
    percent_->setText(text);
    // Like the bar, the figure shows at once: the last step is followed by work with no drain.
    if (isVisible()) percent_->repaint();
  }
}

QString ProgressWindowDialog::percentText() const { return percent_->text(); }
QString ProgressWindowDialog::statusText() const { return status_->text(); }

void ProgressWindowDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape: cancelRequested_ = true; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: break;
    default: QDialog::keyPressEvent(event); return;
  }
  event->accept();
}

void ProgressWindowDialog::closeEvent(QCloseEvent* event) {
  // The owner ends the window; the close box only asks, as Cancel does.
  cancelRequested_ = true;
  event->ignore();
}

StatusBarProgressBar::StatusBarProgressBar(QStatusBar* statusBar, const QString& label,
                                           int maximum)
    : statusBar_(statusBar) {
  if (statusBar_ == nullptr) return;
  statusBar_->showMessage(label);
  statusBar_->repaint();
  // From the end of the label to the first permanent indicator, 15 % of the height free above
  // and below.
  const int left = statusBar_->fontMetrics().horizontalAdvance(label) + 12;
  int right = statusBar_->width() - 4;
  for (QObject* child : statusBar_->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w != nullptr && w->isVisible() && w->x() > left) right = std::min(right, w->x() - 4);
  }
  const int h = statusBar_->height();
  const int margin = h * 15 / 100;
  bar_ = new QProgressBar(statusBar_);
  bar_->setObjectName(QStringLiteral("StatusProgress"));
  bar_->setTextVisible(false);
  bar_->setRange(0, maximum > 0 ? maximum : 1);
  bar_->setValue(0);
  bar_->setGeometry(left, margin, std::max(right - left, 10), std::max(h - 2 * margin, 4));
  bar_->show();
}

StatusBarProgressBar::~StatusBarProgressBar() {
  delete bar_;
  if (statusBar_ != nullptr) statusBar_->showMessage(QString::fromLatin1(kStatusReady));
}

void StatusBarProgressBar::setPosition(int position) {
  if (bar_ != nullptr && pacer_.due(position, bar_->maximum(), NowMs())) bar_->setValue(position);
}

}  // namespace orvane
