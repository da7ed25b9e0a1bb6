#include "UI/Shell/RootWindow.h"

#include <QLabel>
#include <QVBoxLayout>

#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {

RootWindow::RootWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("rootWindow"));
  setWindowTitle(Text("WINDOW_TOP_TITLE"));
  setAccessibleName(windowTitle());
  setFixedSize(kWidth, kHeight);

  auto* content = new QWidget(this);
  content->setObjectName(QStringLiteral("rootContent"));
  content->setAutoFillBackground(true);
  QPalette palette = content->palette();
  palette.setColor(QPalette::Window, Qt::white);
  content->setPalette(palette);

  auto* mark = new QLabel(content);
  mark->setObjectName(QStringLiteral("rootMark"));
  mark->setAccessibleName(QStringLiteral("logo"));
  mark->setPixmap(NamedImages::Pixmap(QStringLiteral("logo")));
  mark->setAlignment(Qt::AlignCenter);

  auto* title = new QLabel(Text("WINDOW_TOP_TITLE"), content);
  title->setObjectName(QStringLiteral("rootTitle"));
  title->setAccessibleName(title->text());
  title->setFont(NamedFont(QStringLiteral("Helvetica Neue Light"), 28));
  title->setAlignment(Qt::AlignCenter);

  auto* layout = new QVBoxLayout(content);
  layout->addStretch(1);
  layout->addWidget(mark);
  layout->addSpacing(16);
  layout->addWidget(title);
  layout->addStretch(1);
  setCentralWidget(content);
}

}  // namespace quellsy::ui
