if(KITBAG_WINDOWS)
    target_sources(kitbag_win PRIVATE ${CMAKE_CURRENT_LIST_DIR}/framework_check_placeholder.cpp)
endif()
