if(TARGET report_engine)
  zentor_bench(bench_preview_layout SOURCES ${CMAKE_CURRENT_LIST_DIR}/preview_layout.cpp LIBS report_engine)
endif()
