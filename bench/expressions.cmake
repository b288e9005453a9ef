if(TARGET report_engine)
  zentor_bench(bench_expressions SOURCES ${CMAKE_CURRENT_LIST_DIR}/expressions.cpp LIBS report_engine)
endif()
