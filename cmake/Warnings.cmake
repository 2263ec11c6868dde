# Our own targets build with these warnings as errors; third-party code keeps its own flags.
add_library(vellumar_warnings INTERFACE)
target_compile_options(vellumar_warnings INTERFACE -Wall -Wextra -Wshadow -Werror)

# Test code builds light in the optimised flavours (-Og, line tables only): it is most of the
# compile time. The product's own sources keep the build type, so the tests run them as shipped.
set(VELLUMAR_TEST_CODE_OPTIONS "$<$<CONFIG:RelWithDebInfo,Release>:-Og;-g1>")
add_library(vellumar_test_code INTERFACE)
target_compile_options(vellumar_test_code INTERFACE ${VELLUMAR_TEST_CODE_OPTIONS})
