// "Profile Name": the name a colour profile is saved under.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace orvane {

class ProfileNameDialog : public QDialog {
  Q_OBJECT
 public:
  ProfileNameDialog(const QString& name, QWidget* parent);
  QString name() const;
  QLineEdit* nameEdit() const { return edit_; }

  // Shows the dialog with "Profile" filled in; true with the entered text on OK.
  static bool ask(QWidget* parent, QString* name);

 private:
  QLineEdit* edit_ = nullptr;
};

}  // namespace orvane
