# cmake -P: copies the library's headers into DESTINATION (the veltrane/
# folder), each include of ours given that folder: "platform/CString.h"
# becomes "veltrane/platform/CString.h". It copies the umbrella header
# Veltrane.h (from packaging/) and what it includes, header by header: what
# a program can reach, and none of the core's inner helpers. The version
# header comes from GENERATED_DIR, the others from SOURCE_DIR. A copy whose
# text is unchanged keeps its time, so that nothing that includes it rebuilds.
cmake_minimum_required(VERSION 3.25)
set(pattern "#include \"((platform|survey|formats|convert)/[^\"]+|VeltraneVersion\\.h)\"")

function(copy_header source relative)
    file(READ ${source} text)
    string(REGEX REPLACE "${pattern}" "#include \"veltrane/\\1\"" text "${text}")
    set(target ${DESTINATION}/${relative})
    if(EXISTS ${target})
        file(READ ${target} old)
        if(old STREQUAL text)
            return()
        endif()
    endif()
    file(WRITE ${target} "${text}")
endfunction()

set(pending Veltrane.h)
set(copied)
while(pending)
    list(POP_FRONT pending header)
    if(header IN_LIST copied)
        continue()
    endif()
    list(APPEND copied ${header})
    if(header STREQUAL "Veltrane.h")
        set(source ${SOURCE_DIR}/packaging/Veltrane.h)
    elseif(header STREQUAL "VeltraneVersion.h")
        set(source ${GENERATED_DIR}/VeltraneVersion.h)
    else()
        set(source ${SOURCE_DIR}/${header})
    endif()
    copy_header(${source} ${header})
    file(STRINGS ${source} includes REGEX "${pattern}")
    foreach(line IN LISTS includes)
        string(REGEX MATCH "${pattern}" match "${line}")
        list(APPEND pending ${CMAKE_MATCH_1})
    endforeach()
endwhile()

# A header no longer reached (moved, or no longer included) goes.
file(GLOB_RECURSE present RELATIVE ${DESTINATION} ${DESTINATION}/*.h)
foreach(header IN LISTS present)
    if(NOT header IN_LIST copied)
        file(REMOVE ${DESTINATION}/${header})
    endif()
endforeach()
