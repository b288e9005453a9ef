if(TARGET webapp AND TARGET platform_web)
  zentor_bench(bench_burst SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/burst.cpp LIBS webapp platform_web)
endif()
