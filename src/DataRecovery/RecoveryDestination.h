#pragma once
// The folder recovered files go to. Recovery runs as root, and the folder may already hold links (left by an
// earlier run, or planted): every folder and file is made relative to an open folder of the destination, a link is
// never followed, and an existing name (a link included) is never replaced - the new entry takes a numbered name.

#include <optional>
#include <string>

#include "Utility/ResultCode.h"

class RecoveryDestination {
 public:
  static constexpr quellsy::ResultCode kMissing =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x201, quellsy::error::kDestinationMissing);
  static constexpr quellsy::ResultCode kNotFolder =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x202, quellsy::error::kDestinationNotFolder);
  static constexpr quellsy::ResultCode kReadOnly =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x203, quellsy::error::kDestinationReadOnly);
  static constexpr quellsy::ResultCode kOnScannedDevice =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x204, quellsy::error::kDestinationOnScanned);
  static constexpr quellsy::ResultCode kCannotOpen =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x205, quellsy::error::kCannotCreate);

  // A folder or file made inside the destination: its descriptor (owned by the caller) and the name it got, or
  // fd -1 and the system's error.
  struct Entry {
    int fd = -1;
    std::string name;
    int error = 0;
  };

  RecoveryDestination() = default;
  RecoveryDestination(const RecoveryDestination&) = delete;
  RecoveryDestination& operator=(const RecoveryDestination&) = delete;
  ~RecoveryDestination();

  // Opens folder for writing and checks it before anything is scanned: it exists, is a folder, can be written, and
  // does not lie on scanned (the image file or device that will be read; empty skips that test).
  quellsy::ResultCode Open(const std::string& folder, const std::string& scanned);
  int Root() const { return m_root; }
  const std::string& Path() const { return m_path; }

  // The folder name inside parent, made when missing; when name is a link, a file or anything but a folder, a
  // folder with a numbered name instead.
  static Entry OpenFolder(int parent, const std::string& name);
  // A new empty file inside parent, opened for writing; a taken name gives a numbered one.
  static Entry CreateFile(int parent, const std::string& name);
  // Renames from to to (or a numbered form of it) inside parent without replacing anything; the name it got.
  static std::optional<std::string> Rename(int parent, const std::string& from, const std::string& to);

 private:
  int m_root = -1;
  std::string m_path;
};
