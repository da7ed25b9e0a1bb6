#include "UI/Shell/TitledWindow.h"

#include <QLabel>
#include <QPushButton>

#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Kit/WindowFade.h"

namespace quellsy::ui {

TitledWindow MakeTitledWindow(const QString& objectName, QSize size, double titleBarHeight, const QRectF& titleFrame,
                              double fontSize) {
  TitledWindow made;
  made.window = new TCImageWindow(size);
  made.window->setObjectName(objectName);
  made.window->setWindowTitle(Text("WINDOW_TOP_TITLE"));
  made.window->setAccessibleName(made.window->windowTitle());
  made.window->setTitleBarHeight(titleBarHeight);
  made.window->setShowsTitle(false);
  made.titleLabel = new QLabel(Text("WINDOW_TOP_TITLE"), made.window->titleBarView());
  made.titleLabel->setObjectName(objectName + QStringLiteral("TitleLabel"));
  made.titleLabel->setAccessibleName(made.titleLabel->text());
  made.titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  made.titleLabel->setFont(NamedFont(QStringLiteral("Helvetica Neue Light"), fontSize));
  PlaceView(made.titleLabel, titleFrame);
  made.fade = new WindowFade(made.window);
  return made;
}

QLabel* MakeTextLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                  Qt::Alignment alignment, const QRectF& frame) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAccessibleName(text.isEmpty() ? name : text);
  label->setFont(font);
  label->setAlignment(alignment);
  label->setWordWrap(true);
  PlaceView(label, frame);
  return label;
}

QPushButton* MakeTextButton(QWidget* parent, const QString& name, const QString& title, const char* style,
                        const QRectF& frame) {
  auto* button = new QPushButton(title, parent);
  button->setObjectName(name);
  button->setAccessibleName(title);
  button->setFont(SystemFont(13));
  button->setStyleSheet(QString::fromLatin1(style));
  button->setCursor(Qt::PointingHandCursor);
  PlaceView(button, frame);
  return button;
}

QLabel* MakeImageLabel(QWidget* parent, const QString& name, const QString& image, const QRectF& frame) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setAccessibleName(image);
  label->setPixmap(NamedImages::Pixmap(image, frame.size().toSize()));
  PlaceView(label, frame);
  return label;
}

}  // namespace quellsy::ui
