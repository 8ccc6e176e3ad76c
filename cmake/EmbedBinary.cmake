# Compiles binary data files into a library as constant arrays, without any resource
# system. quobin_embed_binaries() adds a build step that runs this same file in script
# mode (cmake -P); the step reads each file as hex and writes one .cpp that defines
#
#   namespace <NAMESPACE> {
#   extern const <struct>EmbeddedFile<T> <TABLE>[] = {{"name.bin", data, count}, ...};
#   extern const std::size_t <TABLE>Count = N;
#   }
#
# where T is std::uint8_t (ELEMENT uint8) or std::uint16_t (ELEMENT uint16, little-endian
# words; a file of odd length loses its last byte). EmbeddedFile<T> comes from INCLUDE.
#
#   quobin_embed_binaries(<target> OUTPUT <file.cpp> INCLUDE <header> NAMESPACE <ns>
#                         TABLE <name> ELEMENT uint8|uint16 FILES <file>...)

if(CMAKE_SCRIPT_MODE_FILE)
  string(REPLACE "|" ";" files "${FILES}")
  if(ELEMENT STREQUAL "uint16")
    set(ctype "std::uint16_t")
  else()
    set(ctype "std::uint8_t")
  endif()
  set(out "// Generated from binary data files at build time. Do not edit.\n")
  string(APPEND out "#include <cstddef>\n#include <cstdint>\n#include \"${INCLUDE}\"\n\n")
  string(APPEND out "namespace ${NAMESPACE} {\nnamespace {\n")
  set(entries "")
  set(index 0)
  foreach(file IN LISTS files)
    file(READ "${file}" hex HEX)
    string(LENGTH "${hex}" hexLength)
    get_filename_component(name "${file}" NAME)
    if(ELEMENT STREQUAL "uint16")
      math(EXPR count "${hexLength} / 4")
      math(EXPR evenLength "${count} * 4")
      string(SUBSTRING "${hex}" 0 ${evenLength} hex)
      string(REGEX REPLACE "(..)(..)" "0x\\2\\1," body "${hex}")
    else()
      math(EXPR count "${hexLength} / 2")
      string(REGEX REPLACE "(..)" "0x\\1," body "${hex}")
    endif()
    # Keep lines short enough for editors and compilers' diagnostics.
    string(REGEX REPLACE "((0x[0-9a-f]+,){16})" "\\1\n" body "${body}")
    if(count EQUAL 0)
      set(body "0")
    endif()
    string(APPEND out "const ${ctype} kData${index}[] = {\n${body}\n};\n")
    string(APPEND entries "    {\"${name}\", kData${index}, ${count}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  string(APPEND out "}  // namespace\n\n")
  string(APPEND out "extern const EmbeddedFile<${ctype}> ${TABLE}[] = {\n${entries}};\n")
  string(APPEND out "extern const std::size_t ${TABLE}Count = ${index};\n\n")
  string(APPEND out "}  // namespace ${NAMESPACE}\n")
  # Only touch the output when it changes, so dependants are not rebuilt needlessly.
  if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" previous)
    if(previous STREQUAL out)
      return()
    endif()
  endif()
  file(WRITE "${OUTPUT}" "${out}")
  return()
endif()

set(_QUOBIN_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_FILE}" CACHE INTERNAL "")

function(quobin_embed_binaries target)
  cmake_parse_arguments(ARG "" "OUTPUT;INCLUDE;NAMESPACE;TABLE;ELEMENT" "FILES" ${ARGN})
  string(JOIN "|" joined ${ARG_FILES})
  add_custom_command(
    OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND}
            -DOUTPUT=${ARG_OUTPUT}
            -DINCLUDE=${ARG_INCLUDE}
            -DNAMESPACE=${ARG_NAMESPACE}
            -DTABLE=${ARG_TABLE}
            -DELEMENT=${ARG_ELEMENT}
            -DFILES=${joined}
            -P ${_QUOBIN_EMBED_SCRIPT}
    DEPENDS ${ARG_FILES} ${_QUOBIN_EMBED_SCRIPT}
    COMMENT "Embedding ${ARG_TABLE}"
    VERBATIM)
  target_sources(${target} PRIVATE ${ARG_OUTPUT})
endfunction()
