#include "shell/qt_host.h"

#include "shell/dialogs/progress_window.h"

#include <limits>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStatusBar>
#include <QSpacerItem>
#include <QTimer>

#include "app/dialog_rules.h"

namespace orvane {
namespace {

QString FromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QString Key(std::string_view section, std::string_view name) {
  return FromUtf8(section) + QLatin1Char('/') + FromUtf8(name);
}

}  // namespace

QtUiHost::QtUiHost() { qApp->installEventFilter(this); }

QtUiHost::~QtUiHost() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
  while (waitCursorDepth_-- > 0) QApplication::restoreOverrideCursor();
}

void QtUiHost::setWindow(QWidget* window, QStatusBar* statusBar) {
  window_ = window;
  statusBar_ = statusBar;
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, QMessageBox::Icon icon,
                                            const QString& text,
                                            QMessageBox::StandardButtons buttons) {
  auto box = std::make_unique<QMessageBox>(icon, QString::fromLatin1(kAppTitle), text, buttons, owner);
  // A box sizes itself to its text; an empty row across its grid keeps it from getting
  // narrower than its title needs.
  QFont titleFont = box->font();  // window managers draw titles in about this, often bold
  titleFont.setBold(true);
  const int title = QFontMetrics(titleFont).horizontalAdvance(box->windowTitle());
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(new QSpacerItem(TitledBoxMinimumWidth(title), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

QWidget* QtUiHost::owner() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return window_;
}

void QtUiHost::show(const std::string& text, QMessageBox::Icon icon) {
  shownMessages.push_back(text);
  if (icon == QMessageBox::Warning) shownWarnings.push_back(text);
  if (recordOnly) return;
  MakeMessageBox(owner(), icon, QString::fromStdString(text), QMessageBox::Ok)->exec();
}

void QtUiHost::showMessage(const std::string& text) { show(text, QMessageBox::Information); }
void QtUiHost::showWarning(const std::string& text) { show(text, QMessageBox::Warning); }

Answer QtUiHost::ask(const std::string& text, bool withCancel) {
  if (answerQuestion) return answerQuestion(text);
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (withCancel) buttons |= QMessageBox::Cancel;
  const auto answer = static_cast<QMessageBox::StandardButton>(
      MakeMessageBox(owner(), QMessageBox::Question, QString::fromStdString(text), buttons)->exec());
  if (answer == QMessageBox::Yes) return Answer::Yes;
  if (answer == QMessageBox::No) return Answer::No;
  return withCancel ? Answer::Cancel : Answer::No;
}

Answer QtUiHost::askYesNo(const std::string& text) { return ask(text, false); }
Answer QtUiHost::askYesNoCancel(const std::string& text) { return ask(text, true); }

bool QtUiHost::drainEvents() {
  ++drainDepth_;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  --drainDepth_;
  if (quitPending_ && drainDepth_ == 0) {
    // Hand the quit back to the main loop; a later drain keeps it pending again.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
  }
  return !quitPending_ && !QCoreApplication::closingDown();
}

void QtUiHost::beginEscapeWatch() {
  watchingEscape_ = true;
  escapeSeen_ = false;
}

bool QtUiHost::escapePressed() { return escapeSeen_; }

bool QtUiHost::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watchingEscape_ &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    escapeSeen_ = true;
  }
  if (event->type() == QEvent::Quit && watched == qApp && drainDepth_ > 0) {
    quitPending_ = true;
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void QtUiHost::setWaitCursor(bool on) {
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitCursorDepth_;
  } else if (waitCursorDepth_ > 0) {
    QApplication::restoreOverrideCursor();
    --waitCursorDepth_;
  }
}

std::unique_ptr<StatusBarProgress> QtUiHost::createStatusProgress(int total) {
  return std::make_unique<StatusBarProgressBar>(statusBar_, QStringLiteral("Working"), total);
}

std::unique_ptr<ProgressWindow> QtUiHost::createProgressWindow() {
  auto window = std::make_unique<ProgressWindowDialog>(*this);
  // A window that cannot be shown leaves its owner enabled; the work goes on without it.
  if (!window->create(owner())) return nullptr;
  return window;
}

QtSettingsStore::QtSettingsStore() : settings_(QStringLiteral("Quillmark"), QStringLiteral("Orvane NR")) {}

QtSettingsStore::QtSettingsStore(const QString& iniPath) : settings_(iniPath, QSettings::IniFormat) {}

int QtSettingsStore::readInt(std::string_view section, std::string_view name, int defaultValue) const {
  // Through 64 bits: a number beyond an int's range is no value (toInt would wrap it).
  bool ok = false;
  const qlonglong v = settings_.value(Key(section, name)).toLongLong(&ok);
  return ok && v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()
             ? static_cast<int>(v)
             : defaultValue;
}

void QtSettingsStore::writeInt(std::string_view section, std::string_view name, int value) {
  settings_.setValue(Key(section, name), value);
}

std::string QtSettingsStore::readString(std::string_view section, std::string_view name,
                                       const std::string& defaultValue) const {
  const QVariant v = settings_.value(Key(section, name));
  return v.isValid() ? v.toString().toStdString() : defaultValue;
}

void QtSettingsStore::writeString(std::string_view section, std::string_view name,
                                const std::string& value) {
  settings_.setValue(Key(section, name), QString::fromStdString(value));
}

QByteArray QtSettingsStore::getBytes(const SettingKey& k) const {
  if (!Listed(k.section, k.name, SettingType::kBlock)) return {};
  return settings_.value(Key(k.section, k.name)).toByteArray();
}

void QtSettingsStore::setBytes(const SettingKey& k, const QByteArray& value) {
  if (Listed(k.section, k.name, SettingType::kBlock)) settings_.setValue(Key(k.section, k.name), value);
}

}  // namespace orvane
