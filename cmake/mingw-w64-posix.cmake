# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers. The posix thread model is
# the one whose libstdc++ has std::thread, mutexes and condition variables.
# The libraries built by scripts/build-windows are found through UPDATE_WINDOWS_PREFIX
# (cache variable or environment). Programs run under Wine, in a prefix inside the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_host x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_host}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_host}-g++-posix)
set(CMAKE_RC_COMPILER ${_host}-windres)

if(NOT UPDATE_WINDOWS_PREFIX AND DEFINED ENV{UPDATE_WINDOWS_PREFIX})
  set(UPDATE_WINDOWS_PREFIX "$ENV{UPDATE_WINDOWS_PREFIX}")
endif()
set(UPDATE_WINDOWS_PREFIX "${UPDATE_WINDOWS_PREFIX}" CACHE PATH "Windows libraries built by scripts/build-windows")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES UPDATE_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${_host})
if(UPDATE_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${UPDATE_WINDOWS_PREFIX}")
  # Only the Windows .pc files, never the host's.
  set(ENV{PKG_CONFIG_LIBDIR} "${UPDATE_WINDOWS_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ZLIB_USE_STATIC_LIBS ON)

# One self-contained executable: only system DLLs are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test discovery at build time and CTest both run the programs through this; without
# WINEPREFIX Wine would make a prefix in the home folder.
find_program(UPDATE_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(UPDATE_WINE64 NAMES wine64 wine)
if(UPDATE_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all ${UPDATE_WINE64})
endif()
