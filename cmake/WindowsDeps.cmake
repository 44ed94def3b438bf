# The dependencies of the Windows cross-build. Header-only libraries come from Debian's headers,
# each through an include folder of its own in the build folder, so that no other Linux header
# reaches the Windows include path; GoogleTest is built from Debian's sources. cpp-httplib's
# Debian header declares only (its code is in a Linux library): the header-only form comes from
# Debian's source package of the same version, which scripts/build-windows.sh fetches into
# QUORVEL_HTTPLIB_DIR.
set(QUORVEL_HTTPLIB_DIR "" CACHE PATH "folder holding the header-only httplib.h (scripts/build-windows.sh)")

set(windows_include_root ${CMAKE_BINARY_DIR}/windows-include)
# One include folder per library, holding only that library's headers (a link to Debian's).
function(quorvel_windows_headers target folder entry source)
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "${source} is missing: scripts/build-windows.sh installs it")
    endif()
    file(MAKE_DIRECTORY ${windows_include_root}/${folder})
    file(CREATE_LINK ${source} ${windows_include_root}/${folder}/${entry} SYMBOLIC)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${windows_include_root}/${folder})
endfunction()

quorvel_windows_headers(nlohmann_json::nlohmann_json nlohmann nlohmann /usr/include/nlohmann)
quorvel_windows_headers(quorvel_cli11 cli11 CLI /usr/include/CLI)
quorvel_windows_headers(quorvel_httplib httplib httplib.h ${QUORVEL_HTTPLIB_DIR}/httplib.h)
# Sockets, and the address functions of Windows Vista and later.
set_target_properties(quorvel_httplib PROPERTIES INTERFACE_LINK_LIBRARIES "ws2_32"
                                                 INTERFACE_COMPILE_DEFINITIONS "_WIN32_WINNT=0x0A00")

if(QUORVEL_BUILD_TESTS)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    # Defines GTest::gtest, GTest::gtest_main and GTest::gmock.
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# The C++ and thread libraries of mingw-w64 are DLLs: they go beside the programs, as an
# installation would put them, so that the programs start under Wine without a search path.
# Without their debug information: Debian's libstdc++-6.dll is 23 MB with it and 4 MB without, and
# Wine starts every test program a quarter faster (0.15 s against 0.20 s) with the smaller one.
file(MAKE_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${runtime_path}")
        message(FATAL_ERROR "${runtime} of ${CMAKE_CXX_COMPILER} not found")
    endif()
    execute_process(COMMAND ${CMAKE_STRIP} --strip-debug -o ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${runtime}
                            ${runtime_path} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
