if(TARGET report_script)
  zentor_bench(bench_script_parser SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_parser.cpp LIBS report_script)
endif()
