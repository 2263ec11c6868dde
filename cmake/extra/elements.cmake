# libFuzzer target for the information-element reader:
#   cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVELLUMAR_FUZZ=ON
#   cmake --build build/fuzz --target fuzz_information_elements
#   build/fuzz/fuzz_information_elements -max_total_time=600 CORPUS   (CORPUS: a copy of fuzz/corpus/information_elements)
if(VELLUMAR_FUZZ)
  add_executable(fuzz_information_elements ${CMAKE_SOURCE_DIR}/fuzz/information_elements_fuzz.cpp
                 ${SRC}/wireless/information_elements.cpp)
  target_include_directories(fuzz_information_elements PRIVATE ${SRC})
  target_compile_options(fuzz_information_elements PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
  target_link_options(fuzz_information_elements PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_information_elements PRIVATE vellumar_warnings)
endif()
