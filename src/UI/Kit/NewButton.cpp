#include "UI/Kit/NewButton.h"

#include <QApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <atomic>
#include <cmath>

#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"

namespace quellsy::ui {
namespace {

constexpr qreal kCheckBoxSide = 14;
// A text cell's own inset of its text, so that the name does not touch the icon.
constexpr qreal kLabelInset = 3;

std::atomic<int>& ClickLatch() {
  static std::atomic<int> latch{0};
  return latch;
}

std::atomic<int>& LatchMilliseconds() {
  static std::atomic<int> milliseconds{NewButton::kLatchMilliseconds};
  return milliseconds;
}

QImage ImageOf(const QVariant& value) {
  if (value.canConvert<QImage>() && value.typeId() == QMetaType::QImage) return value.value<QImage>();
  if (value.typeId() == QMetaType::QPixmap) return value.value<QPixmap>().toImage();
  if (value.typeId() == QMetaType::QIcon) return value.value<QIcon>().pixmap(18, 18).toImage();
  return QImage();
}

}  // namespace

QString TreeCheckBoxImageName(int state) {
  if (state == 2) return QStringLiteral("pf_checkbox_yes");
  if (state == 1) return QStringLiteral("pf_checkbox_half");
  return QStringLiteral("pf_checkbox_no");
}

NewButton::NewButton(QObject* parent) : QStyledItemDelegate(parent) {}

QRectF NewButton::iconImageRectForBounds(const QRectF& frame, bool hasIcon) {
  if (!hasIcon) return QRectF();
  const QSizeF icon = _iconImageSzie();
  return QRectF(frame.x() + 17, frame.y() + std::ceil((frame.height() - icon.height()) / 2), icon.width(),
                icon.height());
}

QRectF NewButton::imageRectForBounds(const QRectF& frame, bool hasLabel, bool hasIcon) {
  if (!hasLabel) return QRectF();
  const QSizeF label = _imageSize();
  return QRectF(frame.x() + (hasIcon ? 35 : 10), frame.y() + std::ceil((frame.height() - label.height()) / 2),
                label.width(), label.height());
}

QRectF NewButton::checkBoxArea(const QRectF& frame) { return QRectF(frame.x(), frame.y(), 15, 30); }

void NewButton::changeVlaue() { ClickLatch() = 0; }

bool NewButton::IsLatched() { return ClickLatch() != 0; }

void NewButton::SetLatchMilliseconds(int milliseconds) { LatchMilliseconds() = milliseconds; }

NewButton::Row NewButton::ReadRow(const QModelIndex& index) {
  Row row;
  const QVariant display = index.data(Qt::DisplayRole);
  row.hasLabel = display.isValid();
  row.label = display.toString();
  row.icon = ImageOf(index.data(Qt::DecorationRole));
  row.node = static_cast<OpNodeData*>(index.data(kNodeRole).value<void*>());
  row.checkState = index.data(Qt::CheckStateRole);
  return row;
}

void NewButton::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const Row row = ReadRow(index);
  QStyleOptionViewItem background = option;
  initStyleOption(&background, index);
  background.text.clear();
  background.icon = QIcon();
  background.features &= ~QStyleOptionViewItem::HasCheckIndicator;
  const QWidget* view = option.widget;
  QStyle* style = view ? view->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, view);

  const QRectF frame(option.rect);
  const bool hasIcon = !row.icon.isNull();
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform);
  if (hasIcon) painter->drawImage(iconImageRectForBounds(frame, true), row.icon);
  if (row.hasLabel) {
    const QRectF labelRect = imageRectForBounds(frame, true, hasIcon);
    const bool selected = option.state & QStyle::State_Selected;
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(SystemFont(13));
    // The label is 800 points wide whatever the column: the view clips what does not fit.
    painter->drawText(labelRect.adjusted(kLabelInset, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, row.label);
  }
  if (row.checkState.isValid()) {
    const int state = row.checkState.toInt();
    const QRectF area = checkBoxArea(frame);
    const qreal height = std::min(area.height(), frame.height());
    // On whole points, so the mark stays sharp.
    const QRectF box(area.x() + std::floor((area.width() - kCheckBoxSide) / 2),
                     area.y() + std::floor((height - kCheckBoxSide) / 2), kCheckBoxSide, kCheckBoxSide);
    painter->drawImage(box, NamedImages::Image(TreeCheckBoxImageName(state), box.size().toSize(),
                                               painter->device()->devicePixelRatioF()));
  }
  painter->restore();
}

QSize NewButton::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QSize base = QStyledItemDelegate::sizeHint(option, index);
  const int textWidth = QFontMetrics(SystemFont(13)).horizontalAdvance(index.data(Qt::DisplayRole).toString());
  return QSize(35 + textWidth + 8, std::max(base.height(), 22));
}

bool NewButton::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                            const QModelIndex& index) {
  const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
  if (press) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QRectF area = checkBoxArea(QRectF(option.rect));
    const QPointF at = mouse->position();
    // Right and bottom edges excluded: a press 15 points in is beside the box.
    const bool inside = at.x() >= area.left() && at.x() < area.right() && at.y() >= area.top() && at.y() < area.bottom();
    if (mouse->button() == Qt::LeftButton && inside) {
      int expected = 0;
      // Held off: no hit, so the view treats the press as a press on the row.
      if (!ClickLatch().compare_exchange_strong(expected, 1))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
      const Row row = ReadRow(index);
      label_ = row.label;
      iconImageCell_ = row.icon;
      opNodeData_ = row.node;
      if (delegate_) delegate_->clickButtonAction(*this);
      QTimer::singleShot(LatchMilliseconds().load(), [] { changeVlaue(); });
      return true;
    }
  }
  return QStyledItemDelegate::editorEvent(event, model, option, index);
}

}  // namespace quellsy::ui
