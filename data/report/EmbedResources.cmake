# Compiles the report engine's resource-string tables (data/report/*Resources.xml) into the
# program as byte arrays, so that no data file is needed at run time.
#
# Included: defines zentor_embed_report_resources(target), which adds the generated
# repResData.cpp to the target and regenerates it whenever a table changes.
# Run with "cmake -DOUT=file.cpp -DIN_DIR=folder -P EmbedResources.cmake": writes that file.

if(CMAKE_SCRIPT_MODE_FILE)
  set(body "// Generated from data/report by EmbedResources.cmake; do not edit.\n")
  string(APPEND body "#include <cstddef>\n\n")
  foreach(name Engine Export)
    file(READ ${IN_DIR}/${name}Resources.xml hex HEX)
    string(LENGTH "${hex}" hexlen)
    math(EXPR size "${hexlen} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n  " bytes "${bytes}")
    string(APPEND body "extern const unsigned char rep${name}ResourcesXML[];\n")
    string(APPEND body "extern const std::size_t rep${name}ResourcesXMLSize;\n")
    string(APPEND body "const unsigned char rep${name}ResourcesXML[] = {\n  ${bytes}\n};\n")
    string(APPEND body "const std::size_t rep${name}ResourcesXMLSize = ${size};\n\n")
  endforeach()
  file(WRITE ${OUT} "${body}")
  return()
endif()

function(zentor_embed_report_resources target)
  set(dir ${ZENTOR_DATA_DIR}/report)
  set(tables ${dir}/EngineResources.xml ${dir}/ExportResources.xml)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/repResData.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DIN_DIR=${dir} -P ${dir}/EmbedResources.cmake
    DEPENDS ${tables} ${dir}/EmbedResources.cmake
    COMMENT "Embedding the report engine's resource tables"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
