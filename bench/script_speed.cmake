if(TARGET report_script)
  zentor_bench(bench_script_speed SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_speed.cpp LIBS report_script)
endif()
