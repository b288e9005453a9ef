if(TARGET webapp AND TARGET platform_chart)
  zentor_bench(bench_chart SOURCES ${CMAKE_CURRENT_LIST_DIR}/chart.cpp LIBS webapp platform_chart report_pdf)
endif()
