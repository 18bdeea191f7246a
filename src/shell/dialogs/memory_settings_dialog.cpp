#include "shell/dialogs/memory_settings_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/document.h"
#include "app/host.h"
#include "app/memory_settings.h"

namespace orvane {
namespace {

// "Width [   ] pixels" and "Height [   ] pixels" in a titled group.
QGroupBox* SizeGroup(const char* title, QLineEdit*& width, QLineEdit*& height, QWidget* parent) {
  auto* group = new QGroupBox(QString::fromLatin1(title), parent);
  auto* grid = new QGridLayout(group);
  const char* names[2] = {"Width", "Height"};
  QLineEdit** boxes[2] = {&width, &height};
  for (int row = 0; row < 2; ++row) {
    grid->addWidget(new QLabel(QString::fromLatin1(names[row]), group), row, 0);
    *boxes[row] = new QLineEdit(group);
    grid->addWidget(*boxes[row], row, 1);
    grid->addWidget(new QLabel(QStringLiteral("pixels"), group), row, 2);
  }
  return group;
}

}  // namespace

MemorySettingsDialog::MemorySettingsDialog(CHushwickDoc& doc, UiHost& host, QWidget* parent)
    : QDialog(parent), doc_(doc), host_(host) {
  setObjectName(QStringLiteral("MemorySettings"));
  setWindowTitle(QString::fromLatin1(kMemorySettingsTitle));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(SizeGroup(kMemoryBlockGroup, boxes_[0], boxes_[1], this));
  auto* note = new QLabel(QString::fromLatin1(kMemoryNote), this);
  note->setWordWrap(true);
  layout->addWidget(note);
  layout->addWidget(SizeGroup(kMemorySwapGroup, boxes_[2], boxes_[3], this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &MemorySettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &MemorySettingsDialog::reject);
  const MemorySettings& m = doc.memorySettings();
  const int values[4] = {m.maxBlockW, m.maxBlockH, m.maxSwapW, m.maxSwapH};
  for (int i = 0; i < 4; ++i) boxes_[i]->setText(QString::number(values[i]));
}

void MemorySettingsDialog::accept() {
  std::array<std::string, 4> texts;
  for (int i = 0; i < 4; ++i) texts[i] = boxes_[i]->text().toStdString();
  std::array<int, 4> values{};
  if (!ReadMemorySettingsBoxes(texts, values)) {
    host_.showMessage(kNotAnInteger);
    return;
  }
  doc_.storeMemorySettings(values[0], values[1], values[2], values[3]);
  QDialog::accept();
}

}  // namespace orvane
