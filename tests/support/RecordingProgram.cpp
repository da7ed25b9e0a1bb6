#include "support/RecordingProgram.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace quellsy::test {

namespace fs = std::filesystem;

fs::path WriteRecordingProgram(const fs::path& folder) {
  fs::permissions(folder, fs::perms::all);
  const fs::path program = folder / "recorder";
  std::ofstream(program) << "#!/bin/sh\n"
                            "out=\"$(dirname \"$0\")/record\"\n"
                            "{ id -u; id -G; pwd; echo \"$@\"; [ -e /proc/$$/fd/77 ] && echo leaked || echo closed;"
                            "  env | sort; } > \"$out.tmp\"\n"
                            "mv \"$out.tmp\" \"$out\"\n";
  fs::permissions(program, fs::perms::all);
  return program;
}

std::optional<ProgramRecord> ReadProgramRecord(const fs::path& program) {
  std::ifstream in(program.parent_path() / "record");
  if (!in) return std::nullopt;
  ProgramRecord record;
  std::getline(in, record.uid);
  std::getline(in, record.groups);
  std::getline(in, record.folder);
  std::getline(in, record.arguments);
  std::getline(in, record.descriptor77);
  record.environment.assign(std::istreambuf_iterator<char>(in), {});
  return record;
}

}  // namespace quellsy::test
