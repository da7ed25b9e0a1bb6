#pragma once
// A thin POSIX file: reads and writes loop until every byte is through (or the file ends), and a created file gets
// 0600 and is handed to the user who started the program, never opened up to everyone. Only regular files are
// opened, and a file to write is never reached through a symbolic link.

#include <cstdint>
#include <string>

class CStdFile {
 public:
  enum OpenMode : int { kReadOnly = 0, kReadWrite = 1, kCreateTruncate = 3, kLastMode = 4 };

  CStdFile() = default;
  CStdFile(const CStdFile&) = delete;
  CStdFile& operator=(const CStdFile&) = delete;
  ~CStdFile();

  // Modes 1, 2 and 4 open for reading and writing, creating a missing file; 3 also truncates; above 4 fails.
  bool Open(const char* path, int mode);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& GetPath() const { return path_; }
  // The count read: less than length only at the end of the file or on an error (0 when closed).
  std::uint64_t Read(void* buffer, std::uint64_t length);
  // True when every byte was written.
  bool Write(const void* buffer, std::uint64_t length);
  bool GetFileLength(std::uint64_t* length) const;
  std::uint64_t GetPosition() const;
  bool Seek(std::uint64_t position);
  bool SeekToEnd();

 private:
  int fd_ = -1;
  std::string path_;
};
