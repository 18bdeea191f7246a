// A folder chooser that also takes a typed path and offers to make a missing folder. It never
// returns a folder that is invalid or does not exist.
#pragma once

#include <QDialog>
#include <QString>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTreeView;

namespace orvane {

class UiHost;

class FolderBrowser : public QDialog {
  Q_OBJECT
 public:
  // startFolder empty: the current working folder.
  FolderBrowser(UiHost& host, const QString& caption, const QString& prompt,
                const QString& startFolder, QWidget* owner);

  // True with the chosen folder in *path, false when cancelled.
  bool run(QString* path);
  QString chosenPath() const { return chosen_; }

  QLineEdit* pathEdit() const { return edit_; }
  QTreeView* tree() const { return tree_; }
  QPushButton* okButton() const;

  // Typed paths are cut to this many characters, as the chooser always did.
  static constexpr int kMaxPath = 260;

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void selectionChanged();
  // Scrolls the start folder into view while it is still the one selected.
  void keepStartInView();

  UiHost& host_;
  QFileSystemModel* model_ = nullptr;
  QTreeView* tree_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  QString chosen_;
  QString start_;
};

}  // namespace orvane
