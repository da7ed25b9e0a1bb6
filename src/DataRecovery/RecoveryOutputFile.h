#pragma once
// The file a recovery writes: unbuffered positioned writes that report exactly how much reached the file, so a short
// write is seen at once and can be undone by truncating back to the last good position.

#include <cstddef>
#include <cstdint>
#include <string>

class RecoveryOutputFile {
 public:
  RecoveryOutputFile() = default;
  RecoveryOutputFile(const RecoveryOutputFile&) = delete;
  RecoveryOutputFile& operator=(const RecoveryOutputFile&) = delete;
  ~RecoveryOutputFile();

  // Creates (or empties) path for writing and gives it to the invoking user; false when it cannot. A link in the
  // last element is refused, never followed.
  bool Create(const char* path);
  // Writes into a file the caller opened and keeps: Close() leaves it open.
  void Adopt(int fd);
  // Reopens the same file for reading and writing without emptying it (an adopted file stays as it is).
  bool Reopen();
  // Writes all count bytes at position; false when fewer reached the file (LastError() tells why).
  bool WriteAt(std::uint64_t position, const void* bytes, std::size_t count);
  // Cuts or extends (with zeros) the file to size.
  bool Resize(std::uint64_t size);
  // Closes and reports whether the system accepted everything; true when nothing is open.
  bool Close();
  bool IsOpen() const { return m_fd >= 0; }
  int Descriptor() const { return m_fd; }
  // errno of the last call that failed; 0 when none has.
  int LastError() const { return m_error; }

 private:
  bool Fail();

  int m_fd = -1;
  bool m_adopted = false;
  int m_error = 0;
  std::string m_path;
};
