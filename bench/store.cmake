# The activity database: one upsert, one ten-year listing, and a bulk insert as the floor.
vantro_bench(store_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_bench.cpp DEPS vantro_store)
# Restoring a backup of 45,000 records, JSON and CSV.
vantro_bench(import_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/import_bench.cpp DEPS vantro_store)
