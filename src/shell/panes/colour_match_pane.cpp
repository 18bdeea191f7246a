#include "shell/panes/colour_match_pane.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>

#include "app/command_table.h"
#include "app/colour_timer_work.h"
#include "app/document.h"
#include "app/view_rules.h"
#include "shell/controls/navigator_thumbnail.h"
#include "shell/controls/value_slider.h"
#include "shell/file_filter.h"
#include "shell/panes/profile_list_box.h"

namespace orvane {
namespace {

enum class ButtonArt { kLoad, kSave, kDelete };

QIcon ButtonIcon(ButtonArt art) {
  QPixmap pixmap(QSize(16, 16) * 2);
  pixmap.setDevicePixelRatio(2);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (art) {
    case ButtonArt::kLoad:  // an open folder
      p.setPen(QColor(150, 110, 20));
      p.setBrush(QColor(250, 205, 90));
      p.drawRect(QRectF(1.5, 4.5, 12, 9));
      p.setBrush(QColor(255, 230, 140));
      p.drawPolygon(QPolygonF({{3.5, 7.5}, {15, 7.5}, {12.5, 13.5}, {1.5, 13.5}}));
      break;
    case ButtonArt::kSave:  // a disk
      p.setPen(QColor(30, 50, 110));
      p.setBrush(QColor(70, 110, 200));
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4.5, 1.5, 7, 5));
      break;
    case ButtonArt::kDelete:  // a red cross
      p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4, 4), QPointF(12, 12));
      p.drawLine(QPointF(12, 4), QPointF(4, 12));
      break;
  }
  return QIcon(pixmap);
}

QToolButton* ImageButton(ButtonArt art, const QString& tip, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setIcon(ButtonIcon(art));
  b->setToolTip(tip);
  b->setAutoRaise(false);
  return b;
}

}  // namespace

ProfileFolders DefaultProfileFolders() {
  const std::filesystem::path beside = QCoreApplication::applicationDirPath().toStdString();
  const std::filesystem::path installed = beside / ".." / "share" / "orvane-nr" / "profiles";
  std::error_code error;
  return {std::filesystem::is_directory(installed, error) ? installed.lexically_normal() : beside,
          UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))};
}

