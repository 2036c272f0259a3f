# Every fuzz target's saved inputs (its seeds, and every finding kept as a seed) replayed
# through the sanitised host build, without libFuzzer: a regression of any finding fails the
# unit tests. make fuzz stays the long run.
set(KITBAG_ROOT ${CMAKE_SOURCE_DIR})
include(${CMAKE_SOURCE_DIR}/fuzz/sources.cmake)

# The targets read their input through LLVM's FuzzedDataProvider, a header of its own. It is
# copied alone: clang's include folder also holds its own C headers, which gcc must not see.
file(GLOB fuzzed_data_provider /usr/lib/llvm-*/lib/clang/*/include/fuzzer/FuzzedDataProvider.h)
if(NOT fuzzed_data_provider)
    message(FATAL_ERROR "fuzzer/FuzzedDataProvider.h not found: install libclang-rt-14-dev "
                        "(tools/install-deps.sh does)")
endif()
list(GET fuzzed_data_provider 0 fuzzed_data_provider)
set(KITBAG_FUZZED_DATA_PROVIDER_DIR ${CMAKE_BINARY_DIR}/fuzz-replay-include)
configure_file(${fuzzed_data_provider} ${KITBAG_FUZZED_DATA_PROVIDER_DIR}/fuzzer/FuzzedDataProvider.h
               COPYONLY)

add_library(kitbag_fuzz_replay STATIC ${KITBAG_FUZZ_SOURCES})
target_include_directories(kitbag_fuzz_replay PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(kitbag_fuzz_replay PUBLIC kitbag_lzma_decoder kitbag_lzma_encoder)
target_include_directories(kitbag_fuzz_replay SYSTEM PUBLIC ${KITBAG_FUZZED_DATA_PROVIDER_DIR})
foreach(target ${KITBAG_FUZZ_TARGETS})
    add_executable(fuzz_replay_${target} ${CMAKE_SOURCE_DIR}/fuzz/fuzz_${target}.cpp
                                         ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_link_libraries(fuzz_replay_${target} PRIVATE kitbag_fuzz_replay)
    add_test(NAME fuzz_replay.${target}
             COMMAND fuzz_replay_${target} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${target})
    set_tests_properties(fuzz_replay.${target} PROPERTIES LABELS unit TIMEOUT 120)
endforeach()
