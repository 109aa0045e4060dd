# The sanitized build (HALVORA_SANITIZE): AddressSanitizer and UndefinedBehaviorSanitizer over
# every target, any report fatal. It is clang's: the libFuzzer targets need clang, and the same
# objects serve the tests and the fuzz targets, so libraries also carry the coverage libFuzzer
# steers by (-fsanitize=fuzzer-no-link; the tests run it as plain counters nobody reads).
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "HALVORA_SANITIZE needs clang (cmake -DCMAKE_CXX_COMPILER=clang++)")
endif()

set(HALVORA_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all)
add_compile_options(${HALVORA_SANITIZERS} -fsanitize=fuzzer-no-link -fno-omit-frame-pointer
                    -O1 -gline-tables-only)
add_link_options(${HALVORA_SANITIZERS})
