# The chart widgets against one 60 Hz frame: a ten-year bar chart's reload, drawing and hit tests,
# and one frame of a running pie animation.
vantro_bench(charts_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/charts_bench.cpp DEPS vantro_charts)
