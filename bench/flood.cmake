if(TARGET platform_web)
  zentor_bench(bench_flood SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/flood.cpp LIBS platform_web)
endif()
