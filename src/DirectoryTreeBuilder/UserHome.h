#pragma once
// The home folder of the user the program works for. The program runs as root through pkexec, so the
// invoking user's passwd entry (PKEXEC_UID) decides; without pkexec, HOME.

#include <optional>
#include <string>

// Null when PKEXEC_UID is set but names no user, or when neither gives a non-empty folder.
std::optional<std::string> UserHomeFolder();
