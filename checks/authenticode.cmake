target_sources(kitbag_portable PRIVATE ${CMAKE_CURRENT_LIST_DIR}/signature_verdict.cpp
                                       ${CMAKE_CURRENT_LIST_DIR}/signature_serial.cpp
                                       ${CMAKE_CURRENT_LIST_DIR}/signature_program_name.cpp)
if(KITBAG_WINDOWS)
    target_sources(kitbag_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/authenticode_verify.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/authenticode_info.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/signature_logging.cpp)
else()
    kitbag_unit_test(signature_tests ${CMAKE_CURRENT_LIST_DIR}/signature_verdict_test.cpp
                                     ${CMAKE_CURRENT_LIST_DIR}/signature_serial_test.cpp
                                     ${CMAKE_CURRENT_LIST_DIR}/signature_program_name_test.cpp)
endif()
