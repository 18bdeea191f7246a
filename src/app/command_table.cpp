#include "app/command_table.h"

#include <array>

namespace orvane {
namespace {

using namespace cmd;

constexpr std::array kCommands = {
    CommandSpec{kOpen, "File", "&Open...\tCtrl+O", "Ctrl+O", "Standard",
                "Open an existing document", "Open", false},
    CommandSpec{kReload, "File", "&Reload Current File", "", "", "Reload the current file",
                "Reload Current File", false},
    CommandSpec{kSave, "File", "&Save\tCtrl+S", "Ctrl+S", "Standard", "Save the active document",
                "Save", false},
    CommandSpec{kSaveAs, "File", "Save &As...", "", "",
                "Save the active document with a new name", "Save As", false},
    CommandSpec{kRecentFile, "File", "Recent File", "", "", "Open this document", "", false},
    CommandSpec{kExit, "File", "E&xit", "Ctrl+Q", "",
                "Quit the application; prompts to save documents", "Exit", false},
    CommandSpec{kPaste, "Edit", "&Paste\tCtrl+V", "Ctrl+V; Shift+Ins", "Standard",
                "Insert Clipboard contents", "Paste", false},
    CommandSpec{kStatusBar, "View", "&Status Bar", "", "", "Show or hide the status bar",
                "Toggle Status Bar", true},
    CommandSpec{kToolbar, "View>Toolbars", "Toolbar", "", "", "Show or hide the toolbar",
                "Toggle ToolBar", true},
    CommandSpec{kCustomize, "View>Toolbars", "&Customize...", "", "", "", "&Customize...", false},
    CommandSpec{kPaneFileProperties, "View>Panes", "&File Properties", "", "",
                "Show/hide the File Properties pane", "Toggle File Propeties Pane", true},
    CommandSpec{kPaneNrOptions, "View>Panes", "&NR Options", "", "",
                "Show/hide the Noise Reduction Options pane", "Toggle NR Options Pane", true},
    CommandSpec{kPaneColorCorrection, "View>Panes", "&Color Correction", "", "",
                "Show/hide the Color Correction pane", "Toggle Color Correction Pane", true},
    CommandSpec{kPaneColorMatch, "View>Panes", "Color &Match", "", "",
                "Show/hide the Color Match pane", "Toggle Color Match Pane", true},
    CommandSpec{kThemeNativeXp, "View>Interface Themes", "&Native WinXP", "", "",
                "Set the native Windows XP interface theme", "Native WinXP Interface Theme", true},
    CommandSpec{kThemeOfficeXp, "View>Interface Themes", "&Office XP", "", "",
                "Set the Office XP interface theme", "Office XP Interface Theme", true},
    CommandSpec{kThemeOffice2003, "View>Interface Themes", "Office 200&3", "", "",
                "Set the Office 2003 interface theme", "Office 2003 Interface Theme", true},
    CommandSpec{kThemeOffice2000, "View>Interface Themes", "Office 200&0", "", "",
                "Set the Office 2000 interface theme", "Office 2000 Interface Theme", true},
    CommandSpec{kPaneThemeNativeXp, "View>Pane Themes", "&Native WinXP", "", "",
                "Set the native Windows XP pane theme", "Native WinXP Pane Theme", true},
    CommandSpec{kPaneThemeOffice2003, "View>Pane Themes", "&Office 2003", "", "",
                "Set the Office 2003 pane theme", "Office 2003 Pane Theme", true},
    CommandSpec{kPaneThemeVisio, "View>Pane Themes", "&Visio", "", "",
                "Set the Visio pane theme", "Visio Pane Theme", true},
    CommandSpec{kPaneThemeVsNet, "View>Pane Themes", "Visual &Studio .NET", "", "",
                "Set the Visual Studio .NET pane theme", "Visual Studio .NET Pane Theme", true},
    CommandSpec{kPaneThemeVs6, "View>Pane Themes", "Visual Studio &6", "", "",
                "Set the Visual Studio 6 pane theme", "Visual Studio 6 Pane Theme", true},
    CommandSpec{kPaneThemeDefault, "View>Pane Themes", "&Default", "", "",
                "Set the default pane theme", "Default Pane Theme", true},
    CommandSpec{kDetailMode, "Mode", "&Detail Mode", "", "", "Pop up the Detail Mode tab",
                "Detail Mode", true},
    CommandSpec{kFullCropMode, "Mode", "&Full/Crop Mode", "", "",
                "Pop up the Full/Crop Mode tab", "Full/Crop Mode", true},
    CommandSpec{kCurves, "Mode", "&Curves", "", "", "Pop up the Curves tab", "Curves", true},
    CommandSpec{kHistogram, "Mode", "&Histogram", "", "", "Pop up the Histogram tab", "Histogram",
                true},
    CommandSpec{kEstimateNoise, "Settings", "&Estimate Noise Level", "", "",
                "Set the noise level from the picture", "Estimate Noise Level", false},
    CommandSpec{kMemorySettings, "Settings", "&Memory Settings...", "", "",
                "Show the Memory Settings dialog", "Memory Settings", false},
    CommandSpec{kAbout, "Help", "&About Orvane NR...", "", "Standard",
                "Display program information, version number and copyright", "About", false},
    CommandSpec{kHelp, "Help", "&Help\tF1", "F1", "Standard", "Display the application help",
                "Help", false},
    CommandSpec{kPreviousImage, "", "", "", "Standard", "Load Previous Image in Folder",
                "Load previous Image", false},
    CommandSpec{kNextImage, "", "", "", "Standard", "Load Next Image in Folder", "Load next Image",
                false},
    CommandSpec{kRotateCcw, "", "", "", "Standard", "Rotate CCW", "Rotate CCW", false},
    CommandSpec{kRotateCw, "", "", "", "Standard", "Rotate CW", "Rotate CW", false},
    CommandSpec{kApplyCrop, "", "", "", "Crop", "Apply Crop", "Apply Crop", false},
    CommandSpec{kGrid, "", "", "", "Crop", "Show Grid", "Grid", true},
    CommandSpec{kZoomIn, "", "", "Num++", "Crop", "Zoom In", "Zoom In", false},
    CommandSpec{kZoomOut, "", "", "Num+-", "Crop", "Zoom Out", "Zoom out", false},
    CommandSpec{kNextMode, "", "", "Ctrl+PgDown", "", "", "", false},
    CommandSpec{kPreviousMode, "", "", "Ctrl+PgUp", "", "", "", false},
    CommandSpec{kNew, "", "", "Ctrl+N", "", "Create a new document", "New", false},
};

constexpr std::array kStandardButtons = {kOpen,      kSave,  0,     kPreviousImage, kNextImage,
                                         0,          kPaste, 0,     kAbout,         kHelp,
                                         0,          kRotateCcw,    kRotateCw};
constexpr std::array kCropButtons = {kApplyCrop, 0, kGrid, 0, kZoomIn, kZoomOut};

}  // namespace

std::span<const CommandSpec> CommandTable() { return kCommands; }

std::string MenuTitle(std::string_view name) {
  static constexpr std::pair<std::string_view, std::string_view> kTitles[] = {
      {"File", "&File"},         {"Edit", "&Edit"},         {"View", "&View"},
      {"Mode", "&Mode"},         {"Settings", "&Settings"}, {"Help", "&Help"},
      {"Toolbars", "&Toolbars"}, {"Panes", "&Panes"},       {"Interface Themes", "&Interface Themes"},
      {"Pane Themes", "Pane T&hemes"}};
  for (const auto& [plain, shown] : kTitles)
    if (plain == name) return std::string(shown);
  return std::string(name);
}

const CommandSpec* FindCommand(int id) {
  for (const CommandSpec& c : kCommands) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

std::span<const int> StandardToolbarButtons() { return kStandardButtons; }
std::span<const int> CropToolbarButtons() { return kCropButtons; }

int PaneOfToggle(int command) {
  switch (command) {
    case kPaneNrOptions: return kPaneNrOptionsId;
    case kPaneFileProperties: return kPaneFilePropertiesId;
    case kPaneColorCorrection: return kPaneColorCorrectionId;
    case kPaneColorMatch: return kPaneColorMatchId;
    default: return 0;
  }
}

int InterfaceThemeOfCommand(int command) {
  switch (command) {
    case kThemeOfficeXp: return 0;
    case kThemeOffice2000: return 1;
    case kThemeOffice2003: return 2;
    case kThemeNativeXp: return 3;
    default: return -1;
  }
}

int PaneThemeOfCommand(int command) {
  switch (command) {
    case kPaneThemeDefault: return 0;
    case kPaneThemeVsNet: return 1;
    case kPaneThemeVs6: return 2;
    case kPaneThemeVisio: return 3;
    case kPaneThemeOffice2003: return 5;
    case kPaneThemeNativeXp: return 6;
    default: return -1;
  }
}

CommandState CommandStateOf(int command, const CommandFacts& f) {
  CommandState s;
  if (const int pane = PaneOfToggle(command); pane != 0) {
    s.checked = f.paneOpen[pane - kPaneNrOptionsId];
    return s;
  }
  if (const int theme = InterfaceThemeOfCommand(command); theme >= 0) {
    s.checked = theme == f.interfaceTheme;
    return s;
  }
  if (const int theme = PaneThemeOfCommand(command); theme >= 0) {
    s.checked = theme == f.paneTheme;
    return s;
  }
  switch (command) {
    case kReload:
    case kSave:
    case kSaveAs: s.enabled = f.hasImage && !f.busy; break;
    case kPreviousImage:
    case kNextImage: s.enabled = f.hasPath && !f.busy; break;
    case kPaste: s.enabled = f.clipboardHasImage && !f.busy; break;
    // Turning the picture under a running preview would change its size mid-run.
    case kRotateCw:
    case kRotateCcw: s.enabled = !f.fullCropMode && f.hasImage && !f.busy; break;
    case kEstimateNoise: s.enabled = f.hasImage && !f.fullCropMode && !f.busy; break;
    case kZoomIn: s.enabled = f.canZoomIn; break;
    case kZoomOut: s.enabled = f.canZoomOut; break;
    case kGrid: s.checked = f.showGrid; break;
    case kStatusBar: s.checked = f.statusBarVisible; break;
    case kToolbar: s.checked = f.toolbarVisible; break;
    case kDetailMode: s.checked = ModeTabOf(f.fullCropMode, f.viewTab) == kTabDetail; break;
    case kFullCropMode: s.checked = ModeTabOf(f.fullCropMode, f.viewTab) == kTabFullCrop; break;
    case kCurves: s.checked = f.viewTab == ViewTab::kCurves; break;
    case kHistogram: s.checked = f.viewTab == ViewTab::kHistogram; break;
    // The entry stands in for the recent files while there are none.
    case kRecentFile: s.enabled = false; break;
    default: break;
  }
  return s;
}

bool RefusedWhileBusy(int command) {
  switch (command) {
    case kOpen:
    case kReload:
    case kSave:
    case kSaveAs:
    case kPaste:
    case kNew:
    case kDetailMode:
    case kFullCropMode:
    case kCurves:
    case kHistogram:
    case kNextMode:
    case kPreviousMode:
    case kPreviousImage:
    case kNextImage:
    case kRotateCw:
    case kRotateCcw:
    case kApplyCrop:
    case kZoomIn:
    case kZoomOut:
    case kEstimateNoise: return true;
    default: return false;
  }
}

}  // namespace orvane
