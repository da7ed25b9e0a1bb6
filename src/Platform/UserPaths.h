#pragma once
// Where this user's own files go: the configuration folder (XDG) of the user who started us, also when pkexec made
// us root, and a private temporary folder that nobody else can guess or enter.

#include <filesystem>
#include <cstddef>
#include <optional>
#include <string>

#include "Platform/InvokingUser.h"

namespace quellsy::platform {

// $XDG_CONFIG_HOME when it is an absolute path; else the invoking user's home, else $HOME, followed by ".config";
// nothing when no home is known.
std::optional<std::filesystem::path> UserConfigDir();

// A name safe inside a private folder: separators, control characters and anything but letters, digits, '.',
// '-' and '_' become '_', a leading '.' too; at most 64 bytes, keeping a short extension; "file" when empty.
std::string SafeTempFileName(const std::string& name);

// Where this user's state (logs) goes, as the XDG base folders say: `base` is $XDG_STATE_HOME when it is an
// absolute path, else a home folder with `below` ".local/state": the home of the user behind root (PKEXEC_UID,
// then SUDO_UID), else $HOME, else the passwd home of the effective user. `owner` is the user behind root, whose
// the folders are; none when we run as ourselves. Nothing when no home is known.
struct UserStateFolder {
  std::filesystem::path base;
  std::filesystem::path below;
  std::optional<InvokingUser> owner;

  std::filesystem::path path() const { return below.empty() ? base : base / below; }
};
std::optional<UserStateFolder> UserStateDir();

// Opens the folder `below` (relative) inside the existing folder `base`, making the missing ones with mode 0700 and
// giving those it makes to owner; no link below base is followed, so a link planted there cannot send the folders
// (or what is written into them) elsewhere. A descriptor of the folder (O_DIRECTORY, close-on-exec), or -1 with
// errno set.
int OpenOrMakeFolder(const std::filesystem::path& base, const std::filesystem::path& below,
                     const std::optional<InvokingUser>& owner);

// A fresh folder of mode 0700 under $TMPDIR (else /tmp) with a random name; nothing when it cannot be made.
std::optional<std::filesystem::path> MakePrivateTempDir();

// Such a folder, removed with everything in it when the owner goes.
class PrivateTempDir {
 public:
  // Nothing when the folder cannot be made.
  static std::optional<PrivateTempDir> Make();
  PrivateTempDir(PrivateTempDir&& other) noexcept;
  PrivateTempDir& operator=(PrivateTempDir&&) = delete;
  PrivateTempDir(const PrivateTempDir&) = delete;
  ~PrivateTempDir();

  const std::filesystem::path& path() const { return path_; }
  // Writes data into a new file of this folder (mode 0600, never through a link, never over a file already
  // there) named by SafeTempFileName(name); its path, or nothing when it cannot be written whole.
  std::optional<std::filesystem::path> WriteFile(const std::string& name, const void* data, std::size_t size) const;

 private:
  explicit PrivateTempDir(std::filesystem::path path) : path_(std::move(path)) {}
  std::filesystem::path path_;
};

}  // namespace quellsy::platform
