# What only the native Windows program has: the manifest and version record
# of windows/ compiled beside veldran.rc, and its zip,
# orvanta-<version>-win64.zip, made by `cpack -G ZIP` in the build folder.
set(ORVANTA_WINDOWS_DIR ${CMAKE_CURRENT_LIST_DIR}/../windows)
cmake_path(NORMAL_PATH ORVANTA_WINDOWS_DIR)

function(orvanta_add_windows_resources TARGET)
  set(ORVANTA_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  set(ORVANTA_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/${TARGET}_windows)
  set(ORVANTA_MANIFEST ${out_dir}/orvanta.manifest)
  configure_file(${ORVANTA_WINDOWS_DIR}/orvanta.manifest ${ORVANTA_MANIFEST} @ONLY)
  configure_file(${ORVANTA_WINDOWS_DIR}/orvanta-windows.rc.in ${out_dir}/orvanta-windows.rc @ONLY)
  target_sources(${TARGET} PRIVATE ${out_dir}/orvanta-windows.rc)
  set_source_files_properties(${out_dir}/orvanta-windows.rc TARGET_DIRECTORY ${TARGET} PROPERTIES
      OBJECT_DEPENDS ${ORVANTA_MANIFEST})
endfunction()

# The zip holds one folder: the program, LICENSE, README.md and
# help/orvanta.html, laid out as beside the Linux program.
macro(orvanta_package_windows TARGET)
  install(TARGETS ${TARGET} RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/help/orvanta.html DESTINATION help)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME orvanta)
  set(CPACK_PACKAGE_VENDOR Orvanta)
  set(CPACK_PACKAGE_FILE_NAME orvanta-${PROJECT_VERSION}-win64)
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
  include(CPack)
endmacro()
