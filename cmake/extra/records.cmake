# The simulated service's and the recording's benchmarks read the project's demo scenario.
foreach(bench IN ITEMS bench_sim_pass bench_recording)
  if(TARGET ${bench})
    target_compile_definitions(${bench} PRIVATE VELLUMAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  endif()
endforeach()
