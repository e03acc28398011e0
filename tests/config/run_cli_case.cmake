# Runs quarvel-cli (through the emulator for the Windows build) in a scratch
# directory and compares the file it writes with a golden file, byte for byte.
# -DCLI=... -DEMULATOR=... -DWORKDIR=... -DOUT=name -DGOLDEN=path -DARGS=a;b;c
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
execute_process(COMMAND ${EMULATOR} "${CLI}" write "${OUT}" ${ARGS}
                WORKING_DIRECTORY "${WORKDIR}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "quarvel-cli exited ${rc}: ${err}")
endif()
set(written "${WORKDIR}/${OUT}")
if(NOT written MATCHES "\\.(xml|XML)")
  set(written "${written}.xml")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${written}" "${GOLDEN}" RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  file(READ "${written}" content)
  message(FATAL_ERROR "${written} differs from ${GOLDEN}:\n${content}")
endif()
