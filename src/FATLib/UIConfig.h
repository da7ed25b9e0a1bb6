#pragma once
// "UIConfig.ini" in the executable's folder: the user's switches for the FAT engine.

namespace quellsy {

inline constexpr const char* kUIConfigFileName = "UIConfig.ini";
inline constexpr const char* kUserExperienceSection = "UserExperience";
inline constexpr const char* kReviseKey = "bRevise";

// The FAT32 first-cluster repair switch from folder/UIConfig.ini (the executable's folder when folder is
// null): on unless the key reads exactly "0", so a missing file or key leaves it on.
bool IsFirstClusterReviseOn(const char* folder = nullptr);

}  // namespace quellsy
