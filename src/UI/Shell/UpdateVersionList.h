#pragma once
// The property list the update address serves: "VersionCheck", the build number compared with the installed
// program's own (an integer, or a text holding one), "Version", the version's name as the user reads it, and the
// new features under "1", "2", ... "n", one text each.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace quellsy::ui {

struct UpdateVersionList {
  std::int32_t versionCheck = 0;  // 0 when missing or no number
  QString version;
  // (number, text) of the features "1" to "n" that are texts, n being the number of keys besides "VersionCheck"
  // and "Version"; a number without an entry is left out.
  std::vector<std::pair<int, QString>> features;
};

// The list; nothing when the bytes are no property list with a dictionary at its root.
std::optional<UpdateVersionList> ParseUpdateVersionList(const QByteArray& bytes);

// A text's leading number as a 32-bit signed integer: blanks, an optional sign and digits, held at the type's
// limits; 0 when it starts with none.
std::int32_t VersionNumberFromText(const QString& text);

// The installed program's own "VersionCheck" (from its installed "PrivateData"); 0 when missing.
std::int32_t LocalVersionCheck();

// Whether list names a newer build than ours.
bool IsNewerThanInstalled(const UpdateVersionList& list);

}  // namespace quellsy::ui
