# What `cmake --install` puts under the prefix: the PPD library with its headers and a
# pkg-config file, the print-system library, and the programs.
include(GNUInstallDirs)

# The shared libraries under generic target names get installed names of their own.
foreach(lib platform foundation printsys controls)
  if(TARGET ${lib})
    set_target_properties(${lib} PROPERTIES OUTPUT_NAME zeq${lib})
  endif()
endforeach()

set(ZEQ_INSTALL_LIBS)
foreach(lib platform foundation ZEQPPD printsys controls)
  if(TARGET ${lib})
    list(APPEND ZEQ_INSTALL_LIBS ${lib})
  endif()
endforeach()
install(TARGETS ${ZEQ_INSTALL_LIBS} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

set(ZEQ_INSTALL_PROGRAMS)
foreach(program zeqppd ppdinfo imageshift-dialog)
  if(TARGET ${program})
    list(APPEND ZEQ_INSTALL_PROGRAMS ${program})
  endif()
endforeach()
install(TARGETS ${ZEQ_INSTALL_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The PPD library's headers keep their folders, as the sources include them.
install(DIRECTORY platform foundation PPDUtils parser PPDObjects settings
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zeqppd
        FILES_MATCHING PATTERN "*.h")
# The pkg-config file names the prefix given at install time (cmake --install --prefix).
install(CODE "
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  configure_file(\"${CMAKE_SOURCE_DIR}/cmake/zeqppd.pc.in\" \"${CMAKE_BINARY_DIR}/zeqppd.pc\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/zeqppd.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The plug-in bundle under <libdir>/imageshift, its shared library with the installed run path;
# the sample printer and its script under <datadir>/imageshift/examples, where the dialog
# looks for them.
if(TARGET ImageShiftPlugIn)
  install(TARGETS ImageShiftPlugIn
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/imageshift/ImageShift.plugin/Contents/Linux)
  install(DIRECTORY ${ZEQ_PLUGIN_DIR} DESTINATION ${CMAKE_INSTALL_LIBDIR}/imageshift
          PATTERN "Linux" EXCLUDE)
  install(FILES ${CMAKE_SOURCE_DIR}/examples/QW4300.ppd ${CMAKE_SOURCE_DIR}/examples/imageshift.script
          DESTINATION ${CMAKE_INSTALL_DATADIR}/imageshift/examples)
endif()
