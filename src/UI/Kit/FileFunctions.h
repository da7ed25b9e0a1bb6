#pragma once
// Small file, text and address helpers of the kit on Qt's types. Each runs on the caller's thread and keeps no
// state. Failures give nothing and leave a log line "in <function> in FileFunctions: <what failed>".
//
// Nothing in the program calls them yet. Of the family these stand for, the copy of a file's resource fork
// (fork by fork), a file's icon family data and the look-up of an application by name have no meaning on
// Linux and are left out: a file here has one stream of data, its icon comes from its type (TypeIcons), and
// programs are found through PATH and desktop entries.

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringConverter>
#include <QUrl>
#include <optional>

#include "Platform/PlistReader.h"

namespace quellsy::ui {

// The cap on what the reading helpers take whole.
inline constexpr qint64 kMaxWholeFileBytes = 64LL * 1024 * 1024;
// The buffer a file is copied through.
inline constexpr qint64 kCopyBufferBytes = 5LL * 1024 * 1024;

// The path as the file system takes it (the bytes QFile uses for the name); nothing when it holds a zero character.
std::optional<QByteArray> createFileSystemRepresentationOfString(const QString& text);
// The date and time as text in locale: its short date and its time with seconds (no time zone).
QString createStringWithDate(const QDateTime& date, const QLocale& locale = QLocale());
// The whole file as text in encoding (a byte-order mark wins); nothing when it cannot be read whole, is larger than
// kMaxWholeFileBytes or is no valid text in that encoding.
std::optional<QString> createStringWithContentsOfFile(const QString& path, QStringConverter::Encoding encoding);
// first, then c, then second; c is left out when it is 0xFFFF, a missing string counts as empty.
QString createStringWithStringAndCharacterAndString(const std::optional<QString>& first, char16_t c,
                                                    const std::optional<QString>& second);
// The text in encoding; nothing when a character has no form in it.
std::optional<QByteArray> copyCString(const QString& text, QStringConverter::Encoding encoding);

// The running program's file name, its absolute path and that as a file URL; nothing when the system will not say.
std::optional<QString> copyCurrentProcessName();
std::optional<QString> copyCurrentProcessPath();
std::optional<QUrl> copyCurrentProcessURL();
// The folder for temporary files ($TMPDIR when absolute, else /tmp), made when missing.
std::optional<QString> copyTemporaryFolderPath();
std::optional<QUrl> copyTemporaryFolderURL();
// The whole file; nothing when it cannot be read whole or is larger than kMaxWholeFileBytes.
std::optional<QByteArray> readFile(const char* path);

// A socket address (struct sockaddr_in or sockaddr_in6 as bytes) as "address:port" or "[address]:port";
// "IPv4 un-ntopable" or "IPv6 un-ntopable" when it cannot be read, "neither IPv6 nor IPv4" for other families.
QString createStringWithAddressData(const QByteArray& address);
// The host name the address resolves to (a numeric answer is refused); nothing when there is none. It may wait for
// the name service: never on the GUI thread.
std::optional<QString> createHostNameForAddressData(const QByteArray& address);

// The folder name in parent, made when missing (an existing folder is taken as it is). Without a parent: in the
// current folder, and without a name too, the current folder itself. With a parent but no name: the parent's
// last part in the parent's parent. Nothing for a name that is not one plain part ("", ".", "..", with a '/').
std::optional<QUrl> createURLByMakingDirectoryAtURLWithName(const std::optional<QUrl>& parent,
                                                            const std::optional<QString>& name);
// Copies the regular file at file into directory under its own name (replacing a file of that name, never
// following a link there) through one kCopyBufferBytes buffer, with its permission bits; the copy's URL.
std::optional<QUrl> createURLByCopyingFileFromURLToDirectoryURL(const QUrl& file, const QUrl& directory);

enum class PropertyListFormat { kXml, kBinary };
// The property list in a local file (XML or binary), its format and, when it cannot be read, why in words.
std::optional<platform::PlistDocument> createPropertyListFromURL(const QUrl& url, PropertyListFormat* format,
                                                                 QString* error);

}  // namespace quellsy::ui
