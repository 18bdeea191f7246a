#include "shell/dialogs/profile_name_dialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace orvane {

ProfileNameDialog::ProfileNameDialog(const QString& name, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ProfileName"));
  setWindowTitle(QStringLiteral("Profile Name"));
  auto* layout = new QVBoxLayout(this);
  edit_ = new QLineEdit(name, this);
  edit_->selectAll();
  edit_->setMinimumWidth(240);
  layout->addWidget(edit_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString ProfileNameDialog::name() const { return edit_->text(); }

bool ProfileNameDialog::ask(QWidget* parent, QString* name) {
  ProfileNameDialog dialog(QStringLiteral("Profile"), parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (name != nullptr) *name = dialog.name();
  return true;
}

}  // namespace orvane
