#pragma once
// Web addresses and folders open in the desktop session of the user who started us, through xdg-open: as that
// user with the user's environment when pkexec made us root (browsers refuse to run as root, and what they save
// must be the user's), as we are otherwise. The opener is started and left to itself; the GUI thread never waits
// for it.

#include <QString>
#include <string>

namespace quellsy::ui {

// target: a web address or an absolute path. False for an empty target, one starting with '-' (the opener would
// read it as an option), or when the opener could not be started.
bool OpenInUserSession(const QString& target);

// The opener program (tests put a recorder in its place); empty restores "xdg-open".
void SetOpenProgramForTests(const std::string& program);

}  // namespace quellsy::ui
