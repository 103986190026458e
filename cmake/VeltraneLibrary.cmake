# The core and the conversion command as a library for other projects:
# Veltrane::core and Veltrane::command, found with find_package(Veltrane) or
# pkg-config (veltrane.pc), or taken in with add_subdirectory.
#
# A project that embeds the core includes our headers under a veltrane/
# folder (#include <veltrane/Veltrane.h>), so that our short folder names
# (platform/, survey/, ...) never stand in front of its own. The build copies
# the headers into that layout (cmake/CopyHeaders.cmake), each include of ours
# given the same folder; the copies serve the build tree and the installed
# tree alike. Only what <veltrane/Veltrane.h> reaches is copied; every header
# of the core is a dependency, as any may come to be reached.
include(CMakePackageConfigHelpers)

set(VELTRANE_HEADER_ROOT ${PROJECT_BINARY_DIR}/include)
file(GLOB_RECURSE VELTRANE_CORE_HEADERS RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
     platform/*.h survey/*.h formats/*.h convert/*.h)
set(VELTRANE_HEADER_SOURCES)
foreach(header IN LISTS VELTRANE_CORE_HEADERS)
    list(APPEND VELTRANE_HEADER_SOURCES ${PROJECT_SOURCE_DIR}/${header})
endforeach()
list(APPEND VELTRANE_HEADER_SOURCES ${PROJECT_BINARY_DIR}/generated/VeltraneVersion.h
     ${PROJECT_SOURCE_DIR}/packaging/Veltrane.h)
add_custom_command(
    OUTPUT ${VELTRANE_HEADER_ROOT}/veltrane.stamp
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DGENERATED_DIR=${PROJECT_BINARY_DIR}/generated
            -DDESTINATION=${VELTRANE_HEADER_ROOT}/veltrane
            -P ${PROJECT_SOURCE_DIR}/cmake/CopyHeaders.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${VELTRANE_HEADER_ROOT}/veltrane.stamp
    DEPENDS ${VELTRANE_HEADER_SOURCES} ${PROJECT_SOURCE_DIR}/cmake/CopyHeaders.cmake
    COMMENT "Copying the library's headers into include/veltrane"
    VERBATIM)
add_custom_target(veltrane_headers DEPENDS ${VELTRANE_HEADER_ROOT}/veltrane.stamp)
add_dependencies(veltrane_core veltrane_headers)

foreach(target veltrane_core veltrane_command)
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${VELTRANE_HEADER_ROOT}>
                                                $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    # Position-independent, so that a shared library or a plug-in can embed it.
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endforeach()
set_target_properties(veltrane_core PROPERTIES EXPORT_NAME core)
set_target_properties(veltrane_command PROPERTIES EXPORT_NAME command)

set(VELTRANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Veltrane)
install(TARGETS veltrane_core veltrane_command EXPORT VeltraneTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(DIRECTORY ${VELTRANE_HEADER_ROOT}/veltrane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT dev)
install(EXPORT VeltraneTargets NAMESPACE Veltrane:: DESTINATION ${VELTRANE_CMAKE_DIR}
        COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/VeltraneConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/generated/VeltraneConfig.cmake
                              INSTALL_DESTINATION ${VELTRANE_CMAKE_DIR})
# A 1.x project builds against any 1.y of at least its version.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/generated/VeltraneConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/generated/VeltraneConfig.cmake
              ${PROJECT_BINARY_DIR}/generated/VeltraneConfigVersion.cmake
        DESTINATION ${VELTRANE_CMAKE_DIR} COMPONENT dev)

# pkg-config finds the folders from where the file lies, so that the same
# file serves /usr, /usr/local or any prefix the tree is unpacked under.
file(RELATIVE_PATH VELTRANE_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VELTRANE_PC_TO_PREFIX "${VELTRANE_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/veltrane.pc.in
               ${PROJECT_BINARY_DIR}/generated/veltrane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/generated/veltrane.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
