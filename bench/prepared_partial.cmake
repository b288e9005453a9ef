if(TARGET report_engine)
  zentor_bench(bench_prepared_partial SOURCES ${CMAKE_CURRENT_LIST_DIR}/prepared_partial.cpp LIBS report_engine)
endif()
