# SPDX-License-Identifier: BSD-3-Clause
# Installs the library of BUILD_DIR into WORK_DIR/prefix, builds EXAMPLE_DIR against it and checks the
# free calcium it prints for the README's example (checked by default: the exact 1.55084e-7 M, to five digits).
function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${what} failed (${status}):\n${out}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run("installing the library" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix --component dev)
run("configuring the example" ${CMAKE_COMMAND} -S ${EXAMPLE_DIR} -B ${WORK_DIR}/build
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
run("building the example" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run("running the example" ${WORK_DIR}/build/free-calcium ${TABLE})
if(NOT out MATCHES "^free Ca2 1\\.5508e-07 M ")
    message(FATAL_ERROR "the example printed: ${out}")
endif()
message(STATUS "${out}")
