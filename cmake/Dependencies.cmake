# GoogleTest: on the host Debian's prebuilt libraries (libgtest-dev, libgmock-dev); a cross
# build compiles the sources Debian installs with its own compiler, light on optimisation
# and debug information like the rest of the test code.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest 1.12 CONFIG REQUIRED)
else()
  set(GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest sources")
  if(NOT EXISTS ${GTEST_SRC}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found at ${GTEST_SRC} (apt-get install googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(gtest_target IN ITEMS gtest gtest_main gmock gmock_main)
    target_compile_options(${gtest_target} PRIVATE ${VELLUMAR_TEST_CODE_OPTIONS})
  endforeach()
endif()

# nlohmann-json is header-only; expose only its own folder so a cross build never sees the host's /usr/include.
set(NLOHMANN_JSON_HEADER /usr/include/nlohmann/json.hpp)
if(NOT EXISTS ${NLOHMANN_JSON_HEADER})
  message(FATAL_ERROR "nlohmann/json.hpp not found (apt-get install nlohmann-json3-dev)")
endif()
set(_nlohmann_dir ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${_nlohmann_dir})
file(CREATE_LINK /usr/include/nlohmann ${_nlohmann_dir}/nlohmann SYMBOLIC)
add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${_nlohmann_dir})
