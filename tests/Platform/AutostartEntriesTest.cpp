// Autostart entries: which program a desktop entry's Exec line starts, our own entries written and read back
// whatever the program's path holds, and removal of ours only, without following links or blocking on odd files.

#include "Platform/AutostartEntries.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(AutostartEntries, TheProgramOfAnExecLineIsItsFirstWordUnquoted) {
  const struct {
    const char* text;
    const char* program;
  } cases[] = {
      {"[Desktop Entry]\nExec=/usr/bin/fxrloader\n", "/usr/bin/fxrloader"},
      {"[Desktop Entry]\nName=A\nExec=/usr/bin/tool --minimized %u\n", "/usr/bin/tool"},
      {"[Desktop Entry]\r\nExec=/usr/bin/tool\r\n", "/usr/bin/tool"},                    // written on Windows
      {"[Desktop Entry]\nExec = /usr/bin/tool\n", "/usr/bin/tool"},                     // blanks around '='
      {"[Desktop Entry]\nExec=\"/opt/My Apps/run it\" -x\n", "/opt/My Apps/run it"},     // quoted
      {"[Desktop Entry]\nExec=\"/opt/a\\\\\"b\\\\$c\"\n", "/opt/a\"b$c"},                // escapes of both kinds
      {"[Desktop Entry]\nExec=/opt/a\\sb\n", "/opt/a"},                                 // \s is a blank: two words
      {"[Desktop Entry]\nExecSomething=/usr/bin/no\nExec=/usr/bin/yes\n", "/usr/bin/yes"},
      {"[Desktop Action new]\nExec=/usr/bin/other\n[Desktop Entry]\nName=B\n", ""},     // another group only
      {"Exec=/usr/bin/before-any-group\n", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(AutostartProgram(c.text), c.program) << c.text;
}

TEST(AutostartEntries, OurEntryReadsBackAsTheProgramWhateverItsPathHolds) {
  test::TempDir dir;
  for (const std::string program : {"/usr/local/bin/fxrloader", "/opt/My Apps/fxr loader", "/opt/a\"b$c`d\\e;f"}) {
    ASSERT_TRUE(AddAutostartEntry(dir.path(), "ours.desktop", program, "Quellsy"));
    const std::string text = ReadText(dir / "ours.desktop");
    EXPECT_EQ(AutostartProgram(text), program) << text;
    EXPECT_NE(text.find("Name=Quellsy\n"), std::string::npos);
    EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
  }
}

TEST(AutostartEntries, OnlyEntriesThatStartOurProgramAreRemoved) {
  test::TempDir dir;
  const fs::path folder = dir / "autostart";
  const fs::path program = dir / "bin/fxrloader";
  fs::create_directories(program.parent_path());
  WriteText(program, "#!/bin/sh\n");
  ASSERT_TRUE(AddAutostartEntry(folder, "org.quellsy.Quellsy.desktop", program.string(), "Quellsy"));
  WriteText(folder / "copy.desktop", "[Desktop Entry]\nExec=" + program.string() + " --hidden\n");
  // The same program reached through a link in its path.
  fs::create_directory_symlink(program.parent_path(), dir / "linked-bin");
  WriteText(folder / "by-link.desktop", "[Desktop Entry]\nExec=" + (dir / "linked-bin/fxrloader").string() + "\n");
  WriteText(folder / "other.desktop", "[Desktop Entry]\nExec=/usr/bin/other-tool\n");
  WriteText(folder / "notes.txt", "[Desktop Entry]\nExec=" + program.string() + "\n");  // no desktop entry
  // A link to an entry of ours elsewhere is not followed, and a pipe is never read (it would block).
  WriteText(dir / "elsewhere.desktop", "[Desktop Entry]\nExec=" + program.string() + "\n");
  fs::create_symlink(dir / "elsewhere.desktop", folder / "link.desktop");
  ASSERT_EQ(mkfifo((folder / "pipe.desktop").c_str(), 0600), 0);

  EXPECT_EQ(RemoveAutostartEntries(folder, program.string()), 3u);
  EXPECT_FALSE(fs::exists(folder / "org.quellsy.Quellsy.desktop"));
  EXPECT_FALSE(fs::exists(folder / "copy.desktop"));
  EXPECT_FALSE(fs::exists(folder / "by-link.desktop"));
  for (const char* kept : {"other.desktop", "notes.txt", "link.desktop", "pipe.desktop"})
    EXPECT_TRUE(fs::exists(fs::symlink_status(folder / kept))) << kept;
  EXPECT_TRUE(fs::exists(dir / "elsewhere.desktop"));
  EXPECT_EQ(RemoveAutostartEntries(dir / "missing", program.string()), 0u);
}

}  // namespace
}  // namespace quellsy::platform
