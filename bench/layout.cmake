if(TARGET report_engine)
  zentor_bench(bench_layout SOURCES ${CMAKE_CURRENT_LIST_DIR}/layout.cpp LIBS report_engine)
endif()
