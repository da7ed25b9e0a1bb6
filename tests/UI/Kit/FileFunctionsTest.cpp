// The kit's file, text and address helpers: texts joined and converted, files read whole and copied, folders made,
// property lists read, socket addresses described; each failure gives nothing rather than a half result.

#include "UI/Kit/FileFunctions.h"

#include <QDir>
#include <QFile>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }
QUrl FileUrl(const fs::path& path) { return QUrl::fromLocalFile(Q(path)); }

void WriteBytes(const fs::path& path, const QByteArray& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
}

template <typename Address>
QByteArray AsBytes(const Address& address, std::size_t size = sizeof(Address)) {
  return QByteArray(reinterpret_cast<const char*>(&address), static_cast<qsizetype>(size));
}

TEST(FileFunctions, TextsAreJoinedAndConverted) {
  const struct {
    std::optional<QString> first;
    char16_t c;
    std::optional<QString> second;
    QString joined;
  } joins[] = {{std::nullopt, 0xFFFF, std::nullopt, ""},
               {QStringLiteral("usr"), u'/', QStringLiteral("bin"), "usr/bin"},
               {QStringLiteral("a"), 0xFFFF, QStringLiteral("b"), "ab"},
               {std::nullopt, u'\u00e9', std::nullopt, QStringLiteral("\u00e9")}};
  for (const auto& join : joins)
    EXPECT_EQ(createStringWithStringAndCharacterAndString(join.first, join.c, join.second), join.joined);

  EXPECT_EQ(copyCString(QStringLiteral("caf\u00e9"), QStringConverter::Latin1), QByteArray("caf\xe9"));
  EXPECT_EQ(copyCString(QStringLiteral("caf\u00e9"), QStringConverter::Utf8), QByteArray("caf\xc3\xa9"));
  EXPECT_EQ(copyCString(QStringLiteral("20 \u20ac"), QStringConverter::Latin1), std::nullopt);  // no euro in Latin-1

  EXPECT_EQ(createFileSystemRepresentationOfString(QStringLiteral("/tmp/\u00e9t\u00e9")), QByteArray("/tmp/\xc3\xa9t\xc3\xa9"));
  EXPECT_EQ(createFileSystemRepresentationOfString(QStringLiteral("/tmp/a") + QChar(0) + QStringLiteral("b")),
            std::nullopt);
}

TEST(FileFunctions, DatesReadInTheLocalesShortDateAndTimeWithSeconds) {
  const QDateTime date(QDate(2024, 3, 5), QTime(14, 7, 33));
  EXPECT_EQ(createStringWithDate(date, QLocale(QStringLiteral("de_DE"))), QStringLiteral("05.03.24 14:07:33"));
  EXPECT_EQ(createStringWithDate(date, QLocale(QStringLiteral("en_GB"))), QStringLiteral("05/03/2024 14:07:33"));
  const QString american = createStringWithDate(date, QLocale(QStringLiteral("en_US")));
  EXPECT_TRUE(american.startsWith(QStringLiteral("3/5/24 2:07:33"))) << american.toStdString();
  EXPECT_TRUE(american.endsWith(QStringLiteral("PM"))) << american.toStdString();
}

TEST(FileFunctions, FilesAreReadWholeAsBytesAndAsText) {
  test::TempDir dir;
  WriteBytes(dir / "latin1.txt", QByteArray("caf\xe9"));
  WriteBytes(dir / "bom16.txt", QByteArray("\xff\xfe" "h\0i\0", 6));  // UTF-16LE with its byte-order mark
  WriteBytes(dir / "broken.txt", QByteArray("caf\xc3"));              // cut inside a UTF-8 sequence
  EXPECT_EQ(readFile((dir / "latin1.txt").c_str()), QByteArray("caf\xe9"));
  EXPECT_EQ(createStringWithContentsOfFile(Q(dir / "latin1.txt"), QStringConverter::Latin1), QStringLiteral("caf\u00e9"));
  EXPECT_EQ(createStringWithContentsOfFile(Q(dir / "bom16.txt"), QStringConverter::Latin1), QStringLiteral("hi"));
  EXPECT_EQ(createStringWithContentsOfFile(Q(dir / "broken.txt"), QStringConverter::Utf8), std::nullopt);
  EXPECT_EQ(createStringWithContentsOfFile(Q(dir / "missing.txt"), QStringConverter::Utf8), std::nullopt);
  EXPECT_EQ(readFile(nullptr), std::nullopt);
  EXPECT_EQ(readFile("/dev/zero"), std::nullopt);  // endless: refused, not read until memory runs out
  EXPECT_EQ(readFile(dir.path().c_str()), std::nullopt);
}

