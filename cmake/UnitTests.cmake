# kitbag_unit_test(<name> <sources>...): a sanitised GoogleTest program over kitbag_portable.
function(kitbag_unit_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE kitbag_portable GTest::gtest_main)
    gtest_discover_tests(${name} PROPERTIES LABELS unit DISCOVERY_TIMEOUT 30)
endfunction()
