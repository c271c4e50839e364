# Toolchain for the Windows x86-64 bundle, cross-built on Debian with mingw-w64 (posix threads).
# scripts/build-windows.sh passes it together with the Windows CPython headers and import library.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(TRAKVIA_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TRAKVIA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRAKVIA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TRAKVIA_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TRAKVIA_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)  # build tools run on the host
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)   # nanobind's CMake files live in the host venv

# The GCC runtime, libstdc++ and winpthread are linked in, so the programs and modules need no
# DLL of the compiler beside them: only python312.dll and what every Windows has.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()
