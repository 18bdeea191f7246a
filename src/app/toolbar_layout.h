// What the Customize dialog (View > Toolbars > Customize...) works with: the buttons of the
// "Standard" and "Crop" toolbars, how they are kept in the settings, and the command categories
// it lists. The window fills its toolbars from these lists.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The buttons of the two toolbars in order; 0 is a separator.
struct ToolbarButtons {
  std::vector<int> standard;
  std::vector<int> crop;
  bool operator==(const ToolbarButtons&) const = default;
};
ToolbarButtons DefaultToolbarButtons();

// A menu of the menu bar on a toolbar, as a button that drops it down: -1 for the first menu
// ("File"), -2 for the second, and so on. 0 when there is no such menu.
int MenuButton(std::string_view menu);
// The menu bar's menu a button drops down ("File"), or empty when the button is no menu.
std::string MenuOfButton(int button);

// Whether a command can be put on a toolbar: every command of the table with a name of its own
// (not the recent-file stand-in, not the shortcut-only mode steps), and the menu bar's menus.
bool CanSitOnToolbar(int command);
// The name a command is listed and shown under on a toolbar (its tooltip, or its menu text
// without the mnemonic and shortcut).
std::string CommandName(int command);

// A button list as the settings keep it: the ids separated by commas, "57601,57603,0,32792",
// or kNoButtons for a toolbar emptied on purpose.
inline constexpr const char* kNoButtons = "none";
std::string ButtonsText(std::span<const int> buttons);
// Back from the settings: unknown or misplaced entries are dropped (a command that cannot sit on
// a toolbar, a command twice, a separator at either end or after another); text that is not a
// list of numbers, or leaves no button, gives the fallback.
std::vector<int> ButtonsFromText(std::string_view text, std::span<const int> fallback);

// The Commands page's categories: the menus in the menu bar's order, then "All Commands",
// "Built-in Menus" and "New Menu".
std::vector<std::string> CustomizeCategories();
// The commands a category lists: a menu's commands in menu order (its submenus' too), all
// commands that can sit on a toolbar sorted by name, the menus themselves for "Built-in Menus",
// or none for "New Menu" (menus of one's own are not made here).
std::vector<int> CategoryCommands(std::string_view category);

// The edits of the Toolbars page; each keeps the rules of ButtonsFromText. Add puts a command
// after position at (at the end when at is out of range) unless the toolbar has it already;
// AddSeparator puts one after at; Move swaps the button at `at` with its neighbour (delta -1 or
// 1). Each returns the position of the affected button (after a removal, the one now in its
// place, 0 when none is left), or -1 when nothing changed.
int AddButton(std::vector<int>& buttons, int command, int at);
int AddSeparator(std::vector<int>& buttons, int at);
int RemoveButton(std::vector<int>& buttons, int at);
int MoveButton(std::vector<int>& buttons, int at, int delta);

}  // namespace orvane
