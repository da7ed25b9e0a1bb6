#pragma once
// The image button of the pages and title bars: drawn from four named images - normal, active (pressed or kept
// selected), hover and disabled - with an optional centred label on top. Without a normal image it draws as a
// plain push button. "isDisabled" keeps its historical sense: YES means usable. A button that is not usable
// shows its disabled image, greys its label and lets no press through, though the widget itself stays enabled.

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QRectF>

class QLabel;

namespace quellsy::ui {

class TCImageButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit TCImageButton(QWidget* parent = nullptr);

  // Looks the four images up by name (a missing one draws nothing in its state); the images are drawn at the
  // normal image's own size from the button's top left. The button's geometry is not changed.
  void setImageFromFileNormalName(const QString& normal, const QString& active, const QString& hover,
                                  const QString& disable);
  // A label over the whole button, 2 points higher; images are then drawn into (0, 0, width(frame) - 4,
  // height(frame)). Each call adds one more label.
  void setTextWithName(const QString& text, const QRectF& frame);
  // The label's colour while the button is usable (white unless set); a button that is not usable greys it.
  void setTitleColor(const QColor& color);
  // Usable or not; redraws at once.
  void setButtonEnabled(bool usable);
  // Kept shown as pressed (selected) until cleared or pressed; redraws at once.
  void setButtonClicked(bool selected);

  bool isDisabled() const { return isDisabled_; }
  bool isTracking() const { return isTracking_; }
  bool isFocus() const { return isFocus_; }
  // Stores only; the next redraw shows it.
  void setIsFocus(bool focus) { isFocus_ = focus; }
  QLabel* textField() const { return textField_; }
  QRectF dstRect() const { return dstRect_; }
  QRectF srcRect() const { return srcRect_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QImage ImageToDraw() const;
  void UpdateLabelColour(bool usable);

  QImage normalImage_;
  QImage activeImage_;
  QImage hoverImage_;
  QImage disableImage_;
  QLabel* textField_ = nullptr;
  QColor titleColor_ = Qt::white;
  bool isTracking_ = false;
  bool isFocus_ = false;
  bool isDisabled_ = true;
  QRectF dstRect_;
  QRectF srcRect_;
};

}  // namespace quellsy::ui
