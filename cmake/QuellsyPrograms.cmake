# The installed programs and the desktop files that name them, in one place. The windowed program's target installs
# itself as ${QUELLSY_PROGRAM_NAME} into ${QUELLSY_PROGRAM_DIR}; the launcher, the helper that pkexec runs as root and
# the polkit policy read their paths from here.

set(QUELLSY_APP_ID org.quellsy.Quellsy)

# The windowed program.
set(QUELLSY_PROGRAM_NAME quellsy)
set(QUELLSY_PROGRAM_DIR ${CMAKE_INSTALL_BINDIR})
# The launcher the desktop entry starts.
set(QUELLSY_LAUNCHER_NAME fxrloader)
set(QUELLSY_LAUNCHER_DIR ${CMAKE_INSTALL_BINDIR})
# The helper pkexec runs as root: it sets the display environment and starts the windowed program.
set(QUELLSY_ROOT_START_NAME quellsy-root-start)
set(QUELLSY_ROOT_START_DIR ${CMAKE_INSTALL_LIBEXECDIR}/quellsy)

# polkitd reads actions from this folder only, whatever the prefix.
set(QUELLSY_POLKIT_ACTIONS_DIR /usr/share/polkit-1/actions CACHE PATH "Where polkit policies are installed")
set(QUELLSY_POLKIT_ACTION ${QUELLSY_APP_ID}.run)

set(QUELLSY_PROGRAM_PATH ${CMAKE_INSTALL_FULL_BINDIR}/${QUELLSY_PROGRAM_NAME})
set(QUELLSY_LAUNCHER_PATH ${CMAKE_INSTALL_FULL_BINDIR}/${QUELLSY_LAUNCHER_NAME})
set(QUELLSY_ROOT_START_PATH ${CMAKE_INSTALL_FULL_LIBEXECDIR}/quellsy/${QUELLSY_ROOT_START_NAME})

# The file type of saved scan results, named by the desktop entry and defined by the shared-mime-info file.
set(QUELLSY_SCAN_RESULT_MIME_TYPE application/x-quellsy-scan-result)
