// The File Properties pane: the navigator thumbnail with its red frame, the file summary, the
// output window, the default output folder and the crop controls.
#pragma once

#include <QTimer>
#include <functional>
#include <string>

#include "app/document.h"
#include "app/file_properties_pane.h"
#include "base/rect.h"
#include "shell/panes/pane_widget.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace orvane {

class NavigatorThumbnail;
class SectionLabel;
class ValueSlider;

class FilePropertiesPane : public PaneWidget {
  Q_OBJECT
 public:
  explicit FilePropertiesPane(QWidget* parent = nullptr);

  void AttachDocument(CHushwickDoc* doc) override;
  void RefreshAll();
  void RefreshFrame();
  // The part of the picture the view shows, for the thumbnail's red frame outside Full/Crop.
  void showVisibleRegion(const Rect& region);
  // Sets the output list and acts as if the user had chosen the entry.
  void SelectOutput(int index);

  // The application's default output folder: mode 0 "Recently Used", 1 the folder.
  void setOutputFolder(int mode, const std::string& folder);
  int outputFolderMode() const { return folderMode_; }
  const std::string& outputFolder() const { return folder_; }
  std::function<void(int mode, const std::string& folder)> onOutputFolderChanged;
  // The folder browser (empty: cancelled); replaceable for tests.
  std::function<std::string()> browseFolder;

  NavigatorThumbnail* thumbnail() const { return thumbnail_; }
  QPlainTextEdit* infoBox() const { return info_; }
  QComboBox* outputList() const { return output_; }
  QComboBox* presetList() const { return preset_; }
  ValueSlider* enlargeSlider() const { return enlarge_; }
  QCheckBox* orientation() const { return orientation_; }
  QToolButton* applyCropButton() const { return applyCrop_; }
  QRadioButton* recentlyUsed() const { return recent_; }
  QRadioButton* folderRadio() const { return folderRadio_; }
  QLineEdit* folderBox() const { return folderBox_; }
  ThumbSize thumbSize() const { return thumb_; }

 signals:
  // The view is to show the picture from this fraction of its size (a drag on the thumbnail).
  void scrollRequested(double fx, double fy);
  // The visible region is to be run again (the drag ended, the output window changed).
  void previewRequested();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void browse();
  void showInfo(const std::string& text);
  void makeThumbnail();
  void showFolder();
  // The pane's controls changed the crop record.
  void editCrop(const std::function<void(CropState&)>& change);

  CHushwickDoc* doc_ = nullptr;
  Rect visibleRegion_;
  ThumbSize thumb_;
  QSize thumbnailMadeFor_;
  PictureStamp thumbnailStamp_;
  ThumbSize thumbnailSize_;
  QTimer thumbnailTimer_;
  int folderMode_ = 0;
  std::string folder_;
  NavigatorThumbnail* thumbnail_ = nullptr;
  SectionLabel* fileInfoLabel_ = nullptr;
  QPlainTextEdit* info_ = nullptr;
  SectionLabel* outputLabel_ = nullptr;
  QComboBox* output_ = nullptr;
  QRadioButton* recent_ = nullptr;
  QRadioButton* folderRadio_ = nullptr;
  QLineEdit* folderBox_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  SectionLabel* cropLabel_ = nullptr;
  QComboBox* preset_ = nullptr;
  ValueSlider* enlarge_ = nullptr;
  QCheckBox* orientation_ = nullptr;
  QToolButton* return_ = nullptr;
  QToolButton* applyCrop_ = nullptr;
};

}  // namespace orvane
