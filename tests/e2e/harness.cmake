# The Xorg harness of the end-to-end tests, also used by the benchmarks: a library of its own
# that needs neither GoogleTest nor the code under test.
if(NOT TARGET ks_e2e_harness)
    pkg_check_modules(KS_E2E_XCB REQUIRED IMPORTED_TARGET xcb xcb-randr)
    add_library(ks_e2e_harness STATIC
        ${CMAKE_CURRENT_LIST_DIR}/child_process.cpp
        ${CMAKE_CURRENT_LIST_DIR}/xorg_display.cpp
    )
    target_include_directories(ks_e2e_harness PUBLIC ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(ks_e2e_harness PRIVATE PkgConfig::KS_E2E_XCB)
endif()
