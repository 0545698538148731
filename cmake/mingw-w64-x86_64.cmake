# Cross build for 64-bit Windows with MinGW-w64 (posix threads), run under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(JWW_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${JWW_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${JWW_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${JWW_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${JWW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything is linked in, so the .exe runs with nothing beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(ZLIB_USE_STATIC_LIBS ON)

# Test executables run under wine64 (Debian keeps it outside PATH).
find_program(JWW_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(JWW_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${JWW_WINE64})
endif()
