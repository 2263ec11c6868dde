# The program's icon and the installer wizard's side panel, drawn at build time by the program's
# own picture code (tools/installer_art.cpp, a host program) and packed by ImageMagick:
# installer-art/vellumar.ico (also the program's icon resource) and wizard-96.bmp, wizard-144.bmp.
if(WIN32)
  find_program(VELLUMAR_HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  find_program(VELLUMAR_CONVERT convert REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  set(INSTALLER_ART_DIR ${CMAKE_BINARY_DIR}/installer-art)
  set(_art ${INSTALLER_ART_DIR})
  set(_icons)
  foreach(_size 16 20 24 32 40 48 64 256)
    list(APPEND _icons ${_art}/icon-${_size}.pam)
  endforeach()
  add_custom_command(
    OUTPUT ${_art}/vellumar.ico ${_art}/wizard-96.bmp ${_art}/wizard-144.bmp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_art}
    COMMAND ${VELLUMAR_HOST_CXX} -std=c++20 -O2 -I${SRC} ${CMAKE_SOURCE_DIR}/tools/installer_art.cpp
            ${SRC}/common/picture.cpp -o ${_art}/installer_art
    COMMAND ${_art}/installer_art ${_art}
    COMMAND ${VELLUMAR_CONVERT} ${_icons} ${_art}/vellumar.ico
    COMMAND ${VELLUMAR_CONVERT} ${_art}/wizard-96.pam -alpha off -type TrueColor BMP3:${_art}/wizard-96.bmp
    COMMAND ${VELLUMAR_CONVERT} ${_art}/wizard-144.pam -alpha off -type TrueColor BMP3:${_art}/wizard-144.bmp
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/installer_art.cpp ${SRC}/common/picture.cpp ${SRC}/common/picture.h
            ${SRC}/common/product.h
    COMMENT "Program icon and installer pictures"
    VERBATIM)
  add_custom_target(installer_art DEPENDS ${_art}/vellumar.ico ${_art}/wizard-96.bmp ${_art}/wizard-144.bmp)
  # The program's resource script names the icon; every target that compiles it finds it here.
  set_property(SOURCE ${SRC}/shell/vellumar.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${_art})
  set_property(SOURCE ${SRC}/shell/vellumar.rc APPEND PROPERTY OBJECT_DEPENDS ${_art}/vellumar.ico)
  if(TARGET vellumar)
    add_dependencies(vellumar installer_art)
  endif()
endif()
