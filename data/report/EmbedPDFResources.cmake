# Compiles the PDF export's resources into the program as byte arrays: the XMP metadata template
# ("METAFILE", XMPMetadata.xmp) and the sRGB colour profile ("PROFILE", sRGB-IEC61966-2.1.icc,
# made by data/tools/srgb_profile.py) of PDF/A documents.
#
# Included: defines zentor_embed_pdf_resources(target), which adds the generated
# repPDFResData.cpp to the target and regenerates it whenever a resource changes.
# Run with "cmake -DOUT=file.cpp -DIN_DIR=folder -P EmbedPDFResources.cmake": writes that file.

set(ZENTOR_PDF_RESOURCES "METAFILE=XMPMetadata.xmp" "PROFILE=sRGB-IEC61966-2.1.icc")

if(CMAKE_SCRIPT_MODE_FILE)
  set(body "// Generated from data/report by EmbedPDFResources.cmake; do not edit.\n")
  string(APPEND body "#include \"report/pdf/repPDFResources.h\"\n\nnamespace {\n\n")
  set(table "")
  set(count 0)
  foreach(entry IN LISTS ZENTOR_PDF_RESOURCES)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 file)
    file(READ ${IN_DIR}/${file} hex HEX)
    string(LENGTH "${hex}" hexlen)
    math(EXPR size "${hexlen} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n  " bytes "${bytes}")
    string(APPEND body "const unsigned char Res${count}[] = {\n  ${bytes}\n};\n\n")
    string(APPEND table "  {\"${name}\", Res${count}, ${size}},\n")
    math(EXPR count "${count} + 1")
  endforeach()
  string(APPEND body "}  // namespace\n\n")
  string(APPEND body "extern const TrepPDFResource repPDFResources[];\n")
  string(APPEND body "extern const std::size_t repPDFResourceCount;\n\n")
  string(APPEND body "const TrepPDFResource repPDFResources[] = {\n${table}};\n")
  string(APPEND body "const std::size_t repPDFResourceCount = ${count};\n")
  file(WRITE ${OUT} "${body}")
  return()
endif()

function(zentor_embed_pdf_resources target)
  set(dir ${ZENTOR_DATA_DIR}/report)
  set(files)
  foreach(entry IN LISTS ZENTOR_PDF_RESOURCES)
    string(REGEX REPLACE "^[^=]*=" "" file "${entry}")
    list(APPEND files ${dir}/${file})
  endforeach()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/repPDFResData.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DIN_DIR=${dir} -P ${dir}/EmbedPDFResources.cmake
    DEPENDS ${files} ${dir}/EmbedPDFResources.cmake
    COMMENT "Embedding the PDF export's resources"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
