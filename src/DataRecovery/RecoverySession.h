#pragma once
// Copies found files one by one into a destination and keeps the tally a person is shown at the end. Each file goes
// under its tree path (names made safe); a copy that lost data is kept under a name saying so, a failed one is
// removed, and a full destination ends the session rather than failing every later file one by one.

#include <map>
#include <string>
#include <vector>

#include "DataRecovery/RecoveryDestination.h"
#include "Utility/ResultCode.h"

class IDataRecovery;
class IFileNode;
class IProgress;

class RecoverySession {
 public:
  enum class Kind { kCopied, kIncomplete, kFailed };

  struct Outcome {
    Kind kind = Kind::kFailed;
    quellsy::ResultCode result = quellsy::kResultOk;
    std::string diskPath;     // the node's path in the tree as the listing shows it ("/" in a name as "_")
    std::string writtenPath;  // relative to the destination; empty when nothing is left
    bool renamed = false;     // written under another name than diskPath
    int error = 0;            // the system's error when a folder or the file could not be made or written
  };

  explicit RecoverySession(RecoveryDestination& destination) : m_destination(destination) {}

  Outcome Recover(IDataRecovery& recovery, IFileNode* node, IProgress* progress);
  // True once a copy ran out of space: the caller stops.
  bool DestinationFull() const { return m_full; }

  int Copied() const { return m_copied; }
  int Incomplete() const { return m_incomplete; }
  int Failed() const { return m_failed; }
  int Renamed() const { return m_renamed; }

 private:
  Outcome Count(Outcome outcome);

  RecoveryDestination& m_destination;
  // Folder paths as asked for -> as made, so every file of one folder lands in the same (perhaps renamed) folder.
  std::map<std::string, std::string> m_folders;
  bool m_full = false;
  int m_copied = 0;
  int m_incomplete = 0;
  int m_failed = 0;
  int m_renamed = 0;
};
