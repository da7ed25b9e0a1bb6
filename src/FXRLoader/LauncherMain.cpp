// fxrloader: starts Quellsy as root through pkexec with the interface language and, when the launcher was asked to
// open one, a scan-result file; then ends without waiting. On the desktop the start-up token it was given goes on
// to the program, whose window is then the one brought to the front.

#include <cstdio>
#include <cstring>

#include "FXRLoader/KDAppDelegate.h"

int main(int argc, char** argv) {
  KDAppDelegate delegate;
  if (argc > 1 && argv[1][0] != '\0' && !delegate.applicationOpenFile(argv[1]))
    std::fprintf(stderr, "fxrloader: no full path can be made of the file to open; starting without it\n");
  const int error = delegate.applicationDidFinishLaunching();
  if (error == 0) return 0;
  std::fprintf(stderr, "fxrloader: pkexec could not be started: %s\n", std::strerror(error));
  return 1;
}
