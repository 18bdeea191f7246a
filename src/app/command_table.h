// Every command of the desktop program: its id, where it sits in the menus and toolbars, its
// texts and shortcuts, and when it is enabled and checked. The window builds its menu bar,
// toolbars and shortcuts from this one table.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/view_tab.h"

namespace orvane {

namespace cmd {
inline constexpr int kOpen = 57601;
inline constexpr int kReload = 32784;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kRecentFile = 57616;
inline constexpr int kExit = 57665;
inline constexpr int kPaste = 57637;
inline constexpr int kStatusBar = 59393;
inline constexpr int kToolbar = 59392;
inline constexpr int kCustomize = 35001;
inline constexpr int kPaneFileProperties = 32774;
inline constexpr int kPaneNrOptions = 32771;
inline constexpr int kPaneColorCorrection = 32773;
inline constexpr int kPaneColorMatch = 32781;
inline constexpr int kThemeNativeXp = 32802;
inline constexpr int kThemeOfficeXp = 32801;
inline constexpr int kThemeOffice2003 = 32800;
inline constexpr int kThemeOffice2000 = 32799;
inline constexpr int kPaneThemeNativeXp = 32808;
inline constexpr int kPaneThemeOffice2003 = 32804;
inline constexpr int kPaneThemeVisio = 32807;
inline constexpr int kPaneThemeVsNet = 32806;
inline constexpr int kPaneThemeVs6 = 32805;
inline constexpr int kPaneThemeDefault = 32803;
inline constexpr int kDetailMode = 32782;
inline constexpr int kFullCropMode = 32772;
inline constexpr int kCurves = 32788;
inline constexpr int kHistogram = 32789;
inline constexpr int kMemorySettings = 32796;
inline constexpr int kAbout = 57664;
inline constexpr int kHelp = 57670;
inline constexpr int kPreviousImage = 32792;
inline constexpr int kNextImage = 32791;
inline constexpr int kRotateCcw = 32777;
inline constexpr int kRotateCw = 32778;
inline constexpr int kApplyCrop = 32775;
inline constexpr int kGrid = 32787;
inline constexpr int kZoomIn = 32785;
inline constexpr int kZoomOut = 32786;
inline constexpr int kNextMode = 32797;
inline constexpr int kPreviousMode = 32798;
inline constexpr int kNew = 57600;
// Sets the noise level from the picture (the NR Options pane's "Auto").
inline constexpr int kEstimateNoise = 32810;
}  // namespace cmd

struct CommandSpec {
  int id;
  std::string_view menu;       // "File", "View>Panes", ...; empty when in no menu
  std::string_view menuText;   // with the mnemonic ampersand and the tab before the shortcut
  std::string_view shortcuts;  // key sequences separated by "; " ("Ctrl+V; Shift+Ins")
  std::string_view toolbar;    // "Standard", "Crop" or empty
  std::string_view prompt;     // status-bar prompt
  std::string_view tooltip;
  bool checkable;
};

// In menu order, then the toolbar-only and shortcut-only commands.
std::span<const CommandSpec> CommandTable();
const CommandSpec* FindCommand(int id);

// A menu's title as shown, with the ampersand of its mnemonic ("File" -> "&File", "Pane Themes"
// -> "Pane T&hemes"); the mnemonics differ from each other and from the letters of the entries
// beside them.
std::string MenuTitle(std::string_view name);

// The toolbars' buttons in order; 0 marks a separator.
std::span<const int> StandardToolbarButtons();
std::span<const int> CropToolbarButtons();

// The pane ids, in the order the panes are attached to a document.
inline constexpr int kPaneNrOptionsId = 4000;
inline constexpr int kPaneFilePropertiesId = 4001;
inline constexpr int kPaneColorCorrectionId = 4002;
inline constexpr int kPaneColorMatchId = 4003;
// The panes' width at first start (scaled with the screen): every text of their controls shows
// whole, and the noise slider has a pixel or more for each of its 201 positions.
inline constexpr int kPaneDefaultWidth = 250;
// The pane a View > Panes command toggles, or 0.
int PaneOfToggle(int command);

// Interface theme commands to codes 0..3 and pane theme commands to codes 0..6; -1 for others.
int InterfaceThemeOfCommand(int command);
int PaneThemeOfCommand(int command);

// What the enabling rules and check marks read.
struct CommandFacts {
  bool hasImage = false;       // the document's source holds pixels
  bool hasPath = false;        // the document has a path name
  bool busy = false;           // a denoise run is under way
  bool fullCropMode = false;
  ViewTab viewTab = ViewTab::kPicture;
  bool canZoomIn = false;
  bool canZoomOut = false;
  bool showGrid = false;
  bool clipboardHasImage = false;
  bool statusBarVisible = true;
  bool toolbarVisible = true;
  bool paneOpen[4] = {};       // by pane id - 4000
  int interfaceTheme = 2;
  int paneTheme = 5;
};

struct CommandState {
  bool enabled = true;
  bool checked = false;
  bool operator==(const CommandState&) const = default;
};
CommandState CommandStateOf(int command, const CommandFacts& facts);

// Commands that replace or reshape the picture (or start a run of their own). They are ignored
// while a run is under way: the run dispatches events, and the picture it works on must stay.
bool RefusedWhileBusy(int command);

}  // namespace orvane
