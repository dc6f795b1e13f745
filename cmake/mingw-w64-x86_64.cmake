# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (package
# g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DKAVTRA_UI=OFF -DKAVTRA_BENCH=OFF
# The posix-threads flavour of the compiler is the one whose C++ library has
# std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KAVTRA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KAVTRA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVTRA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KAVTRA_MINGW_TRIPLET}-windres)

# Added to what the command line gives, such as the folder of Qt for MinGW
# (scripts/windows-qt.sh), which lies outside the MinGW sysroot.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${KAVTRA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry their C and C++ runtimes (and winpthreads) inside, so
# they run on a bare Windows, or under Wine, without MinGW's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
