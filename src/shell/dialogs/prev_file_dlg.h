// The open dialog with a picture preview beside the file list: a "&Preview" check box whose
// state lasts for the program's run, the preview area and the previewed file's pixel size.
#pragma once

#include <QFileDialog>
#include <QFrame>
#include <QImage>
#include <memory>

#include "app/open_preview.h"

class QCheckBox;
class QLabel;

namespace orvane {

// The preview: a small decode of the selected picture, centred on grey in a one-pixel border.
class PreviewArea : public QFrame {
  Q_OBJECT
 public:
  explicit PreviewArea(QWidget* parent = nullptr);
  // Shows a decoded preview (already fitted into the area) of a picture of fullSize.
  void showPicture(const QImage& image, QSize fullSize);
  // Empties the area; the last known full size stays.
  void clear();
  // The room a preview has inside the border.
  QSize room() const { return contentsRect().size(); }
  const QImage& image() const { return image_; }
  // The full size of the last picture previewed successfully; 0 x 0 before any.
  QSize fullSize() const { return fullSize_; }
  QSize sizeHint() const override { return QSize(222, 222); }

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
  ~CPrevFileDlg() override;

  // Shows the dialog; the chosen file, or empty when cancelled.
  QString choose();

  PreviewArea* previewArea() const { return preview_; }
  QCheckBox* previewCheck() const { return check_; }
  QLabel* sizeText() const { return sizeText_; }
  // Whether the preview is on, for every open dialog of this run.
  static bool previewOn();
  static void setPreviewOn(bool on);
  // Whether a selected file's preview is still being decoded.
  bool previewPending() const { return pending_; }

 signals:
  // A decoded preview was put up (fullSize: the picture's size in the file).
  void previewShown(QSize fullSize);

 private:
  void selectionChanged(const QString& path);
  // The name box names a folder: no preview, as when the folder changes.
  void nameTyped(const QString& text);
  void clearPreview();
  // Puts up the newest decode, when it has arrived.
  void previewReady();
  void updateSizeText();

  PreviewArea* preview_ = nullptr;
  QCheckBox* check_ = nullptr;
  QLabel* sizeText_ = nullptr;
  QString current_;
  // Shared with the worker that decodes, which may outlive the dialog by one decode.
  std::shared_ptr<PreviewRequests> requests_;
  bool pending_ = false;
};

class SettingsStore;

// The reference picture's dialog: "Load Source Image" in the folder remembered under
// "Document"/"MatchPath", which then becomes the chosen file's folder. Empty when cancelled.
QString ChooseReferenceImage(QWidget* parent, SettingsStore& settings);

}  // namespace orvane
