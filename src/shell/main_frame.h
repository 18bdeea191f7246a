// CMainFrame: the main window. Menu bar and the "Standard" and "Crop" toolbars from the command
// registry, the status bar, the four docking panes, the mode tab strip under the view, the two
// themes, the saved layout, and closing put off while a long operation handles events.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/command_table.h"
#include "app/toolbar_layout.h"
#include "app/document.h"

class QDockWidget;
class QKeyEvent;
class QLabel;
class QMenu;
class QToolBar;

namespace orvane {

class CHushwickView;
class ColourCorrectionPane;
class ColourMatchPane;
class FilePropertiesPane;
class NrOptionsPane;
class CommandRegistry;
class ModeTabStrip;
class QtSettingsStore;
class QtUiHost;
struct ReferenceStore;

class CMainFrame : public QMainWindow, public DocumentObserver {
  Q_OBJECT
 public:
  CMainFrame(CHushwickDoc& doc, QtUiHost& host, QtSettingsStore& settings);
  ~CMainFrame() override;

  // Commands that belong to the application (Open, Help, About, New), and opening a recent or
  // dropped file (true when it loaded).
  std::function<void(int)> applicationCommand;
  std::function<bool(const std::string&)> openFile;

  // Every change of the document, fanned out to the mode tabs, the panes, the view's scroll
  // bars and region run, the recent-file list, the commands and the title.
  void documentChanged(unsigned changes, const void* origin) override;
  void addRecentFile(const std::string& path);

  // Carries out a command of the table.
  void runCommand(int id);
  // The commands' enabling and checks from the document and the window.
  void updateCommandStates();
  void updateTitle();
  // A key typed in a pane: Esc returns the focus to the view; Enter (unless typed in an entry
  // box, where it only commits the value) and the keys of the window's shortcuts are handled as
  // if typed in the view. origin: the pane the key was typed in. True when handled.
  bool ForwardPaneKey(QKeyEvent* event, const QWidget* origin = nullptr);

  // The recent-file entries of the File menu (newest first, at most four).
  void setRecentFiles(const QStringList& files);
  QStringList recentFiles() const { return recent_; }

  // Placement from section "Frame" (the normal geometry, set on the window); true when the
  // window should open maximised.
  bool restorePlacement();
  // The normal geometry to store while maximised, when the window system does not know it (the
  // window made large by hand, without a window manager).
  void setNormalPlacement(const QRect& r) { normalPlacement_ = r; }
  void savePlacementAndLayout();

  void applyInterfaceTheme(int code);
  void applyPaneTheme(int code);
  int interfaceTheme() const { return interfaceTheme_; }
  int paneTheme() const { return paneTheme_; }

  CHushwickView* view() const { return view_; }
  ModeTabStrip* tabStrip() const { return tabStrip_; }
  CommandRegistry* commands() const { return commands_; }
  QDockWidget* pane(int id) const;
  NrOptionsPane* nrOptionsPane() const { return nrOptions_; }
  FilePropertiesPane* filePropertiesPane() const { return fileProperties_; }
  ColourCorrectionPane* colourCorrectionPane() const { return colourCorrection_; }
  ColourMatchPane* colourMatchPane() const { return colourMatch_; }
  // The reference picture and profile slots of colour match; they outlive documents.
  ReferenceStore& referenceStore() { return *referenceStore_; }
  QToolBar* standardToolbar() const { return standardBar_; }
  QToolBar* cropToolbar() const { return cropBar_; }
  // The toolbars' buttons (View > Toolbars > Customize...); setting them refills the toolbars and
  // writes them to the settings.
  const ToolbarButtons& toolbarButtons() const { return toolbarButtons_; }
  void setToolbarButtons(const ToolbarButtons& buttons);
  bool closeRetryPending() const { return closeRetry_.isActive(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createStatusBar();
  void createBars();
  void createPanes();
  void togglePane(int paneId);
  // The mode tab strip and the Crop toolbar follow the mode shown.
  void showModeTab(int tab);
  // Every pane but the one that made the change shows the document again.
  void refreshPanes(const void* origin = nullptr);
  // Triggers the command whose shortcut the key is (when enabled); true when there is one.
  bool triggerShortcut(const QKeyEvent* event);
  CommandFacts facts() const;

  CHushwickDoc& doc_;
  QtUiHost& host_;
  QtSettingsStore& settings_;
  CHushwickView* view_ = nullptr;
  ModeTabStrip* tabStrip_ = nullptr;
  CommandRegistry* commands_ = nullptr;
  QToolBar* standardBar_ = nullptr;
  QToolBar* cropBar_ = nullptr;
  ToolbarButtons toolbarButtons_;
  QRect normalPlacement_;
  QMenu* recentMenu_ = nullptr;
  QList<QAction*> recentActions_;
  QStringList recent_;
  QDockWidget* panes_[4] = {};
  std::unique_ptr<ReferenceStore> referenceStore_;
  NrOptionsPane* nrOptions_ = nullptr;
  FilePropertiesPane* fileProperties_ = nullptr;
  ColourCorrectionPane* colourCorrection_ = nullptr;
  ColourMatchPane* colourMatch_ = nullptr;
  int interfaceTheme_ = 2;
  int paneTheme_ = 5;
  bool clipboardHasImage_ = false;
  QTimer closeRetry_;
};

}  // namespace orvane
