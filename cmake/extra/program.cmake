# The program's dependent-load flags come from its own _load_config_used (src/shell/main.cpp);
# the linker here does not point the load configuration directory at it, so this does.
if(TARGET vellumar)
  add_custom_command(TARGET vellumar POST_BUILD
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/set-load-config ${CMAKE_NM} $<TARGET_FILE:vellumar>
    VERBATIM)
endif()
if(TARGET vellumar_console)
  add_custom_command(TARGET vellumar_console POST_BUILD
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/set-load-config ${CMAKE_NM} $<TARGET_FILE:vellumar_console>
    VERBATIM)
endif()