ColourMatchPane::ColourMatchPane(ReferenceStore& store, SettingsStore& settings,
                                 ProfileFolders folders, QWidget* parent)
    : PaneWidget(kPaneColorMatchId, QSize(kPaneDefaultWidth, 200), parent),
      store_(store),
      settings_(settings),
      folders_(std::move(folders)) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { onTimer(); });

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(3);
  auto* group = new QButtonGroup(this);
  const char* texts[3] = {"No Color Match", "Match Colors to Image", "Match Colors to Profile"};
  int row = 0;
  for (int i = 0; i < 3; ++i) {
    modes_[i] = new QRadioButton(QString::fromLatin1(texts[i]), this);
    group->addButton(modes_[i], i);
    grid->addWidget(modes_[i], row++, 0, 1, 2);
  }
  // The name field, the profile list and the buttons share one row.
  auto* line = new QHBoxLayout;
  line->setSpacing(2);
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("referenceName"));
  name_->setReadOnly(true);
  profileBox_ = new ProfileListBox(this);
  load_ = ImageButton(ButtonArt::kLoad, QStringLiteral("Load Reference Image"), this);
  save_ = ImageButton(ButtonArt::kSave, QStringLiteral("Save To Profile"), this);
  delete_ = ImageButton(ButtonArt::kDelete, QStringLiteral("Delete Profile"), this);
  line->addWidget(name_, 1);
  line->addWidget(profileBox_, 1);
  line->addWidget(load_);
  line->addWidget(save_);
  line->addWidget(delete_);
  grid->addLayout(line, row++, 0, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("Reference Image/Profile"), this), row++, 0, 1, 2);
  preview_ = new NavigatorThumbnail(this);
  preview_->setObjectName(QStringLiteral("referencePreview"));
  preview_->setMinimumSize(kThumbnailMaxWidth, kThumbnailMaxHeight);
  preview_->onFilesDropped = [this](const QStringList& files) { dropFiles(files); };
  preview_->acceptFileDrops(true);
  grid->addWidget(preview_, row++, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Fade"), this), row, 0);
  fade_ = new ValueSlider(this);
  fade_->setObjectName(QStringLiteral("fadeSlider"));
  fade_->setRange(0, 255);
  fade_->setShowValue(true, false);
  grid->addWidget(fade_, row++, 1);
  autoSwitch_ = new QCheckBox(QStringLiteral("Auto Switch to  Full Mode"), this);
  autoSwitch_->setChecked(true);
  grid->addWidget(autoSwitch_, row++, 0, 1, 2);
  grid->setRowStretch(row, 1);
  grid->setColumnStretch(1, 1);

  connect(modes_[0], &QRadioButton::clicked, this, [this] { noMatch(); });
  connect(modes_[1], &QRadioButton::clicked, this, [this] { matchToImage(); });
  connect(modes_[2], &QRadioButton::clicked, this, [this] { matchToProfile(); });
  connect(profileBox_, &QComboBox::activated, this, [this](int index) {
    list_.Select(index);
    matchToProfile();
  });
  connect(load_, &QToolButton::clicked, this, [this] { loadReference(); });
  connect(save_, &QToolButton::clicked, this, [this] { saveProfile(); });
  connect(delete_, &QToolButton::clicked, this, [this] { deleteProfile(); });
  connect(fade_, &ValueSlider::scrolled, this, [this](int code, int position) {
    if (doc_ == nullptr) return;
    ColourParams colour = doc_->colour();
    const MatchPaneEffect effect = OnFadeMoved(state_, colour, position, code == kEndScroll, doc_->viewTab());
    doc_->applyColour(colour, this);
    apply(effect);
  });
  connect(autoSwitch_, &QCheckBox::clicked, this, [this] {
    if (doc_ == nullptr) return;
    readControls();
    if (OnAutoSwitchToggled(state_, state_.autoSwitch) == AutoSwitchAction::kShowFullCrop)
      DoColourTimerWork(*doc_, TimerWork::kRebuildFullCrop);  // nothing without a picture
    else
      RunModeCommand(*doc_, cmd::kDetailMode);
  });

  chooseReference = [this] {
    const QString start = QString::fromStdString(settings_.getString(key::kMatchFolder));
    const QString chosen = QFileDialog::getOpenFileName(this, QString::fromLatin1(kLoadReferenceTitle), start,
                                                        QtFileFilter(kReferenceFilter));
    return chosen.toStdString();
  };
  askProfileName = [this](std::string& name) {
    bool ok = false;
    const QString text = QInputDialog::getText(this, QString::fromLatin1(kProfileNameDialogTitle), QString(),
                                               QLineEdit::Normal, QString::fromLatin1(kDefaultProfileName), &ok);
    name = text.toStdString();
    return ok;
  };

  // Start-up: the list is filled and its first profile read into the profile slot; there is
  // no window yet to say that it is unusable (choosing it says so).
  FillProfileList(list_, folders_, store_.profile);
  profileBox_->showList(list_);
  apply(RefreshFromDocument(state_, ColourParams{}));
}

MatchPaneEffect ColourMatchPane::editColour(const std::function<MatchPaneEffect(MatchDocument)>& rule) {
  ColourParams colour = doc_->colour();
  const MatchPaneEffect effect = rule(MatchDocument{colour, doc_->sourceImage});
  doc_->applyColour(colour, this);
  return effect;
}

void ColourMatchPane::AttachDocument(CHushwickDoc* doc) {
  doc_ = doc;
  apply(RefreshFromDocument(state_, doc_ != nullptr ? doc_->colour() : ColourParams{}));
}

void ColourMatchPane::readControls() {
  for (int i = 0; i < 3; ++i)
    if (modes_[i]->isChecked()) state_.paneMode = i;
  state_.autoSwitch = autoSwitch_->isChecked();
}

