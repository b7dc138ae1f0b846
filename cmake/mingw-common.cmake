# What both MinGW-w64 toolchain files share; each sets CMAKE_SYSTEM_PROCESSOR and
# TAVLORA_MINGW_TRIPLET first (scripts/build-windows reads the triplet from the arch's own file).
# The POSIX thread model: std::thread and std::mutex need it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TAVLORA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVLORA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVLORA_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TAVLORA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
