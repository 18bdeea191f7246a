// A section heading of the File Properties pane: a coloured bar with white bold text, pale
// when disabled.
#pragma once

#include <QWidget>

namespace orvane {

class SectionLabel : public QWidget {
 public:
  SectionLabel(const QString& text, QWidget* parent = nullptr);
  QString text() const { return text_; }
  QSize sizeHint() const override { return {120, 16}; }
  QSize minimumSizeHint() const override { return {40, 16}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

}  // namespace orvane
