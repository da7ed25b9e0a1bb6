#include "UI/Results/KDDeepScanViewController.h"

#include <QLabel>

#include "UI/Kit/Fonts.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "Utility/CatchExeception.h"

namespace quellsy::ui {

KDDeepScanViewController::KDDeepScanViewController(QWidget* parent)
    : QWidget(parent), deepScanNodeLabel_(new QLabel(this)), closeButton_(new TCImageButton(this)) {
  setObjectName(QStringLiteral("deepScanHint"));
  setAccessibleName(Text("Deep Scan"));
  resize(kSize);

  deepScanNodeLabel_->setObjectName(QStringLiteral("deepScanNodeLabel"));
  deepScanNodeLabel_->setWordWrap(true);
  deepScanNodeLabel_->setFont(NamedFont(QStringLiteral("Helvetica Neue Light"), 13));
  deepScanNodeLabel_->setText(Text("RVT_FOUR_DEEPSCAN_NODE"));
  deepScanNodeLabel_->setAccessibleName(deepScanNodeLabel_->text());
  PlaceView(deepScanNodeLabel_, QRectF(10, 6, kSize.width() - 44, kSize.height() - 12));

  closeButton_->setObjectName(QStringLiteral("deepScanCloseButton"));
  closeButton_->setAccessibleName(Text("WINDOW_CLOSE_BUTTON"));
  closeButton_->setToolTip(Text("WINDOW_CLOSE_BUTTON"));
  closeButton_->setImageFromFileNormalName(QStringLiteral("hint_close_normal"), QStringLiteral("hint_close_press"),
                                           QStringLiteral("hint_close_hover"), QStringLiteral("hint_close_disable"));
  PlaceView(closeButton_, QRectF(kSize.width() - 26, kSize.height() - 24, 16, 16));
  connect(closeButton_, &TCImageButton::clicked, this, &KDDeepScanViewController::closeButtonAction);

  setTextFiled();
}

void KDDeepScanViewController::setTextFiled() {
  const QString text = Text("RVT_FOUR_DEEPSCAN_NODE");
  const QString words = Text("Deep Scan");
  const qsizetype at = words.isEmpty() ? -1 : text.indexOf(words);
  if (at < 0) {
    CatchExeception::WriteLog("Failed _1\n");
    return;
  }
  const QFont set = NamedFont(QStringLiteral("Helvetica"), 14);
  deepScanNodeLabel_->setTextFormat(Qt::RichText);
  deepScanNodeLabel_->setText(text.left(at).toHtmlEscaped() + QStringLiteral("<span style=\"font-family:'%1'; "
                                                                              "font-size:%2px; color:#3582f8\">")
                                                                  .arg(set.families().value(0))
                                                                  .arg(set.pixelSize()) +
                              words.toHtmlEscaped() + QStringLiteral("</span>") +
                              text.mid(at + words.size()).toHtmlEscaped());
  deepScanNodeLabel_->setAccessibleName(text);
}

void KDDeepScanViewController::closeButtonAction() {
  if (delegate_) delegate_->popupViewHidden();
}

}  // namespace quellsy::ui
