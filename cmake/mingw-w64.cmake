# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads variant, whose
# C++ library has std::thread and std::mutex): scripts/build-windows.sh passes this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Libraries and headers only from the Windows sysroot: a Linux header or library on the Windows
# include path would compile and then fail at run time.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Links with lld: GNU ld took minutes for the large programs (cmake/mingw-lld-link says how).
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_CURRENT_LIST_DIR}/mingw-lld-link)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_CURRENT_LIST_DIR}/mingw-lld-link)
