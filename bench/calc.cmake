if(TARGET calc)
  zentor_bench(bench_calc SOURCES ${CMAKE_CURRENT_LIST_DIR}/calc.cpp LIBS calc)
endif()
