# KITBAG_HOST_RUNS_32BIT: "yes" where this machine runs 32-bit x86 programs natively, else
# "no", as tools/runs-32bit.sh says (KITBAG_32BIT=yes|no forces it). Asked again at every
# configure, so that `make test KITBAG_32BIT=no` takes the other route.
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/tools/runs-32bit.sh
                OUTPUT_VARIABLE host_check RESULT_VARIABLE host_check_result
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT host_check_result EQUAL 0)
    message(FATAL_ERROR "tools/runs-32bit.sh failed: ${host_check}")
endif()
string(REPLACE "\n" ";" host_check "${host_check}")
list(GET host_check 0 KITBAG_HOST_RUNS_32BIT)
list(GET host_check 1 KITBAG_HOST_RUNS_32BIT_REASON)
message(STATUS "32-bit programs run natively here: ${KITBAG_HOST_RUNS_32BIT} (${KITBAG_HOST_RUNS_32BIT_REASON})")
