#include "shell/command_registry.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include "app/toolbar_layout.h"
#include "shell/toolbar_icons.h"

namespace orvane {
namespace {

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QList<QKeySequence> Shortcuts(std::string_view text) {
  QList<QKeySequence> keys;
  for (const QString& part : Text(text).split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
    // The numeric keypad's plus and minus.
    if (part == QLatin1String("Num++")) {
      keys.append(QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    } else if (part == QLatin1String("Num+-")) {
      keys.append(QKeySequence(Qt::KeypadModifier | Qt::Key_Minus));
    } else {
      keys.append(QKeySequence::fromString(part, QKeySequence::PortableText));
    }
  }
  return keys;
}

}  // namespace

CommandRegistry::CommandRegistry(QWidget* window, std::function<void(int)> triggered)
    : QObject(window) {
  for (const CommandSpec& entry : CommandTable()) {
    auto* a = new QAction(window);
    a->setObjectName(QStringLiteral("cmd%1").arg(entry.id));
    a->setData(entry.id);
    a->setText(entry.menuText.empty() ? Text(entry.tooltip) : Text(entry.menuText));
    a->setStatusTip(Text(entry.prompt));
    a->setToolTip(Text(entry.tooltip));
    a->setCheckable(entry.checkable);
    a->setShortcuts(Shortcuts(entry.shortcuts));
    a->setShortcutContext(Qt::WindowShortcut);
    if (!entry.toolbar.empty()) a->setIcon(ToolbarIcon(entry.id));
    const int id = entry.id;
    // Check marks follow the state, not the click: the command decides.
    connect(a, &QAction::triggered, this, [a, id, entry, triggered] {
      if (entry.checkable) a->setChecked(!a->isChecked());
      triggered(id);
    });
    window->addAction(a);  // shortcuts of commands in no menu work too
    actions_.insert(id, a);
  }
}

void CommandRegistry::buildMenuBar(QMenuBar* bar, QMenu** recentMenu) {
  QHash<QString, QMenu*> menus;
  auto menuFor = [&](const QString& path) {
    QMenu* parent = nullptr;
    QString sofar;
    for (const QString& name : path.split(QLatin1Char('>'))) {
      sofar += (sofar.isEmpty() ? QString() : QStringLiteral(">")) + name;
      QMenu* m = menus.value(sofar, nullptr);
      if (m == nullptr) {
        const QString title = Text(MenuTitle(name.toStdString()));
        m = parent == nullptr ? bar->addMenu(title) : parent->addMenu(title);
        m->setObjectName(QStringLiteral("menu ") + sofar);
        menus.insert(sofar, m);
        if (parent == nullptr) topMenus_.insert(name, m);
      }
      parent = m;
    }
    return parent;
  };
  for (const CommandSpec& entry : CommandTable()) {
    if (entry.menu.empty()) continue;
    QMenu* menu = menuFor(Text(entry.menu));
    if (entry.id == cmd::kRecentFile) {
      // A group of up to four entries, filled by the window; a separator after it, before Exit.
      menu->addSeparator();
      *recentMenu = menu;
      menu->addAction(action(entry.id));
      menu->addSeparator();
      continue;
    }
    menu->addAction(action(entry.id));
  }
}

void CommandRegistry::fillToolbar(QToolBar* toolbar, std::span<const int> buttons) const {
  toolbar->clear();
  for (int id : buttons) {
    if (id == 0) {
      toolbar->addSeparator();
    } else if (id < 0) {
      QMenu* menu = topMenus_.value(QString::fromStdString(MenuOfButton(id)), nullptr);
      if (menu == nullptr) continue;
      QAction* button = menu->menuAction();
      toolbar->addAction(button);
      if (auto* tool = qobject_cast<QToolButton*>(toolbar->widgetForAction(button)))
        tool->setPopupMode(QToolButton::InstantPopup);
    } else {
      toolbar->addAction(action(id));
    }
  }
}

void CommandRegistry::applyStates(const CommandFacts& facts) {
  for (auto it = actions_.begin(); it != actions_.end(); ++it) {
    const CommandState s = CommandStateOf(it.key(), facts);
    it.value()->setEnabled(s.enabled);
    if (it.value()->isCheckable()) it.value()->setChecked(s.checked);
  }
}

}  // namespace orvane
