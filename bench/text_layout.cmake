if(TARGET report_engine)
  zentor_bench(bench_text_layout SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_layout.cpp LIBS report_engine)
endif()
