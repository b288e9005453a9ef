if(TARGET report_pdf)
  zentor_bench(bench_pdf_security SOURCES ${CMAKE_CURRENT_LIST_DIR}/pdf_security.cpp LIBS report_pdf)
endif()
