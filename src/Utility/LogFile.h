#pragma once
// The engine log's file: "sQuellsy.log" in one folder, appended to line by line. When a line would take it past
// its limit it becomes "sQuellsy.log.1" (replacing the one before) and a new file starts, so the log never holds
// much more than twice the limit. Files it makes are given to the owner it was told of. Not thread-safe: the
// log's lock guards it.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>

class LogFile {
 public:
  static constexpr const char* kName = "sQuellsy.log";
  static constexpr const char* kOldName = "sQuellsy.log.1";
  static constexpr std::uint64_t kDefaultLimit = 4u << 20;

  struct Owner {
    uid_t uid = 0;
    gid_t gid = 0;
  };

  LogFile() = default;
  ~LogFile() { Close(); }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Writes into the folder open as `folder` from now on, a descriptor the object takes over.
  void Use(int folder, std::optional<Owner> owner);
  // Closes the file and the folder; Append then writes nothing until the next Use.
  void Close();
  bool HasFolder() const { return folder_ >= 0; }
  // 0 restores kDefaultLimit.
  void SetLimit(std::uint64_t bytes) { limit_ = bytes != 0 ? bytes : kDefaultLimit; }
  // True when the whole line was written; otherwise errno says why.
  bool Append(const char* line, std::size_t length);

 private:
  bool OpenFile();
  bool Rotate();

  int folder_ = -1;
  int file_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t limit_ = kDefaultLimit;
  std::optional<Owner> owner_;
};
