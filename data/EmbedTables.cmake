# Compiles the reference tables (data/*.csv) into the program as raw string literals, so the
# program needs no data folder at run time.
#
# Included: defines zentor_embed_tables(target), which adds the generated ReferenceTables.cpp
# to the target and regenerates it whenever a table changes.
# Run with "cmake -DOUT=file.cpp -DIN_DIR=folder -P EmbedTables.cmake": writes that file.

if(CMAKE_SCRIPT_MODE_FILE)
  file(GLOB tables RELATIVE ${IN_DIR} ${IN_DIR}/*.csv)
  list(SORT tables)
  set(body "// Generated from the data folder by EmbedTables.cmake; do not edit.\n")
  string(APPEND body "#include \"platform/data/Table.h\"\n\n")
  string(APPEND body "namespace webapp {\n\nextern const data::TTableSource ReferenceTableSources[];\n")
  string(APPEND body "extern const int ReferenceTableSourceCount;\n\n")
  string(APPEND body "const data::TTableSource ReferenceTableSources[] = {\n")
  set(count 0)
  foreach(t IN LISTS tables)
    get_filename_component(name ${t} NAME_WE)
    file(READ ${IN_DIR}/${t} csv)
    string(FIND "${csv}" ")zentorcsv\"" clash)
    if(NOT clash EQUAL -1)
      message(FATAL_ERROR "${t} contains the literal's closing delimiter")
    endif()
    string(APPEND body "  {\"${name}\", R\"zentorcsv(${csv})zentorcsv\"},\n")
    math(EXPR count "${count} + 1")
  endforeach()
  string(APPEND body "};\n\nconst int ReferenceTableSourceCount = ${count};\n\n} // namespace webapp\n")
  file(WRITE ${OUT} "${body}")
  return()
endif()

function(zentor_embed_tables target)
  set(dir ${ZENTOR_DATA_DIR})
  file(GLOB tables CONFIGURE_DEPENDS ${dir}/*.csv)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/ReferenceTables.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DIN_DIR=${dir} -P ${dir}/EmbedTables.cmake
    DEPENDS ${tables} ${dir}/EmbedTables.cmake
    COMMENT "Embedding the reference tables"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