TEST(FileFunctions, TheRunningProgramAndTheTemporaryFolderAreFound) {
  const fs::path self = fs::canonical(::testing::internal::GetArgvs().front());
  EXPECT_EQ(copyCurrentProcessPath(), Q(self));
  EXPECT_EQ(copyCurrentProcessName(), Q(self.filename()));
  EXPECT_EQ(copyCurrentProcessURL(), FileUrl(self));

  test::TempDir dir;
  const test::ScopedEnv tmp("TMPDIR", (dir / "made/here").c_str());
  EXPECT_EQ(copyTemporaryFolderPath(), Q(dir / "made/here"));
  EXPECT_TRUE(fs::is_directory(dir / "made/here"));
  EXPECT_EQ(copyTemporaryFolderURL(), FileUrl(dir / "made/here"));
}

TEST(FileFunctions, SocketAddressesAreDescribed) {
  sockaddr_in v4{};
  v4.sin_family = AF_INET;
  v4.sin_port = htons(8080);
  inet_pton(AF_INET, "192.0.2.7", &v4.sin_addr);
  sockaddr_in6 v6{};
  v6.sin6_family = AF_INET6;
  v6.sin6_port = htons(443);
  inet_pton(AF_INET6, "2001:db8::1", &v6.sin6_addr);
  sockaddr other{};
  other.sa_family = AF_UNIX;
  EXPECT_EQ(createStringWithAddressData(AsBytes(v4)), QStringLiteral("192.0.2.7:8080"));
  EXPECT_EQ(createStringWithAddressData(AsBytes(v6)), QStringLiteral("[2001:db8::1]:443"));
  EXPECT_EQ(createStringWithAddressData(AsBytes(v4, 4)), QStringLiteral("IPv4 un-ntopable"));  // cut short
  EXPECT_EQ(createStringWithAddressData(AsBytes(v6, 12)), QStringLiteral("IPv6 un-ntopable"));
  EXPECT_EQ(createStringWithAddressData(AsBytes(other)), QStringLiteral("neither IPv6 nor IPv4"));
  EXPECT_EQ(createStringWithAddressData(QByteArray()), QStringLiteral("neither IPv6 nor IPv4"));

  // The loop-back address has a name in every hosts file; a numeric answer never counts as one.
  inet_pton(AF_INET, "127.0.0.1", &v4.sin_addr);
  const auto name = createHostNameForAddressData(AsBytes(v4));
  ASSERT_TRUE(name);
  EXPECT_TRUE(name->startsWith(QStringLiteral("localhost"))) << name->toStdString();
  EXPECT_EQ(createHostNameForAddressData(QByteArray(1000, 'x')), std::nullopt);
}

TEST(FileFunctions, FoldersAreMadeOnceAndOnlyUnderPlainNames) {
  test::TempDir dir;
  const auto made = createURLByMakingDirectoryAtURLWithName(FileUrl(dir.path()), QStringLiteral("Recovered"));
  EXPECT_EQ(made, FileUrl(dir / "Recovered"));
  EXPECT_TRUE(fs::is_directory(dir / "Recovered"));
  std::ofstream(dir / "Recovered/kept.txt") << "kept";
  // An existing folder is taken as it is.
  EXPECT_EQ(createURLByMakingDirectoryAtURLWithName(FileUrl(dir.path()), QStringLiteral("Recovered")), made);
  EXPECT_TRUE(fs::exists(dir / "Recovered/kept.txt"));
  // A parent without a name: its own last part, in its parent.
  EXPECT_EQ(createURLByMakingDirectoryAtURLWithName(FileUrl(dir / "Second"), std::nullopt), FileUrl(dir / "Second"));
  EXPECT_TRUE(fs::is_directory(dir / "Second"));
  // No parent: the current folder.
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(Q(dir.path())));
  EXPECT_EQ(createURLByMakingDirectoryAtURLWithName(std::nullopt, std::nullopt), FileUrl(dir.path()));
  EXPECT_EQ(createURLByMakingDirectoryAtURLWithName(std::nullopt, QStringLiteral("Third")), FileUrl(dir / "Third"));
  QDir::setCurrent(before);
  EXPECT_TRUE(fs::is_directory(dir / "Third"));

  std::ofstream(dir / "a-file") << "x";
  for (const QString& bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"),
                             QStringLiteral("a-file")})
    EXPECT_EQ(createURLByMakingDirectoryAtURLWithName(FileUrl(dir.path()), bad), std::nullopt) << bad.toStdString();
  EXPECT_FALSE(fs::exists(dir / "a"));
}

