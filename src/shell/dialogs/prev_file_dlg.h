// The open dialog with a picture preview beside the file list: a "&Preview" check box whose
// state lasts for the program's run, the preview area and the previewed file's pixel size.
#pragma once

#include <QFileDialog>
#include <QFrame>
#include <QImage>

class QCheckBox;
class QLabel;

namespace orvane {

// The preview: a small decode of the selected picture, centred on grey in a one-pixel border.
class PreviewArea : public QFrame {
  Q_OBJECT
 public:
  explicit PreviewArea(QWidget* parent = nullptr);
  // Decodes path at about the area's size. False when it cannot be read (the area is then
  // empty and the last known full size stays).
  bool preview(const QString& path);
  void clear();
  const QImage& image() const { return image_; }
  // The full size of the last picture previewed successfully; 0 x 0 before any.
  QSize fullSize() const { return fullSize_; }
  QSize sizeHint() const override { return QSize(200, 200); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
  QSize fullSize_;
};

class CPrevFileDlg : public QFileDialog {
  Q_OBJECT
 public:
  // filter: the core's "description|patterns|...||" list.
  CPrevFileDlg(QWidget* parent, const QString& title, const std::string& filter,
               const QString& startFolder);

  // Shows the dialog; the chosen file, or empty when cancelled.
  QString choose();

  PreviewArea* previewArea() const { return preview_; }
  QCheckBox* previewCheck() const { return check_; }
  QLabel* sizeText() const { return sizeText_; }
  // Whether the preview is on, for every open dialog of this run.
  static bool previewOn();
  static void setPreviewOn(bool on);

 private:
  void selectionChanged(const QString& path);
  void updateSizeText();

  PreviewArea* preview_ = nullptr;
  QCheckBox* check_ = nullptr;
  QLabel* sizeText_ = nullptr;
  QString current_;
};

class SettingsStore;

// The reference picture's dialog: "Load Source Image" in the folder remembered under
// "Document"/"MatchPath", which then becomes the chosen file's folder. Empty when cancelled.
QString ChooseReferenceImage(QWidget* parent, SettingsStore& settings);

}  // namespace orvane
