#include "UI/Kit/ItemViews/BVView.h"

#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"

namespace quellsy::ui {

BVView::BVView(QPoint origin, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("bvView"));
  setGeometry(QRect(origin, itemSize()));
  setFixedSize(itemSize());
  // Frames from the tile's bottom left.
  bgImageView_ = new QLabel(this);
  bgImageView_->setObjectName(QStringLiteral("bvBackground"));
  bgImageView_->setScaledContents(true);
  PlaceView(bgImageView_, QRectF(3, 3, 114, 94));
  setBackgroundImage(QStringLiteral("view_bg_normal"));
  imageView_ = new QLabel(this);
  imageView_->setObjectName(QStringLiteral("bvImage"));
  imageView_->setAlignment(Qt::AlignCenter);
  PlaceView(imageView_, QRectF(10, 35, 90, 55));
  titleLabel_ = new QLabel(this);
  titleLabel_->setObjectName(QStringLiteral("bvTitle"));
  titleLabel_->setFont(SystemFont(10));
  PlaceView(titleLabel_, QRectF(30, 2, 80, 20));
  button_ = new QPushButton(this);
  button_->setObjectName(QStringLiteral("bvCheckBox"));
  button_->setAccessibleName(Text("KIT_GRID_CHECK_BOX"));
  button_->setFlat(true);
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setIconSize(QSize(14, 14));
  PlaceView(button_, QRectF(16, 10, 14, 14));
  connect(button_, &QPushButton::clicked, this, &BVView::changeButtonState);
  setCheckBoxImage(QStringLiteral("checkbox_no"));
  deleteIamgeView_ = new QLabel(this);
  deleteIamgeView_->setObjectName(QStringLiteral("bvDeleted"));
  deleteIamgeView_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  deleteIamgeView_->setPixmap(NamedImages::Pixmap(QStringLiteral("deletered"), QSize(16, 16)));
  PlaceView(deleteIamgeView_, QRectF(90, 35, 16, 16));
  deleteIamgeView_->hide();
  setMouseTracking(true);
}

void BVView::setBackgroundImage(const QString& name) {
  backgroundImage_ = name;
  bgImageView_->setPixmap(NamedImages::Pixmap(name, bgImageView_->size()));
}

void BVView::setImage(const QImage& image) {
  if (image.isNull()) {
    imageView_->clear();
    return;
  }
  const QSize room = imageView_->size();
  imageView_->setPixmap(QPixmap::fromImage(
      image.width() > room.width() || image.height() > room.height()
          ? image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
          : image));
}

void BVView::setCheckBoxImage(const QString& name) {
  checkBoxImage_ = name;
  button_->setIcon(QIcon(NamedImages::Pixmap(name, QSize(14, 14))));
}

void BVView::changeButtonState() {
  if (!delegate_ || delegate_->checksLocked()) return;
  // An unchecked file becomes checked; a partly or fully checked one unchecked.
  const int state = delegate_->fileNodeState(listData_) < 1 ? 2 : 0;
  delegate_->setFileNodeState(listData_, state);
  setCheckBoxImage(state == 2 ? QStringLiteral("checkbox_yes") : QStringLiteral("checkbox_no"));
  delegate_->reLoadItemData();
}

void BVView::enterEvent(QEnterEvent* event) {
  setBackgroundImage(QStringLiteral("view_bg_press"));
  update();
  QWidget::enterEvent(event);
}

void BVView::leaveEvent(QEvent* event) {
  setBackgroundImage(QStringLiteral("view_bg_normal"));
  update();
  QWidget::leaveEvent(event);
}

}  // namespace quellsy::ui
