#include "shell/dialogs/folder_browser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/ensure_folder.h"
#include "app/host.h"

namespace orvane {

FolderBrowser::FolderBrowser(UiHost& host, const QString& caption, const QString& prompt,
                             const QString& startFolder, QWidget* owner)
    : QDialog(owner), host_(host) {
  setObjectName(QStringLiteral("FolderBrowser"));
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  if (!prompt.isEmpty()) layout->addWidget(new QLabel(prompt, this));
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("FolderPath"));
  edit_->setMaxLength(kMaxPath);
  layout->addWidget(edit_);
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QStringLiteral("/"));
  tree_ = new QTreeView(this);
  tree_->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->header()->hide();
  tree_->setMinimumSize(420, 360);
  layout->addWidget(tree_, 1);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons_);
  connect(buttons_, &QDialogButtonBox::accepted, this, &FolderBrowser::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &FolderBrowser::reject);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { selectionChanged(); });
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    chosen_ = text;
    okButton()->setEnabled(!text.isEmpty());
  });

  start_ = QDir::cleanPath(startFolder.isEmpty() ? QDir::currentPath() : startFolder);
  const QModelIndex index = model_->index(start_);
  if (index.isValid()) tree_->setCurrentIndex(index);
  // The model reads folders in the background: each folder read above the start folder adds
  // rows before it and moves it down, out of view, until it is scrolled to again.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& folder) {
    if (start_ == folder || start_.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + '/'))
      keepStartInView();
  });
  connect(model_, &QAbstractItemModel::layoutChanged, this, [this] { keepStartInView(); });
  selectionChanged();
}

void FolderBrowser::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  keepStartInView();
}

void FolderBrowser::keepStartInView() {
  // Only until the user has gone elsewhere.
  const QModelIndex current = tree_->currentIndex();
  if (!current.isValid() || QDir::cleanPath(model_->filePath(current)) != start_) return;
  tree_->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

QPushButton* FolderBrowser::okButton() const { return buttons_->button(QDialogButtonBox::Ok); }

void FolderBrowser::selectionChanged() {
  const QString path = model_->filePath(tree_->currentIndex());
  okButton()->setEnabled(!path.isEmpty());
  edit_->setText(path);
  chosen_ = path;
}

void FolderBrowser::accept() {
  const QString path = edit_->text().left(kMaxPath);
  if (EnsureFolder(path.toStdString(), true, host_) != kFolderReady) {
    edit_->setFocus();
    return;
  }
  chosen_ = path;
  QDialog::accept();
}

bool FolderBrowser::run(QString* path) {
  if (exec() != QDialog::Accepted) return false;
  if (path != nullptr) *path = chosen_;
  return true;
}

}  // namespace orvane
