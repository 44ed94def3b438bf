# Unity builds by folder: the .cpp files of one folder of a target are compiled together, a few
# at a time. Under the sanitizers most of a file's compile time goes to what every file shares
# (the JSON library's and GoogleTest's templates, compiled again in every file); compiled together
# they cost it once per batch. Files of one folder share a batch, so names at file scope in an
# anonymous namespace (or `static`) should be unique within their folder: a batch whose files
# clash still builds (cmake/unity-compile compiles it file by file) but loses the gain, and the
# build log warns. QUORVEL_UNITY=OFF compiles every file on its own.
option(QUORVEL_UNITY "Compile the .cpp files of a folder together (unity build)" ON)
set(QUORVEL_UNITY_BATCH 8 CACHE STRING "most .cpp files of one folder compiled together")

function(quorvel_unity_by_folder target)
    if(NOT QUORVEL_UNITY)
        return()
    endif()
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(folders "")
    foreach(source IN LISTS sources)
        if(NOT source MATCHES "\\.cpp$" OR source MATCHES "^\\$<")
            continue()
        endif()
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${source_dir}" NORMALIZE OUTPUT_VARIABLE path)
        cmake_path(GET path PARENT_PATH folder)
        cmake_path(RELATIVE_PATH folder BASE_DIRECTORY "${PROJECT_SOURCE_DIR}")
        string(MAKE_C_IDENTIFIER "${folder}" key)
        list(APPEND folders ${key})
        list(APPEND files_${key} "${source}")
    endforeach()
    list(REMOVE_DUPLICATES folders)
    foreach(key IN LISTS folders)
        # Batches of even size: 10 files make two of 5, not one of 8 and one of 2.
        list(LENGTH files_${key} count)
        math(EXPR batches "(${count} + ${QUORVEL_UNITY_BATCH} - 1) / ${QUORVEL_UNITY_BATCH}")
        math(EXPR per_batch "(${count} + ${batches} - 1) / ${batches}")
        set(index 0)
        foreach(source IN LISTS files_${key})
            math(EXPR batch "${index} / ${per_batch}")
            set_property(SOURCE "${source}" TARGET_DIRECTORY ${target} PROPERTY UNITY_GROUP "${key}_${batch}")
            math(EXPR index "${index} + 1")
        endforeach()
    endforeach()
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE GROUP
        CXX_COMPILER_LAUNCHER "${PROJECT_SOURCE_DIR}/cmake/unity-compile;${CMAKE_CXX_COMPILER_LAUNCHER}")
    if(NOT CMAKE_CXX_COMPILER_LAUNCHER)
        set_target_properties(${target} PROPERTIES CXX_COMPILER_LAUNCHER "${PROJECT_SOURCE_DIR}/cmake/unity-compile")
    endif()
endfunction()
