if(TARGET report_pdf)
  zentor_bench(bench_emf_pdf SOURCES ${CMAKE_CURRENT_LIST_DIR}/emf_pdf.cpp LIBS report_pdf)
endif()
