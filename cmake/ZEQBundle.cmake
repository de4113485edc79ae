# zeq_bundle: lays out a bundle in the build tree around a program or shared library, as the
# bundle services (platform/CFBundle.h) read it.
include_guard(GLOBAL)

# zeq_bundle(<target> BUNDLE <folder> INFO_PLIST <template> [RESOURCES <folder>...])
# Puts the target's file in <folder>/Contents/Linux, writes <folder>/Contents/Info.plist from
# the template with @ZEQ_BUNDLE_EXECUTABLE@ replaced by that file's name, and copies the files
# under each RESOURCES folder, sub-folders kept, into <folder>/Contents/Resources. The copies
# are made when CMake runs, and CMake runs again when a resource changes or is added.
function(zeq_bundle target)
  cmake_parse_arguments(B "" "BUNDLE;INFO_PLIST" "RESOURCES" ${ARGN})
  if(NOT B_BUNDLE OR NOT B_INFO_PLIST)
    message(FATAL_ERROR "zeq_bundle(${target}) needs BUNDLE and INFO_PLIST")
  endif()
  set(contents ${B_BUNDLE}/Contents)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${contents}/Linux
                                             LIBRARY_OUTPUT_DIRECTORY ${contents}/Linux)
  set(ZEQ_BUNDLE_EXECUTABLE "$<TARGET_FILE_NAME:${target}>")
  configure_file(${B_INFO_PLIST} ${CMAKE_CURRENT_BINARY_DIR}/${target}.Info.plist @ONLY)
  file(GENERATE OUTPUT ${contents}/Info.plist
       INPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}.Info.plist)
  foreach(folder ${B_RESOURCES})
    file(GLOB_RECURSE resources CONFIGURE_DEPENDS RELATIVE ${folder} ${folder}/*)
    foreach(resource ${resources})
      configure_file(${folder}/${resource} ${contents}/Resources/${resource} COPYONLY)
    endforeach()
  endforeach()
endfunction()
