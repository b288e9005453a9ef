if(TARGET webapp AND TARGET platform_web)
  zentor_bench(bench_results SOURCES ${CMAKE_CURRENT_LIST_DIR}/results.cpp LIBS webapp platform_web PkgConfig::HTTPLIB)
endif()
