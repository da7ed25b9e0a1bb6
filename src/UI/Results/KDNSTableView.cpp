#include "UI/Results/KDNSTableView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

#include "Bridge/NotificationCenter.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/Texts.h"
#include "UI/Results/CheckMarks.h"
#include "UI/Results/CustomHeaderCell.h"

namespace quellsy::ui {
namespace {

constexpr QRect kSelectAllFrame{5, 3, 14, 14};
constexpr QSize kArrowSize{82, 39};

}  // namespace

KDNSTableView::KDNSTableView(QWidget* parent) : QTableView(parent) {
  header_ = new CustomHeaderCell(this);
  setHorizontalHeader(header_);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  setShowGrid(false);
  setAlternatingRowColors(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setTextElideMode(Qt::ElideMiddle);
  setFrameShape(QFrame::NoFrame);
  setFont(NamedFont(QStringLiteral("Helvetica"), 12));

  selectAllButton_ = new QToolButton(header_);
  selectAllButton_->setObjectName(QStringLiteral("selectAllButton"));
  selectAllButton_->setAccessibleName(Text("SELECT_ALL"));
  selectAllButton_->setAutoRaise(true);
  selectAllButton_->setIconSize(kSelectAllFrame.size());
  selectAllButton_->setGeometry(kSelectAllFrame);
  selectAllButton_->setStyleSheet(QStringLiteral("QToolButton{border:none;padding:0;background:transparent}"));
  setSelectAllState(0);
}

void KDNSTableView::setSelectAllState(int state) {
  selectAllState_ = state;
  selectAllButton_->setIcon(QIcon(NamedImages::Pixmap(CheckImageName(state), kSelectAllFrame.size())));
  selectAllButton_->setAccessibleDescription(CheckImageName(state));
}

void KDNSTableView::changeNoValue(int remove) {
  if (remove) {
    delete noValueView_;
    noValueView_ = nullptr;
    nodeView_ = nullptr;
    return;
  }
  if (noValueView_) return;
  noValueView_ = new QWidget(viewport());
  noValueView_->setObjectName(QStringLiteral("tableNoValueView"));
  // The ground's picture is one colour: tiled, it looks as stretched, without scaling a picture to the whole
  // listing on the GUI thread when the note first shows during a scan.
  QPalette ground = noValueView_->palette();
  ground.setBrush(QPalette::Window, QBrush(NamedImages::Pixmap(QStringLiteral("bg_150"))));
  noValueView_->setPalette(ground);
  noValueView_->setAutoFillBackground(true);
  nodeView_ = new QWidget(noValueView_);
  nodeView_->setObjectName(QStringLiteral("tableNoValueNote"));
  auto* arrow = new QLabel(nodeView_);
  arrow->setPixmap(NamedImages::Pixmap(QStringLiteral("arrow"), kArrowSize));
  arrow->setFixedSize(kArrowSize);
  auto* text = new QLabel(Text("RVT_FOUR_NO_VALUE_NOTE"), nodeView_);
  text->setObjectName(QStringLiteral("tableNoValueText"));
  text->setAccessibleName(text->text());
  text->setFont(SystemFont(14));
  text->setStyleSheet(QStringLiteral("color:gray"));
  text->setWordWrap(true);
  auto* row = new QHBoxLayout(nodeView_);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(arrow, 0, Qt::AlignTop);
  row->addWidget(text, 1, Qt::AlignTop);
  noValueView_->show();
  changeFrame();
}

void KDNSTableView::changeFrame() {
  if (!noValueView_) return;
  noValueView_->setGeometry(viewport()->rect());
  const QSize area = viewport()->size();
  nodeView_->setGeometry((area.width() - kNoteSize.width()) / 2, (area.height() - kNoteSize.height()) / 2,
                         kNoteSize.width(), kNoteSize.height());
}

void KDNSTableView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    bridge::NotificationCenter::Default().Post({kSpacePreviewNotification, {}, {}});
    return;
  }
  QTableView::keyPressEvent(event);
}

void KDNSTableView::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  changeFrame();
}

}  // namespace quellsy::ui
