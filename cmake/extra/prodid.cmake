# Product identification: resource-only test images for the Windows tests, and the
# fuzz targets of the header and version-resource readers (off by default).

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

# --- fuzzing: a clang host build of its own -------------------------------
#   cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVELLUMAR_FUZZ=ON
#   cmake --build build/fuzz --target pe_header_fuzz version_resource_fuzz
#   build/fuzz/version_resource_fuzz -max_total_time=120 corpus/
option(VELLUMAR_FUZZ "Build the libFuzzer targets (host, clang)" OFF)
if(VELLUMAR_FUZZ)
  if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELLUMAR_FUZZ needs a host build with clang (CMAKE_CXX_COMPILER=clang++)")
  endif()
  set(_fuzz_sources
    ${SRC}/update/version_resource.cpp ${SRC}/update/product_text.cpp ${SRC}/update/version.cpp
    ${SRC}/common/text.cpp ${SRC}/common/encoding.cpp)
  foreach(target IN ITEMS pe_header_fuzz version_resource_fuzz)
    add_executable(${target} ${CMAKE_SOURCE_DIR}/fuzz/${target}.cpp ${_fuzz_sources})
    target_include_directories(${target} PRIVATE ${SRC})
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${target} PRIVATE vellumar_warnings)
  endforeach()
endif()
