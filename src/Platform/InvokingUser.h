#pragma once
// Who started us through pkexec: pkexec runs the program as root and leaves the caller's uid in PKEXEC_UID.
// Files and folders that a recovery creates are handed to that user, so the user can use them without root.

#include <sys/types.h>

#include <optional>
#include <string>

namespace quellsy::platform {

struct InvokingUser {
  uid_t uid = 0;
  gid_t gid = 0;  // the user's primary group from the passwd entry
  std::string name;
  std::string home;
};

// The passwd entry of uid; nothing when there is none.
std::optional<InvokingUser> FindUserById(uid_t uid);

// The user named by PKEXEC_UID (a decimal uid with a passwd entry); nothing when the variable is absent, malformed
// or names no user. Read anew on every call.
std::optional<InvokingUser> FindInvokingUser();

// Whose behalf we act on as root: the user named by PKEXEC_UID, else by SUDO_UID (sudo leaves the caller's uid
// there); nothing when we do not run as root or neither names a user. Read anew on every call.
std::optional<InvokingUser> FindUserBehindRoot();

// Gives path to the invoking user (without following a symbolic link); true when there is no such user (nothing to
// do) or the change succeeded.
bool GiveToInvokingUser(const char* path);
// The same for a file or folder already open (what it is cannot change under us).
bool GiveOpenFileToInvokingUser(int fd);

}  // namespace quellsy::platform
