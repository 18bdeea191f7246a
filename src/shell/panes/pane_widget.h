// The body of a docking pane: its controls, refreshed from the document the main window hands
// it. The object name "paneBody<id>" lets the main window see keys typed in the pane.
#pragma once

#include <QSize>
#include <QWidget>

namespace orvane {

class CHushwickDoc;

class PaneWidget : public QWidget {
 public:
  PaneWidget(int paneId, QSize size, QWidget* parent) : QWidget(parent), size_(size) {
    setObjectName(QStringLiteral("paneBody%1").arg(paneId));
    setFocusPolicy(Qt::StrongFocus);
  }
  // Stores the document (may be null) and refreshes the controls from it.
  virtual void AttachDocument(CHushwickDoc* doc) = 0;
  // The creation size of the pane in device-independent pixels (scaled with the screen).
  QSize sizeHint() const override { return size_; }

 private:
  QSize size_;
};

}  // namespace orvane
