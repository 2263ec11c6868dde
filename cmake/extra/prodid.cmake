# Product identification: resource-only test images for the Windows tests.

# --- test images: both architectures, whatever the flavour ------------------
if(WIN32)
  set(PRODID_IMAGES_DIR ${CMAKE_BINARY_DIR}/prodid_images)
  set(_prodid_rc_dir ${TESTS}/update/win32/images)
  file(MAKE_DIRECTORY ${PRODID_IMAGES_DIR})
  configure_file(${_prodid_rc_dir}/own.rc.in ${PRODID_IMAGES_DIR}/own.rc @ONLY)

  set(_prodid_images)
  # image: output file name; rc: resource script; arch: 32 or 64
  function(prodid_image image rc arch)
    if(arch EQUAL 64)
      set(prefix x86_64-w64-mingw32)
    else()
      set(prefix i686-w64-mingw32)
    endif()
    find_program(_windres_${arch} ${prefix}-windres REQUIRED)
    find_program(_gcc_${arch} ${prefix}-gcc REQUIRED)
    set(out ${PRODID_IMAGES_DIR}/${image})
    # No code, no C runtime: the images hold headers and resources only.
    add_custom_command(OUTPUT ${out}
      COMMAND ${_windres_${arch}} ${rc} -O coff -o ${out}.o
      COMMAND ${_gcc_${arch}} -nostdlib -Wl,--entry=0 -Wl,--subsystem,windows ${out}.o -o ${out}
      DEPENDS ${rc}
      COMMENT "Test image ${image}"
      VERBATIM)
    set(_prodid_images ${_prodid_images} ${out} PARENT_SCOPE)
  endfunction()

  prodid_image(own32.exe ${PRODID_IMAGES_DIR}/own.rc 32)
  prodid_image(own64.exe ${PRODID_IMAGES_DIR}/own.rc 64)
  prodid_image(tool64.exe ${_prodid_rc_dir}/tool.rc 64)
  prodid_image(translated32.exe ${_prodid_rc_dir}/translated.rc 32)
  prodid_image(noversion64.exe ${_prodid_rc_dir}/noversion.rc 64)
  add_custom_target(prodid_test_images ALL DEPENDS ${_prodid_images})

  if(TARGET win_tests)
    add_dependencies(win_tests prodid_test_images)
    target_compile_definitions(win_tests PRIVATE
      VELLUMAR_PRODID_IMAGES="${TEST_PATH_PREFIX}${PRODID_IMAGES_DIR}")
  endif()
endif()
