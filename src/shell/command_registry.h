// One QAction per command of the command table, keyed by id. Menus, toolbars and shortcuts are
// built from it; enabling and check marks are refreshed from CommandStateOf.
#pragma once

#include <QObject>
#include <QHash>
#include <functional>

#include "app/command_table.h"

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QToolBar;

namespace orvane {

class CommandRegistry : public QObject {
  Q_OBJECT
 public:
  // triggered is called with the command id of every action the user triggers.
  CommandRegistry(QWidget* window, std::function<void(int)> triggered);

  QAction* action(int id) const { return actions_.value(id, nullptr); }
  // Builds the menu bar in the table's order; recentMenu receives the "Recent File" entries.
  void buildMenuBar(QMenuBar* bar, QMenu** recentMenu);
  // Fills a toolbar with its buttons, in place of those it had; a menu of the menu bar (a
  // negative button) drops down from its button.
  void fillToolbar(QToolBar* toolbar, std::span<const int> buttons) const;
  // Sets every action's enabled state and check mark.
  void applyStates(const CommandFacts& facts);

 private:
  QHash<int, QAction*> actions_;
  QHash<QString, QMenu*> topMenus_;  // the menu bar's menus by name
};

}  // namespace orvane
