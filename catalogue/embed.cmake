# Turns the firmware image files into a C++ source and header of constant
# byte arrays, and tables of them by image: kImageCode1[i] is image i + 1's
# copy 1. Run at build time: cmake -DIMAGES=dir -DOUT=dir -P embed.cmake
file(GLOB firsts RELATIVE ${IMAGES} ${IMAGES}/image*_code1.bin)
list(LENGTH firsts count)

set(header "// Generated from the firmware image files; do not edit.\n#pragma once\n\n#include <cstdint>\n\n")
set(source "// Generated from the firmware image files; do not edit.\n#include \"firmwaredata.h\"\n\n")

# embed(FILE SYMBOL): one array, and its size in the variable SYMBOL_size.
macro(embed name symbol)
    file(READ ${IMAGES}/${name}.bin hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    set(${symbol}_size ${size})
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND header "extern const unsigned char ${symbol}[${size}];\n")
    string(APPEND source "extern const unsigned char ${symbol}[${size}] = {${bytes}};\n")
endmacro()

embed(boot kBootCode)
foreach(kind code1 code2 header1 header2)
    set(pointers "")
    set(sizes "")
    foreach(n RANGE 1 ${count})
        embed(image${n}_${kind} kImage${n}_${kind})
        string(APPEND pointers "kImage${n}_${kind}, ")
        string(APPEND sizes "${kImage${n}_${kind}_size}, ")
    endforeach()
    string(SUBSTRING ${kind} 0 1 initial)
    string(TOUPPER ${initial} initial)
    string(SUBSTRING ${kind} 1 -1 tail)
    set(table kImage${initial}${tail})
    string(APPEND header "constexpr const unsigned char *${table}[] = {${pointers}};\n")
    string(APPEND header "constexpr uint32_t ${table}Size[] = {${sizes}};\n")
endforeach()

file(WRITE ${OUT}/firmwaredata.h.new "${header}")
file(WRITE ${OUT}/firmwaredata.cpp.new "${source}")
foreach(file firmwaredata.h firmwaredata.cpp)
    file(COPY_FILE ${OUT}/${file}.new ${OUT}/${file} ONLY_IF_DIFFERENT)
    file(REMOVE ${OUT}/${file}.new)
endforeach()
