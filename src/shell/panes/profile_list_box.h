// The profile list of the Color Match pane: a drop-down list of profile files, each entry drawn
// 55 pixels high with half the profile's thumbnail (from a cache of 20) and its name.
#pragma once

#include <QComboBox>

#include "app/profile_list.h"

namespace orvane {

class ProfileListBox : public QComboBox {
  Q_OBJECT
 public:
  explicit ProfileListBox(QWidget* parent = nullptr);

  // Shows the entries and the selection of list.
  void showList(const ProfileList& list);
  ProfileThumbnailCache& cache() { return cache_; }
  // Draws one entry (the list's rows and the closed box use it).
  void drawEntry(QPainter& p, const QRect& rect, const QString& path, bool selected,
                 bool enabled);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return {60, ProfileEntryLook::kHeight}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ProfileThumbnailCache cache_;
};

}  // namespace orvane
