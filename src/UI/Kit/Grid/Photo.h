#pragma once
// One cover of the cover flow: a picture, an identifier, a caption and a version that grows whenever the
// picture changes, so the view knows to draw it again. A cover that still carries the placeholder's identifier
// waits for its picture.

#include <QImage>
#include <QString>
#include <cstdint>

namespace quellsy::ui {

class Photo {
 public:
  Photo(QImage image, QString imageID) : image_(std::move(image)), imageID_(std::move(imageID)) {}

  const QString& imageUID() const { return imageID_; }
  static QString imageRepresentationType() { return QStringLiteral("QImage"); }
  const QImage& imageRepresentation() const { return image_; }
  const QString& imageTitle() const { return imageName_; }
  std::int64_t imageVersion() const { return version_; }

  void setImageRepresentation(const QImage& image) { image_ = image; }
  void setImageUID(const QString& identifier) { imageID_ = identifier; }
  void setName(const QString& name) { imageName_ = name; }
  void setImageVersion() { ++version_; }

 private:
  QImage image_;
  QString imageID_;
  QString imageName_;
  std::int64_t version_ = 0;
};

}  // namespace quellsy::ui
