// Named images: our drawings by the names the windows use, four looks from one drawing, a missing name as a
// null image that is noted; type icons by extension; fonts; the icon data of a path.

#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <gtest/gtest.h>

#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/TypeIcons.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

QRgb Centre(const QImage& image) { return image.pixel(image.width() / 2, image.height() / 2); }

// The palette of the drawings and what the other looks make of it, worked out once by hand.
TEST(NamedImages, FourLooksFromOneDrawing) {
  struct Look {
    const char* name;
    QRgb centre;
  };
  const Look looks[] = {
      {"btn_scan", qRgb(0x35, 0x82, 0xf8)},          {"btn_scan_normal", qRgb(0x35, 0x82, 0xf8)},
      {"btn_scan_hover", qRgb(0x5b, 0x9b, 0xfa)},    {"btn_scan_press", qRgb(0x1f, 0x62, 0xcc)},
      {"btn_scan_disable", qRgb(0xd3, 0xd8, 0xde)},  {"btn_recover_normal", qRgb(0x30, 0xa4, 0x6c)},
      {"btn_recover_press", qRgb(0x24, 0x80, 0x4f)}, {"btn_ds_hover", qRgb(0x3f, 0x4a, 0x58)},
      {"btn_ds_disable", qRgb(0xc4, 0xca, 0xd1)},
  };
  for (const Look& look : looks) {
    const QImage image = NamedImages::Image(QString::fromLatin1(look.name));
    ASSERT_FALSE(image.isNull()) << look.name;
    EXPECT_EQ(image.size(), QSize(look.name[4] == 'd' ? 166 : 138, 41)) << look.name;
    EXPECT_EQ(Centre(image), look.centre) << look.name;
  }
  // Drawn at another size and pixel ratio: the image is that many pixels and says so.
  const QImage doubled = NamedImages::Image(QStringLiteral("pause_normal"), QSize(18, 18), 2.0);
  EXPECT_EQ(doubled.size(), QSize(36, 36));
  EXPECT_EQ(doubled.devicePixelRatio(), 2.0);
  EXPECT_EQ(NamedImages::NaturalSize(QStringLiteral("hover_bg")), QSize(400, 72));
}

TEST(NamedImages, AMissingNameIsANullImageAndIsNoted) {
  NamedImages::ClearMissingNames();
  EXPECT_TRUE(NamedImages::Image(QStringLiteral("no_such_drawing")).isNull());
  EXPECT_TRUE(NamedImages::Image(QStringLiteral("no_such_drawing_hover")).isNull());
  EXPECT_TRUE(NamedImages::Image(QStringLiteral("../images/logo")).isNull());
  EXPECT_TRUE(NamedImages::Image(QString()).isNull());  // no name, no request
  EXPECT_FALSE(NamedImages::Exists(QStringLiteral("no_such_drawing")));
  EXPECT_EQ(NamedImages::MissingNames(),
            (QStringList{"no_such_drawing", "no_such_drawing_hover", "../images/logo"}));
  NamedImages::ClearMissingNames();
  EXPECT_TRUE(NamedImages::MissingNames().isEmpty());
}

// The names the windows ask for, each with a drawing (the four looks of a button from its stem).
TEST(NamedImages, EveryNameTheWindowsUseHasADrawing) {
  QStringList names{"pf_checkbox_no", "pf_checkbox_half", "pf_checkbox_yes", "checkbox_no", "checkbox_half",
                    "checkbox_yes", "hover_bg", "warning", "warning_b", "logo", "arrow", "deletered",
                    "select_disk", "radio_button_yes", "radio_button_no", "icon_disk", "icon_disk_osx",
                    "icon_mirror", "icon_usb", "icon_desktop", "icon_b", "bg_150", "bg_tab", "text_bg",
                    "BackgroundDust", "view_bg_normal", "view_bg_press", "icon_import", "icon_import_hover",
                    "icon_infor", "icon_infor_hover", "NSAscendingSortIndicator", "NSDescendingSortIndicator"};
  for (int kind = 0; kind <= 11; ++kind) names << QString::number(kind) + QStringLiteral("IconImage");
  for (const char* stem : {"back", "btn_ds", "btn_recover", "btn_scan", "continue", "icon_back", "icon_export",
                           "icon_home", "next", "pause", "play", "scan", "stop"})
    for (const char* look : {"_normal", "_press", "_hover", "_disable"}) names << QLatin1String(stem) + look;
  for (const QString& name : names) EXPECT_FALSE(NamedImages::Image(name).isNull()) << name.toStdString();
}

TEST(TypeIcons, GroupsFromTheMimeDatabaseAndABadgedIcon) {
  const std::pair<const char*, int> groups[] = {{"jpg", 2},  {".JPG", 2}, {"photo.png", 2}, {"mp3", 8},
                                                {"mkv", 4},  {"zip", 16}, {"pdf", 1},       {"docx", 1},
                                                {"eml", 32}, {"", 0},     {"qqqzzz", 0}};
  for (const auto& [extension, group] : groups)
    EXPECT_EQ(TypeGroupOfExtension(QString::fromLatin1(extension)), group) << extension;
  // Small icons are the group's drawing; large ones carry the extension on a badge.
  const QImage icon = TypeIcon(QStringLiteral("jpg"));
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.size(), QSize(32, 32));
  EXPECT_EQ(icon, NamedImages::Image(QStringLiteral("3IconImage"), QSize(32, 32)));
  EXPECT_NE(TypeIcon(QStringLiteral("jpg"), QSize(64, 64)), NamedImages::Image(QStringLiteral("3IconImage"), QSize(64, 64)));
  EXPECT_TRUE(TypeIcon(QStringLiteral("qqqzzz")).isNull());
  EXPECT_EQ(TypeIcon(QStringLiteral("mp3"), QSize(64, 64)).size(), QSize(64, 64));
}

TEST(TypeIcons, IconDataOfAPathIsATiffPicture) {
  test::TempDir dir;
  QFile file(QString::fromStdString((dir / "notes.txt").string()));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("text");
  file.close();
  for (const std::string& path : {(dir / "notes.txt").string(), dir.path().string(), std::string("/dev/null")}) {
    const QByteArray data = copyIconDataForPath(QString::fromStdString(path));
    ASSERT_TRUE(data.startsWith("II*") || data.startsWith("MM")) << path;
    EXPECT_EQ(QImage::fromData(data, "TIFF").size(), QSize(32, 32)) << path;
  }
  EXPECT_TRUE(copyIconDataForPath(QString::fromStdString((dir / "missing").string())).isEmpty());
  EXPECT_TRUE(copyIconDataForPath(QString()).isEmpty());
}

TEST(Fonts, NamedFacesMapToInstalledFonts) {
  const QFont light = NamedFont(QStringLiteral("Helvetica Light"), 16);
  EXPECT_EQ(QFontInfo(light).family(), QStringLiteral("Open Sans"));
  EXPECT_EQ(light.weight(), QFont::Light);
  EXPECT_EQ(QFontInfo(light).pixelSize(), 16);
  EXPECT_EQ(QFontInfo(NamedFont(QStringLiteral("Helvetica Neue Light"), 12)).family(), QStringLiteral("Open Sans"));
  EXPECT_TRUE(QFontInfo(NamedFont(QStringLiteral("Helvetica"), 13)).family().startsWith(QStringLiteral("Nimbus Sans")));
  EXPECT_EQ(NamedFont(QStringLiteral("No Such Face"), 11).pixelSize(), 11);
}

}  // namespace
}  // namespace quellsy::ui
