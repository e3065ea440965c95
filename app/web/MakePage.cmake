# SPDX-License-Identifier: BSD-3-Clause
# Puts the page together: the template with the style, the WebAssembly (gzip, in base64) and the script
# that unpacks it, the module and the scripts in the listed order. Run as cmake -P with TEMPLATE, STYLE,
# START, SCRIPTS, MODULE, WASM, OUTPUT, VERSION. The WebAssembly travels compressed in an element that is
# no script: a third of the bytes for the browser to read and none for it to parse as JavaScript; START
# (wasm.js) has the browser unpack and compile it in the background while the rest of the page is read.
cmake_minimum_required(VERSION 3.25)
file(READ ${TEMPLATE} page)
file(READ ${STYLE} style)
file(READ ${MODULE} module)
execute_process(COMMAND gzip -9nc ${WASM} COMMAND base64 -w0 OUTPUT_VARIABLE wasm COMMAND_ERROR_IS_FATAL ANY)
if(wasm STREQUAL "")
    message(FATAL_ERROR "could not pack ${WASM} with gzip and base64")
endif()
set(scripts "")
foreach(script IN LISTS SCRIPTS)
    file(READ ${script} text)
    string(APPEND scripts "${text}\n")
endforeach()
# A script that held "</script" would end its element early.
foreach(part module scripts)
    string(FIND "${${part}}" "</script" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "the ${part} holds \"</script\" and cannot be inlined")
    endif()
endforeach()
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")
string(REPLACE "/*@STYLE@*/" "${style}" page "${page}")
string(REPLACE "@WASM@" "${wasm}" page "${page}")
file(READ ${START} start)
string(REPLACE "/*@START@*/" "${start}" page "${page}")
string(REPLACE "/*@MODULE@*/" "${module}" page "${page}")
string(REPLACE "/*@SCRIPTS@*/" "${scripts}" page "${page}")
file(WRITE ${OUTPUT}.part "${page}")
file(RENAME ${OUTPUT}.part ${OUTPUT})
