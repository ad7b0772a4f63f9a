# Libraries outside the system, found through pkg-config (Debian 12 packages).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(OGRE REQUIRED IMPORTED_TARGET OGRE)
pkg_check_modules(CEGUI REQUIRED IMPORTED_TARGET CEGUI-0 CEGUI-0-OGRE)
pkg_check_modules(OIS REQUIRED IMPORTED_TARGET OIS)
pkg_check_modules(ODE REQUIRED IMPORTED_TARGET ode)
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)
pkg_check_modules(VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile)
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)
pkg_check_modules(PYTHON3 REQUIRED IMPORTED_TARGET python3-embed)

find_package(Boost 1.74 REQUIRED COMPONENTS filesystem random python311)
find_package(GTest REQUIRED)

# OgreBites' pkg-config file wants SDL2; only its window-event pump is needed, so link it by name.
find_library(OGRE_BITES_LIBRARY NAMES OgreBites REQUIRED)

# The system's OGRE plug-ins, linked into the runnable tree's plug-in folder.
set(OGRE_SYSTEM_PLUGIN_DIR /usr/lib/x86_64-linux-gnu/OGRE)

find_program(XVFB_RUN xvfb-run)