void ColourMatchPane::noMatch() {
  if (doc_ == nullptr) return;
  readControls();
  apply(editColour([this](MatchDocument d) { return OnNoColourMatch(state_, d); }));
}

void ColourMatchPane::matchToImage() {
  if (doc_ == nullptr) return;
  readControls();
  apply(editColour([this](MatchDocument d) { return OnMatchToImage(state_, d, store_); }));
}

void ColourMatchPane::matchToProfile() {
  if (doc_ == nullptr) return;
  readControls();
  apply(editColour([this](MatchDocument d) { return OnMatchToProfile(state_, d, store_, list_); }));
}

void ColourMatchPane::loadReference() {
  if (doc_ == nullptr) return;
  readControls();
  const std::string path = chooseReference ? chooseReference() : std::string();
  if (!path.empty()) settings_.setString(key::kMatchFolder, FolderOf(path));
  apply(editColour([&](MatchDocument d) { return OnReferenceChosen(state_, d, store_, path); }));
}

void ColourMatchPane::dropFiles(const QStringList& files) {
  if (doc_ == nullptr || files.isEmpty()) return;
  readControls();
  bool taken = false;
  const MatchPaneEffect effect = editColour([&](MatchDocument d) {
    MatchPaneEffect e;
    taken = OnReferenceDropped(state_, d, store_, files.first().toStdString(), e);
    return e;
  });
  if (taken) apply(effect);
}

void ColourMatchPane::saveProfile() {
  if (doc_ == nullptr) return;
  if (const Result can = CanSaveProfile(store_.reference); !can.succeeded()) {
    doc_->host().showMessage(ResultWords(can));
    return;
  }
  std::string name = kDefaultProfileName;
  if (!askProfileName || !askProfileName(name)) return;
  apply(OnSaveProfile(list_, store_, folders_, name));
  profileBox_->showList(list_);
}

void ColourMatchPane::deleteProfile() {
  if (doc_ == nullptr || list_.SelectedPath().empty()) return;
  if (doc_->host().askYesNo(kDeleteProfileQuestion) != Answer::Yes) return;
  readControls();
  const MatchPaneEffect effect =
      editColour([this](MatchDocument d) { return OnDeleteProfile(state_, d, store_, list_, folders_); });
  profileBox_->showList(list_);
  apply(effect);
}

void ColourMatchPane::apply(const MatchPaneEffect& effect) {
  if (!effect.result.succeeded() && doc_ != nullptr) doc_->host().showMessage(ResultWords(effect.result));
  if (effect.redrawPreview) preview_->setPicture(ImageOfPicture(state_.preview));
  fade_->setPosition(state_.fadePosition);
  name_->setText(QString::fromStdString(state_.nameField));
  // The radio buttons follow the pane mode after every handler.
  writeControls();
  updateVisibility();
  if (effect.timerDelayMs > 0) timer_.start(effect.timerDelayMs);
}

void ColourMatchPane::writeControls() {
  modes_[std::clamp(state_.paneMode, 0, 2)]->setChecked(true);
  autoSwitch_->setChecked(state_.autoSwitch);
}

void ColourMatchPane::updateVisibility() {
  const MatchPaneControls& v = MatchPaneVisibility(state_.paneMode);
  name_->setVisible(v.nameShown);
  name_->setEnabled(v.nameEnabled);
  load_->setVisible(v.loadButtonShown);
  save_->setVisible(v.saveButtonShown);
  profileBox_->setVisible(v.profileListShown);
  delete_->setVisible(v.deleteButtonShown);
  fade_->setEnabled(v.fadeEnabled);
}

void ColourMatchPane::onTimer() {
  timer_.stop();
  if (doc_ == nullptr) return;
  ++timerRuns_;
  DoColourTimerWork(*doc_, MatchTimerWork(doc_->viewTab(), doc_->fullCropMode, state_.autoSwitch));
}

}  // namespace orvane
