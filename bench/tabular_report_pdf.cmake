if(TARGET report_pdf AND TARGET report_engine)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BENCH_CAIRO REQUIRED IMPORTED_TARGET cairo)
  zentor_bench(bench_tabular_report_pdf SOURCES ${CMAKE_CURRENT_LIST_DIR}/tabular_report_pdf.cpp
               LIBS report_pdf report_engine PkgConfig::BENCH_CAIRO)
endif()
