#include "shell/dialogs/customize_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "shell/command_registry.h"

namespace orvane {
namespace {

// Two lists side by side, each under its title.
QHBoxLayout* TitledLists(QWidget* page, const QString& leftTitle, QWidget* left,
                         const QString& rightTitle, QWidget* right) {
  auto* row = new QHBoxLayout;
  int stretch = 2;
  for (auto [title, list] : {std::pair{leftTitle, left}, std::pair{rightTitle, right}}) {
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel(title, page));
    column->addWidget(list);
    row->addLayout(column, stretch++);
  }
  return row;
}

}  // namespace

CustomizeDialog::CustomizeDialog(const CommandRegistry& commands, const ToolbarButtons& buttons,
                                 QWidget* parent)
    : QDialog(parent), commands_(commands), buttons_(buttons) {
  setObjectName(QStringLiteral("CustomizeDialog"));
  setWindowTitle(QStringLiteral("Customize"));
  pages_ = new QTabWidget(this);

  // Commands: categories on the left, their commands on the right.
  auto* commandPage = new QWidget(pages_);
  categories_ = new QListWidget(commandPage);
  categories_->setObjectName(QStringLiteral("categories"));
  for (const std::string& c : CustomizeCategories()) categories_->addItem(QString::fromStdString(c));
  commandList_ = new QListWidget(commandPage);
  commandList_->setObjectName(QStringLiteral("commands"));
  target_ = new QComboBox(commandPage);
  target_->setObjectName(QStringLiteral("targetToolbar"));
  target_->addItems({QStringLiteral("Standard"), QStringLiteral("Crop")});
  add_ = new QPushButton(QStringLiteral("&Add to Toolbar"), commandPage);
  add_->setObjectName(QStringLiteral("addToToolbar"));
  QHBoxLayout* lists = TitledLists(commandPage, QStringLiteral("Categories:"), categories_,
                                   QStringLiteral("Commands:"), commandList_);
  auto* addRow = new QHBoxLayout;
  addRow->addStretch(1);
  addRow->addWidget(new QLabel(QStringLiteral("Toolbar:"), commandPage));
  addRow->addWidget(target_);
  addRow->addWidget(add_);
  auto* commandLayout = new QVBoxLayout(commandPage);
  commandLayout->addLayout(lists, 1);
  commandLayout->addLayout(addRow);
  pages_->addTab(commandPage, QStringLiteral("&Commands"));

  // Toolbars: the toolbars on the left, the chosen one's buttons and the edits on the right.
  auto* toolbarPage = new QWidget(pages_);
  toolbars_ = new QListWidget(toolbarPage);
  toolbars_->setObjectName(QStringLiteral("toolbars"));
  toolbars_->addItems({QStringLiteral("Standard"), QStringLiteral("Crop")});
  buttonList_ = new QListWidget(toolbarPage);
  buttonList_->setObjectName(QStringLiteral("buttons"));
  auto* editColumn = new QVBoxLayout;
  auto makeButton = [&](const QString& text, auto&& action) {
    auto* b = new QPushButton(text, toolbarPage);
    connect(b, &QPushButton::clicked, this, action);
    editColumn->addWidget(b);
  };
  makeButton(QStringLiteral("Move &Up"),
             [this] { edit(MoveButton(bar(toolbars_->currentRow()), buttonList_->currentRow(), -1)); });
  makeButton(QStringLiteral("Move &Down"),
             [this] { edit(MoveButton(bar(toolbars_->currentRow()), buttonList_->currentRow(), 1)); });
  makeButton(QStringLiteral("&Remove"),
             [this] { edit(RemoveButton(bar(toolbars_->currentRow()), buttonList_->currentRow())); });
  makeButton(QStringLiteral("Add &Separator"),
             [this] { edit(AddSeparator(bar(toolbars_->currentRow()), buttonList_->currentRow())); });
  makeButton(QStringLiteral("R&eset"), [this] {
    const int row = toolbars_->currentRow();
    const ToolbarButtons defaults = DefaultToolbarButtons();
    bar(row) = row == 1 ? defaults.crop : defaults.standard;
    showToolbar(row, 0);
  });
  editColumn->addStretch(1);
  QHBoxLayout* toolbarLayout = TitledLists(toolbarPage, QStringLiteral("Toolbars:"), toolbars_,
                                           QStringLiteral("Buttons:"), buttonList_);
  toolbarLayout->addLayout(editColumn);
  toolbarPage->setLayout(toolbarLayout);
  pages_->addTab(toolbarPage, QStringLiteral("&Toolbars"));

  auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(close, &QDialogButtonBox::rejected, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_, 1);
  layout->addWidget(close);

  connect(categories_, &QListWidget::currentRowChanged, this, [this](int row) { showCategory(row); });
  connect(toolbars_, &QListWidget::currentRowChanged, this, [this](int row) { showToolbar(row, 0); });
  connect(add_, &QPushButton::clicked, this, [this] {
    const QListWidgetItem* item = commandList_->currentItem();
    if (item == nullptr) return;
    const int toolbar = target_->currentIndex();
    std::vector<int>& list = bar(toolbar);
    if (AddButton(list, item->data(Qt::UserRole).toInt(), static_cast<int>(list.size()) - 1) >= 0 &&
        toolbars_->currentRow() == toolbar)
      showToolbar(toolbar, static_cast<int>(list.size()) - 1);
  });
  connect(commandList_, &QListWidget::itemDoubleClicked, add_, &QPushButton::click);
  categories_->setCurrentRow(0);
  toolbars_->setCurrentRow(0);
  resize(520, 360);
}

QPushButton* CustomizeDialog::pageButton(const QString& text) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

void CustomizeDialog::showCategory(int row) {
  commandList_->clear();
  if (row < 0) return;
  for (const int id : CategoryCommands(categories_->item(row)->text().toStdString())) {
    auto* item = new QListWidgetItem(QString::fromStdString(CommandName(id)), commandList_);
    item->setData(Qt::UserRole, id);
    if (const QAction* a = commands_.action(id)) item->setIcon(a->icon());
  }
  commandList_->setCurrentRow(0);
  add_->setEnabled(commandList_->count() > 0);
}

void CustomizeDialog::showToolbar(int row, int select) {
  buttonList_->clear();
  if (row < 0) return;
  for (const int id : bar(row)) {
    auto* item = new QListWidgetItem(id == 0 ? QStringLiteral("(separator)")
                                             : QString::fromStdString(CommandName(id)),
                                     buttonList_);
    item->setData(Qt::UserRole, id);
    if (const QAction* a = id == 0 ? nullptr : commands_.action(id)) item->setIcon(a->icon());
  }
  if (buttonList_->count() > 0) buttonList_->setCurrentRow(std::min(std::max(select, 0), buttonList_->count() - 1));
}

void CustomizeDialog::edit(int result) {
  if (result < 0) return;  // nothing changed (the edit would break the toolbar's rules)
  showToolbar(toolbars_->currentRow(), result);
}

}  // namespace orvane
