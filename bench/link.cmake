# A full sync through the simulated wristband: report handling against the link's own pace.
vantro_bench(link_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/link_bench.cpp
  DEPS vantro_link vantro_sim vantro_settings vantro_store)
