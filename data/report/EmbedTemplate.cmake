# Compiles the sizing report's template (data/report/SizingReport.xml) into the program as a byte
# array, so that no data file is needed at run time.
#
# Included: defines zentor_embed_sizing_template(target), which adds the generated
# SizingTemplateData.cpp to the target and regenerates it whenever the template changes.
# Run with "cmake -DOUT=file.cpp -DIN=file.xml -P EmbedTemplate.cmake": writes that file.

if(CMAKE_SCRIPT_MODE_FILE)
  file(READ ${IN} hex HEX)
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n  " bytes "${bytes}")
  set(body "// Generated from data/report/SizingReport.xml by EmbedTemplate.cmake; do not edit.\n")
  string(APPEND body "#include <cstddef>\n\nnamespace webapp {\n\n")
  string(APPEND body "extern const unsigned char SizingReportXML[];\nextern const std::size_t SizingReportXMLSize;\n")
  string(APPEND body "const unsigned char SizingReportXML[] = {\n  ${bytes}\n};\n")
  string(APPEND body "const std::size_t SizingReportXMLSize = ${size};\n\n} // namespace webapp\n")
  file(WRITE ${OUT} "${body}")
  return()
endif()

function(zentor_embed_sizing_template target)
  set(in ${ZENTOR_DATA_DIR}/report/SizingReport.xml)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/SizingTemplateData.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DIN=${in} -P ${ZENTOR_DATA_DIR}/report/EmbedTemplate.cmake
    DEPENDS ${in} ${ZENTOR_DATA_DIR}/report/EmbedTemplate.cmake
    COMMENT "Embedding the sizing report's template"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
