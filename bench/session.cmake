if(TARGET webapp_session)
  zentor_bench(bench_session SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/session.cpp LIBS webapp_session)
endif()
