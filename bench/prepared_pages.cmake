if(TARGET report_engine)
  zentor_bench(bench_prepared_pages SOURCES ${CMAKE_CURRENT_LIST_DIR}/prepared_pages.cpp LIBS report_engine)
endif()