TEST(FileFunctions, AFileIsCopiedWholeIntoAFolderReplacingAnOlderCopy) {
  test::TempDir dir;
  fs::create_directories(dir / "from");
  fs::create_directories(dir / "to");
  // Larger than two copy buffers, so that the copy takes three reads.
  QByteArray bytes(static_cast<qsizetype>(2 * kCopyBufferBytes + 12345), '\0');
  for (qsizetype i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
  WriteBytes(dir / "from/photo.jpg", bytes);
  ASSERT_EQ(chmod((dir / "from/photo.jpg").c_str(), 0640), 0);
  // An older, longer copy is replaced, not written over in part.
  WriteBytes(dir / "to/photo.jpg", QByteArray(bytes.size() + 999, 'z'));

  const auto copy = createURLByCopyingFileFromURLToDirectoryURL(FileUrl(dir / "from/photo.jpg"), FileUrl(dir / "to"));
  EXPECT_EQ(copy, FileUrl(dir / "to/photo.jpg"));
  EXPECT_EQ(readFile((dir / "to/photo.jpg").c_str()), bytes);
  EXPECT_EQ(fs::status(dir / "to/photo.jpg").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // A link where the copy would go is not followed.
  std::ofstream(dir / "target.txt") << "untouched";
  std::ofstream(dir / "from/note.txt") << "new";
  fs::create_symlink(dir / "target.txt", dir / "to/note.txt");
  EXPECT_EQ(createURLByCopyingFileFromURLToDirectoryURL(FileUrl(dir / "from/note.txt"), FileUrl(dir / "to")),
            std::nullopt);
  EXPECT_EQ(readFile((dir / "target.txt").c_str()), QByteArray("untouched"));
  // A folder is no file to copy.
  EXPECT_EQ(createURLByCopyingFileFromURLToDirectoryURL(FileUrl(dir / "from"), FileUrl(dir / "to")), std::nullopt);
}

TEST(FileFunctions, PropertyListsAreReadInEitherFormat) {
  test::TempDir dir;
  WriteBytes(dir / "list.plist",
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict><key>Name</key>"
             "<string>xml</string></dict></plist>");
  // The binary form written by Python's own writer.
  ASSERT_EQ(std::system(("python3 -c \"import plistlib,sys; sys.stdout.buffer.write(plistlib.dumps({'Name': 'binary'}, "
                         "fmt=plistlib.FMT_BINARY))\" > " + (dir / "list.bplist").string())
                            .c_str()),
            0);
  WriteBytes(dir / "not.plist", "just words");
  const struct {
    const char* file;
    std::optional<PropertyListFormat> format;
    const char* name;
  } cases[] = {{"list.plist", PropertyListFormat::kXml, "xml"},
               {"list.bplist", PropertyListFormat::kBinary, "binary"},
               {"not.plist", std::nullopt, nullptr},
               {"missing.plist", std::nullopt, nullptr}};
  for (const auto& c : cases) {
    PropertyListFormat format{};
    QString error;
    const auto list = createPropertyListFromURL(FileUrl(dir / c.file), &format, &error);
    ASSERT_EQ(list.has_value(), c.format.has_value()) << c.file;
    if (!list) {
      EXPECT_FALSE(error.isEmpty()) << c.file;
      continue;
    }
    EXPECT_EQ(format, *c.format) << c.file;
    EXPECT_EQ(list->Root().Get("Name").Text(), std::string(c.name));
  }
  EXPECT_FALSE(createPropertyListFromURL(QUrl(QStringLiteral("https://example.org/a.plist")), nullptr, nullptr));
}

}  // namespace
}  // namespace quellsy::ui
