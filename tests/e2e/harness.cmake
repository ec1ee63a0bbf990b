# The Xorg harness of the end-to-end tests, also used by the benchmarks: a library of its own
# that needs neither GoogleTest nor the code under test.
if(NOT TARGET ks_e2e_harness)
    pkg_check_modules(KS_E2E_XCB REQUIRED IMPORTED_TARGET GLOBAL xcb)
    add_library(ks_e2e_harness STATIC ${CMAKE_CURRENT_LIST_DIR}/xorg_display.cpp)
    target_include_directories(ks_e2e_harness PUBLIC ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(ks_e2e_harness PRIVATE PkgConfig::KS_E2E_XCB)
endif()

# Pictures, stores and display listings for tests and benchmarks of the wallpaper agent.
if(NOT TARGET ks_e2e_agent_support)
    add_library(ks_e2e_agent_support STATIC ${CMAKE_CURRENT_LIST_DIR}/agent_support.cpp)
    target_include_directories(ks_e2e_agent_support PUBLIC ${CMAKE_CURRENT_LIST_DIR}
        PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
    target_link_libraries(ks_e2e_agent_support PUBLIC ks_e2e_harness ks_system ks_library)
endif()
