#include "UI/Shell/PageLook.h"

#include <QLabel>

#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/ViewFrames.h"

namespace quellsy::ui {

void PaintWhite(QWidget* widget) {
  widget->setAutoFillBackground(true);
  QPalette colours = widget->palette();
  colours.setColor(QPalette::Window, Qt::white);
  widget->setPalette(colours);
}

QLabel* MakePageLabel(const QString& text, const QString& name, const QFont& font, const QColor& colour,
                      QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAccessibleName(text);
  label->setFont(font);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, colour);
  label->setPalette(colours);
  return label;
}

TCImageButton* MakeTitleBarButton(const QString& name, const QString& tip, const QString& stem, const QRectF& frame,
                                  QWidget* titleBar) {
  auto* button = new TCImageButton(titleBar);
  button->setObjectName(name);
  button->setAccessibleName(tip);
  button->setToolTip(tip);
  const QString hover = stem + QStringLiteral("_hover");
  button->setImageFromFileNormalName(stem, hover, hover, stem);
  PlaceView(button, frame);
  return button;
}

}  // namespace quellsy::ui
