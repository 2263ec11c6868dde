# Vendor names: the IEEE MA-L listing from Debian's ieee-data, turned into a
# compact table that src/wireless/vendor.cpp compiles in.
set(VELLUMAR_OUI_TXT /usr/share/ieee-data/oui.txt CACHE FILEPATH "The IEEE MA-L listing (Debian package ieee-data)")
if(NOT EXISTS ${VELLUMAR_OUI_TXT})
  message(FATAL_ERROR "${VELLUMAR_OUI_TXT} not found (apt-get install ieee-data)")
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(_oui_dir ${CMAKE_BINARY_DIR}/generated)
set(_oui_inc ${_oui_dir}/wireless/oui_table.inc)
add_custom_command(OUTPUT ${_oui_inc}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_oui_dir}/wireless
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/oui_table.py ${VELLUMAR_OUI_TXT} ${_oui_inc}
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/oui_table.py ${VELLUMAR_OUI_TXT}
  COMMENT "Vendor table from ${VELLUMAR_OUI_TXT}"
  VERBATIM)
add_custom_target(oui_table DEPENDS ${_oui_inc})
if(TARGET vellumar_core)
  add_dependencies(vellumar_core oui_table)
  target_include_directories(vellumar_core PRIVATE ${_oui_dir})
  set_source_files_properties(${SRC}/wireless/vendor.cpp PROPERTIES OBJECT_DEPENDS ${_oui_inc})
endif()
if(TARGET core_tests)
  target_compile_definitions(core_tests PRIVATE VELLUMAR_TEST_OUI_TXT="${TEST_PATH_PREFIX}${VELLUMAR_OUI_TXT}")
endif()
