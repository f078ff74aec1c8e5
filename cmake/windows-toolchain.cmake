# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (posix thread model, for
# std::thread and std::mutex). The libraries come from scripts/build-windows-deps: pass its
# prefix as -DVRAKKO_WINDOWS_DEPS=<prefix>.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VRAKKO_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VRAKKO_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VRAKKO_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${VRAKKO_MINGW_HOST}-windres)
set(CMAKE_AR ${VRAKKO_MINGW_HOST}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VRAKKO_MINGW_HOST}-ranlib CACHE FILEPATH "")

# try_compile projects re-read this file; hand them the prefix too.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VRAKKO_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${VRAKKO_MINGW_HOST})
if(VRAKKO_WINDOWS_DEPS)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${VRAKKO_WINDOWS_DEPS})
  set(PKG_CONFIG_EXECUTABLE ${VRAKKO_WINDOWS_DEPS}/pkg-config CACHE FILEPATH "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# libz-mingw-w64-dev ships the import library of zlib1.dll beside the static one; the
# static one is meant.
set(ZLIB_LIBRARY ${CMAKE_SYSROOT}/usr/${VRAKKO_MINGW_HOST}/lib/libz.a CACHE FILEPATH "")
set(ZLIB_LIBRARY_RELEASE ${ZLIB_LIBRARY} CACHE FILEPATH "")
set(ZLIB_INCLUDE_DIR /usr/${VRAKKO_MINGW_HOST}/include CACHE PATH "")
