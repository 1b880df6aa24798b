# The project's one version number is the one `project()` sets. Every build writes it, with
# the source revision, into trelvax_version.h; `trelvax_version` is the interface target that
# gives a target that header, and `trelvax_version_resource(target name description)` gives a
# Windows program or DLL its version resource.
set(TRELVAX_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${TRELVAX_GENERATED_DIR})
add_custom_target(trelvax_version_header
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DOUTPUT=${TRELVAX_GENERATED_DIR}/trelvax_version.h -DVERSION=${PROJECT_VERSION}
    -P ${PROJECT_SOURCE_DIR}/cmake/WriteVersion.cmake
  BYPRODUCTS ${TRELVAX_GENERATED_DIR}/trelvax_version.h
  COMMENT "Version ${PROJECT_VERSION} and the source revision")
add_library(trelvax_version INTERFACE)
target_include_directories(trelvax_version INTERFACE ${TRELVAX_GENERATED_DIR})
add_dependencies(trelvax_version trelvax_version_header)

function(trelvax_version_resource target file description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(TRELVAX_FILE_TYPE VFT_DLL)
  else()
    set(TRELVAX_FILE_TYPE VFT_APP)
  endif()
  set(TRELVAX_FILE_NAME ${file})
  set(TRELVAX_FILE_DESCRIPTION ${description})
  set(rc ${TRELVAX_GENERATED_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  target_link_libraries(${target} PRIVATE trelvax_version)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    ${TRELVAX_GENERATED_DIR}/trelvax_version.h)
endfunction()
