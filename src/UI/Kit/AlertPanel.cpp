#include "UI/Kit/AlertPanel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "UI/Kit/ButtonStyles.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {
namespace {

constexpr int kIconSize = 48;
constexpr int kMargin = 20;
constexpr double kCornerRadius = 6.0;

}  // namespace

AlertPanel* AlertPanel::alertWithMessageText(const QString& message, const QString& defaultButton,
                                             const QString& alternateButton, const QString& otherButton,
                                             const QString& informativeText) {
  return new AlertPanel(message, defaultButton, alternateButton, otherButton, informativeText);
}

AlertPanel::AlertPanel(const QString& message, const QString& defaultButton, const QString& alternateButton,
                       const QString& otherButton, const QString& informativeText, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("alertPanel"));
  setAccessibleName(message);
  setAttribute(Qt::WA_TranslucentBackground);

  icon_ = new QLabel(this);
  icon_->setObjectName(QStringLiteral("alertIcon"));
  icon_->setAccessibleName(QStringLiteral("warning"));
  icon_->setFixedSize(kIconSize, kIconSize);
  setIconName(QStringLiteral("warning"));

  message_ = new QLabel(message, this);
  message_->setObjectName(QStringLiteral("alertMessage"));
  message_->setAccessibleName(message);
  message_->setFont(BoldSystemFont(14));
  message_->setWordWrap(true);

  informative_ = new QLabel(informativeText, this);
  informative_->setObjectName(QStringLiteral("alertInformativeText"));
  informative_->setAccessibleName(informativeText);
  informative_->setFont(SystemFont(12));
  informative_->setWordWrap(true);
  informative_->setVisible(!informativeText.isEmpty());

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(10);
  if (!otherButton.isEmpty()) {
    otherButton_ = AddButton(otherButton, kOtherReturn, "alertOtherButton", false);
    buttons->addWidget(otherButton_);
  }
  buttons->addStretch(1);
  if (!alternateButton.isEmpty()) {
    alternateButton_ = AddButton(alternateButton, kAlternateReturn, "alertAlternateButton", false);
    buttons->addWidget(alternateButton_);
  }
  defaultButton_ = AddButton(defaultButton.isEmpty() ? Text("ALERT_DEFAULT_BUTTON") : defaultButton, kDefaultReturn,
                             "alertDefaultButton", true);
  buttons->addWidget(defaultButton_);

  auto* texts = new QVBoxLayout;
  texts->setSpacing(8);
  texts->addWidget(message_);
  texts->addWidget(informative_);
  texts->addStretch(1);

  auto* top = new QHBoxLayout;
  top->setSpacing(16);
  top->addWidget(icon_, 0, Qt::AlignTop);
  top->addLayout(texts, 1);

  // The buttons run along the whole foot of the panel.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin - 4);
  layout->setSpacing(16);
  layout->addLayout(top);
  layout->addLayout(buttons);

  // Buttons keep their whole titles; the panel grows wider when they need it. The texts wrap at the panel's
  // width, and its height is what they and the buttons need there.
  ensurePolished();
  for (QPushButton* button : {otherButton_, alternateButton_, defaultButton_})
    if (button) button->setMinimumWidth(button->sizeHint().width());
  const int width = std::max(kWidth, layout->minimumSize().width());
  setFixedWidth(width);
  setFixedHeight(layout->hasHeightForWidth() ? layout->heightForWidth(width) : layout->sizeHint().height());
}

QPushButton* AlertPanel::AddButton(const QString& title, int code, const char* objectName, bool isDefault) {
  auto* button = new QPushButton(title, this);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAccessibleName(title);
  button->setFont(SystemFont(13));
  button->setStyleSheet(QString::fromLatin1(isDefault ? kDefaultButtonStyle : kPlainButtonStyle));
  button->setCursor(Qt::PointingHandCursor);
  connect(button, &QPushButton::clicked, this, [this, code] { ModalRunner::endRun(this, code); });
  return button;
}

QString AlertPanel::messageText() const { return message_->text(); }

QString AlertPanel::informativeText() const { return informative_->text(); }

QPushButton* AlertPanel::button(int code) const {
  if (code == kDefaultReturn) return defaultButton_;
  if (code == kAlternateReturn) return alternateButton_;
  if (code == kOtherReturn) return otherButton_;
  return nullptr;
}

void AlertPanel::setIconName(const QString& name) { icon_->setPixmap(NamedImages::Pixmap(name, QSize(kIconSize, kIconSize))); }

int AlertPanel::runModal() { return ModalRunner::runModalForWindow(this); }

void AlertPanel::beginSheetModalForWindow(TCImageWindow* window, std::function<void(int)> done) {
  ModalRunner::beginSheet(this, window, [this, done = std::move(done)](int code) {
    if (done) done(code);
    deleteLater();
  });
}

void AlertPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath outline;
  outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
  painter.fillPath(outline, Qt::white);
  painter.setPen(QColor(0xc4, 0xca, 0xd1));
  painter.drawPath(outline);
}

void AlertPanel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    defaultButton_->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace quellsy::ui
