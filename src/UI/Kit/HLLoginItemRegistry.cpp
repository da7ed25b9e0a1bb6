#include "UI/Kit/HLLoginItemRegistry.h"

#include "Platform/AutostartEntries.h"
#include "Platform/InstalledPrograms.h"

namespace quellsy::ui {

HLLoginItemRegistry::HLLoginItemRegistry()
    : folder_(platform::UserAutostartFolder()), program_(platform::InstalledLauncher()) {}

HLLoginItemRegistry::HLLoginItemRegistry(std::filesystem::path folder, std::string program)
    : folder_(std::move(folder)), program_(std::move(program)) {}

void HLLoginItemRegistry::addAppAsLoginItem() const {
  if (folder_) platform::AddAutostartEntry(*folder_, kEntryFileName, program_, "Quellsy");
}

void HLLoginItemRegistry::deleteAppFromLoginItem() const {
  if (folder_) platform::RemoveAutostartEntries(*folder_, program_);
}

}  // namespace quellsy::ui
