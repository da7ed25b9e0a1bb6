#pragma once
// The launcher's run: remember the document it was asked to open, start the windowed program, end.

#include <optional>
#include <string>

class KDAppDelegate {
 public:
  // Keeps the document as a full path (the program runs in another folder); any path is taken. False when no full
  // path can be made of it (the current folder is gone), and the document is then left out.
  bool applicationOpenFile(const std::string& path);
  // Starts the program through RunTool with the installed helper; what RunTool returned.
  int applicationDidFinishLaunching();

  const std::optional<std::string>& rsfPath() const { return rsfPath_; }

 private:
  std::optional<std::string> rsfPath_;
};
