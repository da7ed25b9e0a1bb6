#pragma once
// The preview the space bar opens for the selected file: one picture under a title bar that names the file.
// The controller owns its window; closing it by its close button (or the window manager) marks it closed, ends
// an application-modal run of it and hides it. SpacePreviewToggle is the space bar's side: it opens a preview,
// and closes it on the next press unless the user closed it already, in which case it opens a new one.

#include <QImage>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

namespace quellsy::ui {

class TCImageWindow;

class SpacePreviewWindow : public QObject {
  Q_OBJECT

 public:
  static constexpr QSize kWindowSize{500, 420};

  SpacePreviewWindow();
  ~SpacePreviewWindow() override;

  // Before the window is shown.
  void setStrName(const QString& name) { strName_ = name; }
  void setShowImage(const QImage& image) { showImage_ = image; }
  // A picture that came after the window showed.
  void updateShowImage(const QImage& image);
  const QString& strName() const { return strName_; }
  const QImage& showImage() const { return showImage_; }

  // Builds the window on first use and fills it from the name and the picture.
  TCImageWindow* window();
  // Shows the window centred on the screen of parent (or the primary one).
  void showCentred(const QWidget* parent = nullptr);
  bool isClosed() const { return bClose_; }
  // The close button's action: closed, any modal run of the window ended, the window hidden.
  void closeWindow();

  QLabel* titleLabel() const { return titleLabel_; }
  QLabel* imageView() const { return imageView_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void windowDidLoad();
  void showPicture();

  std::unique_ptr<TCImageWindow> window_;
  QLabel* titleLabel_ = nullptr;
  QLabel* imageView_ = nullptr;
  QString strName_;
  QImage showImage_;
  bool bClose_ = false;
};

class SpacePreviewToggle {
 public:
  // Opens a preview of name and picture, or closes the one that is open; true when a preview is now open.
  bool Toggle(const QString& name, const QImage& picture, const QWidget* parent = nullptr);
  // The open preview; null when none is.
  SpacePreviewWindow* current() const;

 private:
  std::unique_ptr<SpacePreviewWindow> preview_;
};

}  // namespace quellsy::ui
