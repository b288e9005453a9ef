if(TARGET report_script)
  zentor_bench(bench_script_run SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_run.cpp LIBS report_script)
endif()
