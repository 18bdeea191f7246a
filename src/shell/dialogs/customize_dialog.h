// "Customize" (View > Toolbars > Customize...): the Commands page lists the commands by
// category and puts the chosen one on a toolbar; the Toolbars page shows a toolbar's buttons to
// reorder, remove, part with separators or reset. The dialog edits a copy of the button lists;
// the window takes them when it closes.
#pragma once

#include <QDialog>

#include "app/toolbar_layout.h"

class QComboBox;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace orvane {

class CommandRegistry;

class CustomizeDialog : public QDialog {
  Q_OBJECT
 public:
  CustomizeDialog(const CommandRegistry& commands, const ToolbarButtons& buttons, QWidget* parent);

  const ToolbarButtons& buttons() const { return buttons_; }

  QTabWidget* pages() const { return pages_; }
  QListWidget* categories() const { return categories_; }
  QListWidget* commandList() const { return commandList_; }
  QComboBox* targetToolbar() const { return target_; }
  QPushButton* addButton() const { return add_; }
  QListWidget* toolbarList() const { return toolbars_; }
  QListWidget* buttonList() const { return buttonList_; }
  QPushButton* pageButton(const QString& text) const;

 private:
  std::vector<int>& bar(int index) { return index == 1 ? buttons_.crop : buttons_.standard; }
  void showCategory(int row);
  void showToolbar(int row, int select);
  void edit(int result);

  const CommandRegistry& commands_;
  ToolbarButtons buttons_;
  QTabWidget* pages_ = nullptr;
  QListWidget* categories_ = nullptr;
  QListWidget* commandList_ = nullptr;
  QComboBox* target_ = nullptr;
  QPushButton* add_ = nullptr;
  QListWidget* toolbars_ = nullptr;
  QListWidget* buttonList_ = nullptr;
};

}  // namespace orvane
