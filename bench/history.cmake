# The history screen's ranges: switching range and paging over ten years of days, reading included.
find_package(SQLite3 REQUIRED)
vantro_bench(history_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/history_bench.cpp DEPS vantro_screens SQLite::SQLite3)
