if(TARGET webapp AND TARGET platform_web)
  zentor_bench(bench_web SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/web.cpp LIBS webapp platform_web PkgConfig::HTTPLIB)
endif()
