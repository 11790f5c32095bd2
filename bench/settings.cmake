# The settings file: a write with its lock and re-read, and the re-read alone after another program's write.
vantro_bench(settings_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_bench.cpp DEPS vantro_settings)
