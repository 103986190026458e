# cmake -P: copies the library's headers into DESTINATION (the veltrane/
# folder), each include of ours given that folder: "platform/CString.h"
# becomes "veltrane/platform/CString.h". HEADERS lists the headers relative
# to SOURCE_DIR; the version header comes from GENERATED_DIR and the umbrella
# header Veltrane.h from packaging/. A copy whose text is unchanged keeps its
# time, so that nothing that includes it rebuilds.
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

foreach(header IN LISTS HEADERS)
    copy_header(${SOURCE_DIR}/${header} ${header})
endforeach()
copy_header(${GENERATED_DIR}/VeltraneVersion.h VeltraneVersion.h)
copy_header(${SOURCE_DIR}/packaging/Veltrane.h Veltrane.h)
