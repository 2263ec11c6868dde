# The simulated service's benchmark reads the project's demo scenario.
if(TARGET bench_sim_pass)
  target_compile_definitions(bench_sim_pass PRIVATE VELLUMAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
