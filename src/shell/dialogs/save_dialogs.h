// The Save sequence's dialogs in the window: "Save image" and then, for a ".jpg" name, the JPEG
// options.
#pragma once

#include <QString>
#include <functional>

#include "app/save_sequence.h"

class QFileDialog;
class QWidget;

namespace orvane {

class UiHost;

class QtSaveDialogs : public SaveDialogs {
 public:
  QtSaveDialogs(UiHost& host, QWidget* parent) : host_(host), parent_(parent) {}

  std::string askSavePath(const SaveDialogRequest& request) override;
  bool askJpegOptions(JpegOptionsRequest& request) override;

 private:
  UiHost& host_;
  QWidget* parent_;
};

// The "Save image" dialog as askSavePath sets it up, not yet shown (tests look at it).
void SetUpSaveDialog(QFileDialog& dialog, const SaveDialogRequest& request);

}  // namespace orvane
