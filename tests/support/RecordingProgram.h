#pragma once
// A program that notes how it was started, for tests of programs we start and leave to themselves: it writes,
// one per line, its user id, its group ids, its working folder, its arguments, whether descriptor 77 was open
// in it ("leaked" or "closed"), then its environment sorted, into "record" beside itself (the file appears whole,
// once all is written).

#include <filesystem>
#include <optional>
#include <string>

namespace quellsy::test {

// Writes the program into folder (which everyone may then enter and write into, so that another user can run it)
// and returns its path.
std::filesystem::path WriteRecordingProgram(const std::filesystem::path& folder);

struct ProgramRecord {
  std::string uid;
  std::string groups;
  std::string folder;
  std::string arguments;
  std::string descriptor77;
  std::string environment;  // "NAME=VALUE\n" lines
};

// The record beside program; nothing while it has not appeared.
std::optional<ProgramRecord> ReadProgramRecord(const std::filesystem::path& program);

}  // namespace quellsy::test
