# pictova_embed_resource(target FILE SYMBOL): compiles FILE's bytes into target as
#   namespace pictova { extern const unsigned char SYMBOL[]; extern const size_t SYMBOLSize; }
# The source is generated at configure time; changing FILE re-runs the configuration.
function(pictova_embed_resource target file symbol)
  get_filename_component(path "${file}" ABSOLUTE)
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n  " bytes "${bytes}")
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
  set(text "// Generated from ${file}; do not edit.\n#include <cstddef>\n\nnamespace pictova {\n"
           "extern const unsigned char ${symbol}[] = {\n  ${bytes}\n};\n"
           "extern const size_t ${symbol}Size = ${size};\n}  // namespace pictova\n")
  file(CONFIGURE OUTPUT "${out}" CONTENT "${text}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
  target_sources(${target} PRIVATE "${out}")
endfunction()
