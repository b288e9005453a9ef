if(TARGET report_script AND TARGET report_engine AND TARGET platform_web)
  zentor_bench(bench_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialogs.cpp LIBS platform_web report_script report_engine)
endif()
