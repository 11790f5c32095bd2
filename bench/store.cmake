# The activity database: one upsert, one ten-year listing, and a bulk insert as the floor.
vantro_bench(store_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_bench.cpp DEPS vantro_store)
