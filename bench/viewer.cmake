if(TARGET webapp AND TARGET report_script AND TARGET report_engine)
  zentor_bench(bench_viewer SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewer.cpp LIBS webapp report_script report_engine)
endif()
