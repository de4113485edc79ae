# The plug-in bundle, laid out in the build folder as it is installed:
#   ImageShift.plugin/Contents/Info.plist          identifier, factory and type
#   ImageShift.plugin/Contents/PrinterList.plist   PC file names of the supported printers
#   ImageShift.plugin/Contents/Linux/ImageShift.so the shell, the model and the panel
#   ImageShift.plugin/Contents/Resources/          interface file, page images, string tables
set(ZEQ_BUNDLE_ID "com.vorel.print.pde.4B7D2E91-6C3A-11DB-9F05-00A0C9D4E2B7.ImSh")
set(ZEQ_FACTORY_ID "4B7D2E92-6C3A-11DB-9F05-00A0C9D4E2B7")
set(ZEQ_PDE_TYPE_ID "BDB091F4-E57F-11D3-B5CC-0050E4603277")
set(ZEQ_PLUGIN_DIR ${CMAKE_BINARY_DIR}/ImageShift.plugin)
set(ZEQ_PLUGIN_DIR ${ZEQ_PLUGIN_DIR} PARENT_SCOPE)
set(ZEQ_FACTORY_ID ${ZEQ_FACTORY_ID} PARENT_SCOPE)

add_library(ImageShiftPlugIn MODULE ImageShiftPlugIn.cpp ImageShiftPDE.cpp)
target_compile_options(ImageShiftPlugIn PRIVATE ${ZEQ_WARNINGS})
target_link_libraries(ImageShiftPlugIn PRIVATE imageshift printsys ZEQPPD controls platform foundation)
# Installed under <prefix>/lib/imageshift/ImageShift.plugin: the libraries are four folders up.
set_target_properties(ImageShiftPlugIn PROPERTIES
  PREFIX "" OUTPUT_NAME ImageShift
  LIBRARY_OUTPUT_DIRECTORY ${ZEQ_PLUGIN_DIR}/Contents/Linux
  INSTALL_RPATH "\$ORIGIN/../../../..")

configure_file(Info.plist.in ${ZEQ_PLUGIN_DIR}/Contents/Info.plist @ONLY)
configure_file(PrinterList.plist ${ZEQ_PLUGIN_DIR}/Contents/PrinterList.plist COPYONLY)
