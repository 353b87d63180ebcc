# Cross-compiling for 64-bit Windows on Debian with mingw-w64.
#
# scripts/windows-deps builds the Windows SQLite, Qt and libcurl into one
# prefix (Qt itself is built with a copy of this file, installed in the prefix
# as share/corvane/mingw-w64-x86_64.cmake with the prefix filled in) and
# prints the prefix as its last line:
#
#   prefix=$(scripts/windows-deps | tail -n1)
#   cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
#         -DQT_HOST_PATH=/usr \
#         -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
#   cmake --build build-windows
#   ctest --test-dir build-windows        # each test .exe runs under wine
#
# Qt's toolchain file chain-loads the copy in the prefix, so nothing else is
# needed; find_package(Qt6 / CURL / SQLite3) then find only the prefix's
# Windows builds, never the Linux libraries of the build machine. This file
# can also be used on its own, with -DCORVANE_WINDOWS_PREFIX=<prefix> (or the
# environment variable of that name), e.g. for a project without Qt.
#
# Running: CMAKE_CROSSCOMPILING_EMULATOR starts the .exe files under wine
# through scripts/lib/wine-run (a copy sits beside the prefix's copy of this
# file), with WINEPATH covering the prefix's bin (Qt, sqlite3, libcurl DLLs)
# and the compiler's runtime DLLs (libstdc++, libgcc_s, libwinpthread), in the
# wine prefix scripts/windows-deps prepares beside the dependency prefix
# (<prefix>/../wineprefix; override with CORVANE_WINEPREFIX). wine-run passes
# QT_* variables through (wine drops them) and sends Qt's logging and QtTest's
# report to stderr/stdout. Qt finds its plugins from the location of
# Qt6Core.dll (<prefix>/plugins), so no QT_PLUGIN_PATH is needed. The
# offscreen platform plugin draws text with FreeType and, on Windows, finds
# fonts only through QT_QPA_FONTDIR (e.g. Z:/usr/share/fonts/truetype/liberation2).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix-threads variant: Qt needs std::thread, std::mutex and friends,
# which the win32-threads variant of Debian's mingw-w64 lacks.
set(CORVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_TRIPLE}-windres)

if(NOT CORVANE_WINDOWS_PREFIX AND DEFINED ENV{CORVANE_WINDOWS_PREFIX})
  set(CORVANE_WINDOWS_PREFIX "$ENV{CORVANE_WINDOWS_PREFIX}")
endif()
if(NOT CORVANE_WINEPREFIX)
  if(DEFINED ENV{CORVANE_WINEPREFIX})
    set(CORVANE_WINEPREFIX "$ENV{CORVANE_WINEPREFIX}")
  elseif(CORVANE_WINDOWS_PREFIX)
    get_filename_component(CORVANE_WINEPREFIX "${CORVANE_WINDOWS_PREFIX}/../wineprefix" ABSOLUTE)
  endif()
endif()
# Libraries built into folders of their own (OpenSSL), used like the prefix.
if(NOT CORVANE_WINDOWS_LIBRARY_PREFIXES AND DEFINED ENV{CORVANE_WINDOWS_LIBRARY_PREFIXES})
  set(CORVANE_WINDOWS_LIBRARY_PREFIXES "$ENV{CORVANE_WINDOWS_LIBRARY_PREFIXES}")
endif()
# try_compile() projects read this file again and must see the same values.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CORVANE_WINDOWS_PREFIX CORVANE_WINEPREFIX
     CORVANE_WINDOWS_LIBRARY_PREFIXES)
list(REMOVE_DUPLICATES CMAKE_TRY_COMPILE_PLATFORM_VARIABLES)

# Libraries, headers and packages come only from the Windows prefix and the
# mingw-w64 sysroot; programs (moc, rcc, wine...) from the build machine.
# The prefix goes into CMAKE_FIND_ROOT_PATH only, not CMAKE_PREFIX_PATH: CMake
# re-roots a prefix path that equals a root path into <root>/<root>.
list(APPEND CMAKE_FIND_ROOT_PATH ${CORVANE_WINDOWS_PREFIX} ${CORVANE_WINDOWS_LIBRARY_PREFIXES}
     /usr/${CORVANE_MINGW_TRIPLE})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config would otherwise answer with the build machine's Linux libraries.
set(_corvane_pc_dirs "")
foreach(_root IN LISTS CMAKE_FIND_ROOT_PATH)
  list(APPEND _corvane_pc_dirs "${_root}/lib/pkgconfig")
endforeach()
string(REPLACE ";" ":" _corvane_pc_dirs "${_corvane_pc_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${_corvane_pc_dirs}")
set(ENV{PKG_CONFIG_PATH} "")
unset(_corvane_pc_dirs)

# Test programs and build-time tools run under wine, with the folders of
# their DLLs in WINEPATH.
find_program(CORVANE_WINE wine)
set(CORVANE_WINE_RUN "")
foreach(_candidate "${CMAKE_CURRENT_LIST_DIR}/wine-run" "${CMAKE_CURRENT_LIST_DIR}/../scripts/lib/wine-run")
  if(NOT CORVANE_WINE_RUN AND EXISTS "${_candidate}")
    get_filename_component(CORVANE_WINE_RUN "${_candidate}" ABSOLUTE)
  endif()
endforeach()
unset(_candidate)
if(CORVANE_WINE AND CORVANE_WINE_RUN)
  set(_corvane_winepath "")
  foreach(_dir IN LISTS CORVANE_WINDOWS_PREFIX CORVANE_WINDOWS_LIBRARY_PREFIXES)
    list(APPEND _corvane_winepath "${_dir}/bin")
  endforeach()
  foreach(_dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
                    OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE _failed)
    if(NOT _failed AND IS_ABSOLUTE "${_path}" AND EXISTS "${_path}")
      get_filename_component(_dir "${_path}" DIRECTORY)
      get_filename_component(_dir "${_dir}" REALPATH)
      list(APPEND _corvane_winepath "${_dir}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES _corvane_winepath)
  # ':'-separated: a ';' would end the command in a build rule's shell line;
  # wine-run turns it into WINEPATH.
  string(REPLACE ";" ":" _corvane_winepath "${_corvane_winepath}")
  set(CMAKE_CROSSCOMPILING_EMULATOR env "WINE=${CORVANE_WINE}" "CORVANE_WINEPATH=${_corvane_winepath}")
  if(CORVANE_WINEPREFIX)
    list(APPEND CMAKE_CROSSCOMPILING_EMULATOR "WINEPREFIX=${CORVANE_WINEPREFIX}")
  endif()
  list(APPEND CMAKE_CROSSCOMPILING_EMULATOR "${CORVANE_WINE_RUN}")
  unset(_corvane_winepath)
  unset(_dll)
  unset(_path)
  unset(_dir)
  unset(_failed)
endif()
