#include "UI/Shell/KDSelectTypeViewController.h"

#include <QLabel>
#include <algorithm>

#include "UI/Kit/Fonts.h"
#include "UI/Kit/RVTCustemButton.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Shell/PageLook.h"

namespace quellsy::ui {
namespace {

constexpr int kKinds = 7;

std::vector<std::string> AllKinds() {
  std::vector<std::string> kinds;
  for (int bit = 0; bit < kKinds; ++bit) kinds.push_back(std::to_string(1 << bit));
  return kinds;
}

QLabel* TileText(const QString& text, const char* name, const QFont& font, const QColor& colour, const QRect& rect,
                 QWidget* tile) {
  QLabel* label = MakePageLabel(text, QString::fromLatin1(name), font, colour, tile);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->setGeometry(rect);
  return label;
}

}  // namespace

KDSelectTypeViewController::KDSelectTypeViewController(KDSelectTypeViewControllerDelegate* delegate, QWidget* parent)
    : QWidget(parent), delegate_(delegate), selectArr_(AllKinds()) {
  setObjectName(QStringLiteral("selectTypePage"));
  setAccessibleName(Text("RVT_TWO_PAGE_TITLE"));
  resize(kWidth, kHeight);
  PaintWhite(this);

  labelTextButton_ = new TCImageButton(this);
  labelTextButton_->setObjectName(QStringLiteral("selectTypeTitle"));
  labelTextButton_->setImageFromFileNormalName(QStringLiteral("text"), QStringLiteral("text"), QStringLiteral("text"),
                                               QStringLiteral("text"));
  labelTextButton_->setAccessibleName(Text("RVT_TWO_PAGE_TITLE"));
  labelTextButton_->setAttribute(Qt::WA_TransparentForMouseEvents);
  PlaceView(labelTextButton_, {190, 472, 510, 40});
  QLabel* heading = TileText(Text("RVT_TWO_PAGE_TITLE"), "selectTypeHeading",
                             NamedFont(QStringLiteral("Helvetica Neue Light"), 24), kPageInk,
                             QRect(0, 0, 510, 40), labelTextButton_);
  heading->setAlignment(Qt::AlignCenter);

  diskButton_ = new TCImageButton(this);
  diskButton_->setObjectName(QStringLiteral("selectTypePicture"));
  diskButton_->setAccessibleName(Text("RVT_TWO_PAGE_TITLE"));
  diskButton_->setImageFromFileNormalName(QStringLiteral("icon_b"), QStringLiteral("icon_b"), QStringLiteral("icon_b"),
                                          QStringLiteral("icon_b"));
  diskButton_->setAttribute(Qt::WA_TransparentForMouseEvents);
  PlaceView(diskButton_, {10, 135, 440, 340});

  deleteButton_ = MakeModeTile("deletedRecoveryTile", "d-recover", 1, {444, 340, 410, 90}, "RVT_TWO_DELETED_TITLE",
                               "RVT_TWO_DELETED_NOTE");
  formatButton_ = MakeModeTile("formatRecoveryTile", "f-recover", 2, {444, 246, 410, 90}, "RVT_TWO_FORMAT_TITLE",
                               "RVT_TWO_FORMAT_NOTE");
  completeButton_ = MakeModeTile("completeRecoveryTile", "c-recover", 3, {444, 152, 410, 90}, "RVT_TWO_COMPLETE_TITLE",
                                 "RVT_TWO_COMPLETE_NOTE");
  deleteButton_->setButtonClicked(true);
  deleteButton_->setChecked(true);

  nextButton_ = new TCImageButton(this);
  nextButton_->setObjectName(QStringLiteral("selectTypeNextButton"));
  nextButton_->setImageFromFileNormalName(QStringLiteral("next_normal"), QStringLiteral("next_press"),
                                          QStringLiteral("next_hover"), QStringLiteral("next_disable"));
  PlaceView(nextButton_, {312, 12, 300, 70});
  nextButton_->setTextWithName(Text("RVT_TWO_CONTINUE_BUTTON"), QRectF(0, 0, 300, 70));
  nextButton_->textField()->setFont(BoldSystemFont(17));
  connect(nextButton_, &QAbstractButton::clicked, this, [this] { nextButtonAction(); });
}

TCImageButton* KDSelectTypeViewController::MakeModeTile(const char* name, const char* stem, int tag,
                                                        const QRectF& frame, const char* titleKey,
                                                        const char* noteKey) {
  auto* tile = new TCImageButton(this);
  tile->setObjectName(QString::fromLatin1(name));
  tile->setAccessibleName(Text(titleKey));
  tile->setProperty("tag", tag);
  tile->setCheckable(true);
  const QString images = QString::fromLatin1(stem);
  tile->setImageFromFileNormalName(images + "-normal", images + "-select", images + "-hover", images + "-normal");
  PlaceView(tile, frame);
  TileText(Text(titleKey), "modeTileTitle", BoldSystemFont(16), kPageInk, QRect(96, 14, 290, 24),
           tile);
  TileText(Text(noteKey), "modeTileNote", SystemFont(12.5), kPageMuted, QRect(96, 40, 296, 44), tile);
  connect(tile, &QAbstractButton::clicked, this, [this, tile] { selectScanTypeButtonClick(tile); });
  return tile;
}

RVTCustemButton* KDSelectTypeViewController::buildTypeButtonWithTitleStr(const QString&, const QString&,
                                                                         const QString& icon, const QString& hoverIcon,
                                                                         int tag, const QRectF& frame) {
  auto* tile = new RVTCustemButton(this);
  tile->setObjectName(QStringLiteral("fileKindTile%1").arg(tag));
  tile->setAccessibleName(QStringLiteral("%1").arg(1 << tag));
  PlaceView(tile, frame);
  tile->setIconImage(icon, hoverIcon);
  tile->setButtonTag(tag);
  connect(tile, &QAbstractButton::clicked, this, [this, tile] { selectButtonClick(tile); });
  tile->show();
  allTypeButton_.push_back(tile);
  return tile;
}

void KDSelectTypeViewController::selectButtonClick(RVTCustemButton* tile) {
  tile->changeButtonStart(tile->isSelected());
  changeAllSelectState(tile);
}

void KDSelectTypeViewController::changeAllSelectState(RVTCustemButton* tile) {
  const std::string kind = std::to_string(1 << tile->buttonTag());
  const auto found = std::find(selectArr_.begin(), selectArr_.end(), kind);
  if (found != selectArr_.end())
    selectArr_.erase(found);
  else
    selectArr_.push_back(kind);
  if (selectArr_.empty()) {
    alltypesImage_ = QStringLiteral("checkbox_no");
    selectAllCount_ = 0;
  } else if (selectArr_.size() == kKinds) {
    alltypesImage_ = QStringLiteral("checkbox_yes");
    selectAllCount_ = 1;
  } else {
    alltypesImage_ = QStringLiteral("checkbox_half");
    selectAllCount_ = 2;
  }
  SetNextUsable(!selectArr_.empty());
}

void KDSelectTypeViewController::allTypesButtonClick() {
  selectArr_.clear();
  const bool selectAll = selectAllCount_ != 1;
  selectAllCount_ = selectAll ? 1 : 0;
  alltypesImage_ = selectAll ? QStringLiteral("checkbox_yes") : QStringLiteral("checkbox_no");
  if (selectAll) selectArr_ = AllKinds();
  SetNextUsable(selectAll);
  for (RVTCustemButton* tile : allTypeButton_) tile->changeButtonStart(selectAll);
  if (delegate_) delegate_->isSelectOffice(selectAll);
}

void KDSelectTypeViewController::selectScanTypeButtonClick(TCImageButton* tile) {
  for (TCImageButton* mode : {deleteButton_, formatButton_, completeButton_}) {
    mode->setButtonClicked(mode == tile);
    mode->setChecked(mode == tile);
  }
  // Format recovery reads what the file system still holds, as deleted-file recovery does: both scan quickly.
  const int type = tile == completeButton_ ? 2 : 1;
  if (delegate_) delegate_->changeScanTypeWithNum(type);
}

void KDSelectTypeViewController::nextButtonAction() {
  if (delegate_) delegate_->nextButtonActionWithAllTypeArr(selectArr_);
}

void KDSelectTypeViewController::removeSelectOffice() {
  const auto found = std::find(selectArr_.begin(), selectArr_.end(), std::string("8"));
  if (found != selectArr_.end()) selectArr_.erase(found);
}

void KDSelectTypeViewController::SetNextUsable(bool usable) { nextButton_->setButtonEnabled(usable); }

}  // namespace quellsy::ui
