# Compiles the script grammars (data/grammars/*.xml) into the program as raw string literals, so
# the program needs no data folder at run time.
#
# Included: defines zentor_embed_grammars(target), which adds the generated ScriptGrammars.cpp
# to the target and regenerates it whenever a grammar changes.
# Run with "cmake -DOUT=file.cpp -DIN_DIR=folder -P EmbedGrammars.cmake": writes that file.

if(CMAKE_SCRIPT_MODE_FILE)
  file(GLOB grammars RELATIVE ${IN_DIR} ${IN_DIR}/*.xml)
  list(SORT grammars)
  set(body "// Generated from data/grammars by EmbedGrammars.cmake; do not edit.\n")
  string(APPEND body "#include \"report/script/sc_grammars.h\"\n\n")
  string(APPEND body "namespace {\n\nstruct TGrammarSource {\n  const char* Name;\n  const char* Text;\n};\n\n")
  string(APPEND body "const TGrammarSource GrammarSources[] = {\n")
  foreach(g IN LISTS grammars)
    get_filename_component(name ${g} NAME_WE)
    file(READ ${IN_DIR}/${g} xml)
    string(FIND "${xml}" ")zentorxml\"" clash)
    if(NOT clash EQUAL -1)
      message(FATAL_ERROR "${g} contains the literal's closing delimiter")
    endif()
    string(APPEND body "  {\"${name}\", R\"zentorxml(${xml})zentorxml\"},\n")
  endforeach()
  string(APPEND body "};\n\n}  // namespace\n\n")
  string(APPEND body "std::string_view scEmbeddedGrammar(std::string_view Name) {\n")
  string(APPEND body "  for (const TGrammarSource& G : GrammarSources)\n")
  string(APPEND body "    if (Name == G.Name) return G.Text;\n")
  string(APPEND body "  return {};\n}\n")
  file(WRITE ${OUT} "${body}")
  return()
endif()

function(zentor_embed_grammars target)
  set(dir ${ZENTOR_DATA_DIR}/grammars)
  file(GLOB grammars CONFIGURE_DEPENDS ${dir}/*.xml)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/ScriptGrammars.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DIN_DIR=${dir} -P ${dir}/EmbedGrammars.cmake
    DEPENDS ${grammars} ${dir}/EmbedGrammars.cmake
    COMMENT "Embedding the script grammars"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
