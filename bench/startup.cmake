# The app's start to its first frame against a bare Qt window's, interleaved in one run, with both RSS.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(startup_bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
target_include_directories(startup_bare_window PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(startup_bare_window PRIVATE ${VANTRO_WARNINGS})
target_link_libraries(startup_bare_window PRIVATE Qt6::Widgets)
vantro_bench(startup_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp DEPS vantro_store vantro_platform)
target_compile_definitions(startup_bench PRIVATE VANTRO_APP="$<TARGET_FILE:vantro>"
                                                 VANTRO_BARE_WINDOW="$<TARGET_FILE:startup_bare_window>")
# The first-frame line and its variable come from the app's own header.
target_link_libraries(startup_bench PRIVATE Qt6::Widgets)
# On an X display the bench also watches for the window itself (libxcb1-dev); without xcb it is left out.
find_package(PkgConfig)
if(PkgConfig_FOUND)
  pkg_check_modules(XCB IMPORTED_TARGET xcb)
endif()
if(XCB_FOUND)
  target_compile_definitions(startup_bench PRIVATE VANTRO_BENCH_XCB)
  target_link_libraries(startup_bench PRIVATE PkgConfig::XCB)
else()
  message(STATUS "xcb not found: startup_bench measures the offscreen platform only")
endif()
add_dependencies(startup_bench vantro startup_bare_window)
