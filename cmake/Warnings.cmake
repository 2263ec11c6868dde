# Our own targets build with these warnings as errors; third-party code keeps its own flags.
add_library(vellumar_warnings INTERFACE)
target_compile_options(vellumar_warnings INTERFACE -Wall -Wextra -Wshadow -Werror)
