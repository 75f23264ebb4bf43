# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DSCDOC=... -DINPUT=page.scd -DOUTPUT=page.1 -P ManPage.cmake
# Renders one man page from its scdoc source, and its compressed copy (OUTPUT.gz) the way
# Debian wants it: gzip -9, no name or time stamp inside, so the bytes are reproducible.
execute_process(COMMAND ${SCDOC} INPUT_FILE ${INPUT} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "scdoc could not render ${INPUT}")
endif()
execute_process(COMMAND gzip -9 -n -c INPUT_FILE ${OUTPUT} OUTPUT_FILE ${OUTPUT}.gz
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip could not compress ${OUTPUT}")
endif()
