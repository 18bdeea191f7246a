#include "shell/panes/profile_list_box.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include "shell/controls/navigator_thumbnail.h"

namespace orvane {
namespace {

class EntryDelegate : public QStyledItemDelegate {
 public:
  explicit EntryDelegate(ProfileListBox* box) : QStyledItemDelegate(box), box_(box) {}
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {100, ProfileEntryLook::kHeight};
  }
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    box_->drawEntry(*p, option.rect, index.data().toString(),
                    option.state & QStyle::State_Selected, option.state & QStyle::State_Enabled);
  }

 private:
  ProfileListBox* box_;
};

}  // namespace

ProfileListBox::ProfileListBox(QWidget* parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("profileList"));
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(8);
  setItemDelegate(new EntryDelegate(this));
  view()->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}

QSize ProfileListBox::sizeHint() const { return {150, ProfileEntryLook::kHeight + 4}; }

void ProfileListBox::showList(const ProfileList& list) {
  const QSignalBlocker quiet(this);
  clear();
  for (const std::string& path : list.Entries()) addItem(QString::fromStdString(path));
  setCurrentIndex(list.Selection());
}

void ProfileListBox::drawEntry(QPainter& p, const QRect& rect, const QString& path, bool selected,
                               bool enabled) {
  using Look = ProfileEntryLook;
  const QColor back = !enabled ? palette().color(QPalette::Button)
                      : selected ? QColor(Look::kSelectedRed, Look::kSelectedGreen, Look::kSelectedBlue)
                                 : QColor(Qt::white);
  p.fillRect(rect, back);
  p.setPen(enabled ? QColor(Qt::black) : QColor(128, 128, 128));
  const QString name = QString::fromStdString(ShownProfileName(path.toStdString()));
  QRect r = rect.adjusted(Look::kTextLeft, 0, 0, 0);
  if (rect.height() < Look::kThumbnailFromHeight) {
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, name);
    return;
  }
  r.setTop(r.top() + Look::kTopOffset);
  int thumbWidth = 0;
  if (const RasterImage* thumb = cache_.Get(path.toStdString())) {
    const QImage image = ImageOfPicture(*thumb);
    p.drawImage(r.topLeft(), image);
    thumbWidth = image.width();
  }
  p.drawText(r.adjusted(thumbWidth + Look::kNameGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
             name);
  p.setPen(QColor(160, 160, 160));
  p.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
}

void ProfileListBox::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  p.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  if (currentIndex() >= 0)
    drawEntry(p, field, currentText(), false, isEnabled());
}

}  // namespace orvane
