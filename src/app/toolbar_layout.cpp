#include "app/toolbar_layout.h"

#include <algorithm>
#include <charconv>

#include "app/command_table.h"

namespace orvane {
namespace {

// Separators only between buttons, one at a time; each command once.
std::vector<int> Tidy(const std::vector<int>& in) {
  std::vector<int> out;
  for (const int id : in) {
    if (id == 0) {
      if (!out.empty() && out.back() != 0) out.push_back(0);
    } else if (CanSitOnToolbar(id) && std::find(out.begin(), out.end(), id) == out.end()) {
      out.push_back(id);
    }
  }
  while (!out.empty() && out.back() == 0) out.pop_back();
  return out;
}

std::string TopMenu(std::string_view menu) {
  return std::string(menu.substr(0, menu.find('>')));
}

// The menu bar's menus in order.
std::vector<std::string> TopMenus() {
  std::vector<std::string> menus;
  for (const CommandSpec& c : CommandTable()) {
    if (c.menu.empty()) continue;
    const std::string top = TopMenu(c.menu);
    if (std::find(menus.begin(), menus.end(), top) == menus.end()) menus.push_back(top);
  }
  return menus;
}

}  // namespace

ToolbarButtons DefaultToolbarButtons() {
  const auto standard = StandardToolbarButtons();
  const auto crop = CropToolbarButtons();
  return {{standard.begin(), standard.end()}, {crop.begin(), crop.end()}};
}

int MenuButton(std::string_view menu) {
  const std::vector<std::string> menus = TopMenus();
  const auto it = std::find(menus.begin(), menus.end(), menu);
  return it == menus.end() ? 0 : -static_cast<int>(it - menus.begin()) - 1;
}

std::string MenuOfButton(int button) {
  const std::vector<std::string> menus = TopMenus();
  if (button >= 0 || button < -static_cast<int>(menus.size())) return {};
  return menus[static_cast<size_t>(-button - 1)];
}

bool CanSitOnToolbar(int command) {
  if (command < 0) return !MenuOfButton(command).empty();
  const CommandSpec* c = FindCommand(command);
  return c != nullptr && command != cmd::kRecentFile && !CommandName(command).empty();
}

std::string CommandName(int command) {
  if (command < 0) return MenuOfButton(command);
  const CommandSpec* c = FindCommand(command);
  if (c == nullptr) return {};
  if (!c->tooltip.empty() && c->tooltip.find('&') == std::string_view::npos)
    return std::string(c->tooltip);
  std::string name;
  for (const char ch : c->menuText.substr(0, c->menuText.find('\t')))
    if (ch != '&') name += ch;
  while (name.size() > 3 && name.ends_with("...")) name.resize(name.size() - 3);
  return name;
}

std::string ButtonsText(std::span<const int> buttons) {
  if (buttons.empty()) return kNoButtons;
  std::string text;
  for (const int id : buttons) {
    if (!text.empty()) text += ',';
    text += std::to_string(id);
  }
  return text;
}

std::vector<int> ButtonsFromText(std::string_view text, std::span<const int> fallback) {
  if (text == kNoButtons) return {};
  std::vector<int> read;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = text.substr(start, comma - start);
    int id = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), id);
    if (item.empty() || error != std::errc() || end != item.data() + item.size())
      return {fallback.begin(), fallback.end()};
    read.push_back(id);
    start = comma + 1;
  }
  std::vector<int> tidy = Tidy(read);
  if (tidy.empty()) return {fallback.begin(), fallback.end()};
  return tidy;
}

std::vector<std::string> CustomizeCategories() {
  std::vector<std::string> categories = TopMenus();
  categories.insert(categories.end(), {"All Commands", "Built-in Menus", "New Menu"});
  return categories;
}

std::vector<int> CategoryCommands(std::string_view category) {
  std::vector<int> commands;
  if (category == "All Commands") {
    for (const CommandSpec& c : CommandTable())
      if (CanSitOnToolbar(c.id)) commands.push_back(c.id);
    std::stable_sort(commands.begin(), commands.end(),
                     [](int a, int b) { return CommandName(a) < CommandName(b); });
    return commands;
  }
  if (category == "Built-in Menus") {
    for (const std::string& menu : TopMenus()) commands.push_back(MenuButton(menu));
    return commands;
  }
  for (const CommandSpec& c : CommandTable())
    if (!c.menu.empty() && TopMenu(c.menu) == category && CanSitOnToolbar(c.id))
      commands.push_back(c.id);
  return commands;
}

int AddButton(std::vector<int>& buttons, int command, int at) {
  if (!CanSitOnToolbar(command) ||
      std::find(buttons.begin(), buttons.end(), command) != buttons.end())
    return -1;
  const int place = at >= 0 && at < static_cast<int>(buttons.size()) ? at + 1
                                                                       : static_cast<int>(buttons.size());
  buttons.insert(buttons.begin() + place, command);
  return place;
}

int AddSeparator(std::vector<int>& buttons, int at) {
  if (at < 0 || at + 1 >= static_cast<int>(buttons.size())) return -1;  // only between buttons
  if (buttons[at] == 0 || buttons[at + 1] == 0) return -1;
  buttons.insert(buttons.begin() + at + 1, 0);
  return at + 1;
}

int RemoveButton(std::vector<int>& buttons, int at) {
  if (at < 0 || at >= static_cast<int>(buttons.size())) return -1;
  buttons.erase(buttons.begin() + at);
  buttons = Tidy(buttons);
  return std::max(0, std::min(at, static_cast<int>(buttons.size()) - 1));
}

int MoveButton(std::vector<int>& buttons, int at, int delta) {
  const int to = at + delta;
  if (at < 0 || at >= static_cast<int>(buttons.size()) || to < 0 ||
      to >= static_cast<int>(buttons.size()) || (delta != 1 && delta != -1))
    return -1;
  std::swap(buttons[at], buttons[to]);
  const std::vector<int> tidy = Tidy(buttons);
  if (tidy != buttons) {
    // A separator moved to an end or next to another: the move is not made.
    std::swap(buttons[at], buttons[to]);
    return -1;
  }
  return to;
}

}  // namespace orvane
