// Texts by key: the English catalogue is complete and read from the program's resources, another language's
// missing keys read in English, and the one formatter fills the placeholders the texts use.

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {
namespace {

class TextsTest : public ::testing::Test {
 protected:
  Texts texts_;
};

TEST_F(TextsTest, EnglishFromTheResourcesAndNothingForAnUnknownKey) {
  EXPECT_EQ(texts_.Text("WINDOW_TOP_TITLE"), QStringLiteral("Quellsy"));
  EXPECT_EQ(texts_.Text("RVT_THREE_SCAN_BUTTON"), QStringLiteral("Scan"));
  EXPECT_EQ(texts_.Text("NO_SUCH_KEY"), QString());
  EXPECT_EQ(texts_.Translate("NO_SUCH_KEY", "fallback"), "fallback");
  EXPECT_EQ(texts_.Translate("DEVICE_NAME_UNTITILED", ""), "Untitled");
}

// Every key of the English source catalogue reads back as its own text, none empty.
TEST_F(TextsTest, EveryEnglishKeyHasItsText) {
  QFile source(QStringLiteral(QUELLSY_ENGLISH_CATALOGUE));
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  const QString xml = QString::fromUtf8(source.readAll());
  const QRegularExpression message(QStringLiteral("<message id=\"([^\"]+)\">\\s*<source>([^<]*)</source>"));
  int keys = 0;
  for (auto match = message.globalMatch(xml); match.hasNext();) {
    const auto found = match.next();
    QString expected = found.captured(2);
    expected.replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"");
    const QByteArray key = found.captured(1).replace("&quot;", "\"").toUtf8();
    EXPECT_FALSE(expected.isEmpty()) << key.constData();
    EXPECT_EQ(texts_.Text(std::string_view(key.constData(), key.size())), expected) << key.constData();
    ++keys;
  }
  EXPECT_GT(keys, 90);
}

// English has a form for one and a form for every other count; a text with one form reads so for any count.
TEST_F(TextsTest, ACountedTextTakesTheFormOfItsCount) {
  const QString one = QStringLiteral("Selected %@ in %d file");
  const QString other = QStringLiteral("Selected %@ in %d files");
  const struct {
    long long count;
    const QString& form;
  } cases[] = {{0, other}, {1, one}, {2, other}, {11, other}, {21, other}, {4294967297LL, other}};  // 2^32 + 1
  for (const auto& c : cases) EXPECT_EQ(texts_.Text("RVT_FOUR_SELECT_FILES", c.count), c.form) << c.count;
  EXPECT_EQ(texts_.Text("RVT_FOUR_SIZE_BYTES", 1), QStringLiteral("%d byte"));
  EXPECT_EQ(texts_.Text("RVT_FOUR_SIZE_BYTES", 0), QStringLiteral("%d bytes"));
  EXPECT_EQ(texts_.Text("COMM_BACK_BUTTON", 3), QStringLiteral("Back"));
  // A language without the text reads the English form for the count.
  ASSERT_TRUE(texts_.SetLanguage(QStringLiteral("de"), QStringLiteral(QUELLSY_TEST_CATALOGUES)));
  EXPECT_EQ(texts_.Text("RVT_FOUR_SELECT_FILES", 1), one);
  EXPECT_EQ(texts_.Text("RVT_FOUR_SELECT_FILES", 7), other);
  EXPECT_EQ(texts_.Text("COMM_BACK_BUTTON", 3), QStringLiteral("Zurück"));
}

TEST_F(TextsTest, AMissingTextFallsBackToEnglish) {
  ASSERT_TRUE(texts_.SetLanguage(QStringLiteral("de"), QStringLiteral(QUELLSY_TEST_CATALOGUES)));
  EXPECT_EQ(texts_.Language(), QStringLiteral("de"));
  EXPECT_EQ(texts_.Text("RVT_THREE_SCAN_BUTTON"), QStringLiteral("Durchsuchen"));
  EXPECT_EQ(texts_.Text("COMM_BACK_BUTTON"), QStringLiteral("Zurück"));
  EXPECT_EQ(texts_.Text("RVT_FOUR_SCAN_STOP_YES_BUTTON"), QStringLiteral("Stop"));  // not translated: English
  EXPECT_EQ(texts_.Text("NO_SUCH_KEY"), QString());
  EXPECT_EQ(FormatText(texts_.Text("RVT_FOUR_FILESFOUND"), {QStringLiteral("12")}), QStringLiteral("12 Dateien gefunden"));

  // A region falls back to its language; a language without a catalogue reads in English.
  ASSERT_TRUE(texts_.SetLanguage(QStringLiteral("pt-BR"), QStringLiteral(QUELLSY_TEST_CATALOGUES)));
  EXPECT_EQ(texts_.Text("RVT_THREE_SCAN_BUTTON"), QStringLiteral("Verificar"));
  EXPECT_EQ(texts_.Text("COMM_BACK_BUTTON"), QStringLiteral("Back"));
  EXPECT_FALSE(texts_.SetLanguage(QStringLiteral("xx"), QStringLiteral(QUELLSY_TEST_CATALOGUES)));
  EXPECT_EQ(texts_.Text("COMM_BACK_BUTTON"), QStringLiteral("Back"));
  EXPECT_TRUE(texts_.SetLanguage(QStringLiteral("en-GB")));
  EXPECT_EQ(texts_.Text("COMM_BACK_BUTTON"), QStringLiteral("Back"));
}

struct FormatCase {
  const char* format;
  std::vector<TextArg> args;
  const char* expected;
};

TEST(TextFormat, PlaceholderTable) {
  using S = QString;
  const FormatCase cases[] = {
      {"Files found: %@", {S("1,024")}, "Files found: 1,024"},
      {"%@ in %lld files", {S("3.20 GB"), 1500LL}, "3.20 GB in 1500 files"},
      {"Selected %@ in %d files", {S("0 byte"), 0LL}, "Selected 0 byte in 0 files"},
      {"%2$@ / %1$@", {S("a"), S("b")}, "b / a"},
      {"%1$@, %1$@ and %2$d", {S("x"), 7LL}, "x, x and 7"},
      {"%@_%04d%@", {S("photo"), 3LL, S(".jpg")}, "photo_0003.jpg"},
      {"%02d:%02d:%02d", {1LL, 5LL, 9LL}, "01:05:09"},
      {"%.0f files", {41.6}, "42 files"},
      {"%0.2f KB", {1.005e0}, "1.00 KB"},
      {"%llu and %lu", {18446744073709551615ULL, 3ULL}, "18446744073709551615 and 3"},
      {"%x %X %o", {255LL, 255LL, 8LL}, "ff FF 10"},
      {"%c%c", {72LL, 105LL}, "Hi"},
      {"[%5s][%-5s][%.2s]", {S("ab"), S("ab"), S("abcdef")}, "[   ab][ab   ][ab]"},
      {"100%% done", {}, "100% done"},
      {"%@ of %@", {S("one")}, "one of "},        // a placeholder without an argument gives nothing
      {"%d apples", {S(" 12 ")}, "12 apples"},      // a text read as a number
      {"%@ files", {42LL}, "42 files"},             // a number shown as text
      {"%y and %", {}, "%y and %"},                 // not placeholders: kept as written
      {"%9$@!", {S("only")}, "!"},                   // a position past the arguments
      {"ünïcode %@", {S("wörter")}, "ünïcode wörter"},
  };
  for (const FormatCase& c : cases)
    EXPECT_EQ(FormatText(QString::fromUtf8(c.format), c.args), QString::fromUtf8(c.expected)) << c.format;
}

}  // namespace
}  // namespace quellsy::ui
