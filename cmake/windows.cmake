# Toolchain of the `windows` preset: Qt's own cross toolchain file from the
# dependency prefix scripts/windows-deps builds, which chain-loads that
# prefix's copy of mingw-w64-x86_64.cmake (compilers, find roots, wine).
#
#   export CORVANE_WINDOWS_PREFIX=$(scripts/windows-deps | tail -n1)
#   cmake --preset windows && cmake --build --preset windows && ctest --preset windows
if(NOT CORVANE_WINDOWS_PREFIX AND DEFINED ENV{CORVANE_WINDOWS_PREFIX})
  set(CORVANE_WINDOWS_PREFIX "$ENV{CORVANE_WINDOWS_PREFIX}")
endif()
if(NOT EXISTS "${CORVANE_WINDOWS_PREFIX}/lib/cmake/Qt6/qt.toolchain.cmake")
  message(FATAL_ERROR "CORVANE_WINDOWS_PREFIX must name the prefix scripts/windows-deps prints "
                      "(its last line); got '${CORVANE_WINDOWS_PREFIX}'")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CORVANE_WINDOWS_PREFIX)
set(QT_HOST_PATH /usr CACHE PATH "Host Qt whose moc, rcc and uic the build runs")
if(NOT QT_HOST_PATH_CMAKE_DIR)
  execute_process(COMMAND dpkg-architecture -qDEB_HOST_MULTIARCH
                  OUTPUT_VARIABLE _multiarch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT _multiarch)
    set(_multiarch x86_64-linux-gnu)
  endif()
  set(QT_HOST_PATH_CMAKE_DIR "/usr/lib/${_multiarch}/cmake" CACHE PATH "CMake packages of the host Qt")
  unset(_multiarch)
endif()
include("${CORVANE_WINDOWS_PREFIX}/lib/cmake/Qt6/qt.toolchain.cmake")
