# Writes the bytes of INPUT into OUTPUT as a C++ source defining
#   extern const unsigned char SYMBOL[]; extern const unsigned long SYMBOL_size;
# Run as: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
# Two hex digits a byte, sixteen bytes a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by cmake/embed_file.cmake; do not edit.\n"
  "extern const unsigned char ${SYMBOL}[];\nextern const unsigned long ${SYMBOL}_size;\n"
  "const unsigned char ${SYMBOL}[] = {\n${bytes}0};\n"
  "const unsigned long ${SYMBOL}_size = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
