# cmake -DSCDOC=... -DGZIP=... -DSOURCE=page.1.scd -DROFF=out/page.1 -P ManPage.cmake
# Writes ROFF from SOURCE and ROFF.gz beside it (gzip -9n: no name or time
# inside, so the package is the same on every build).
get_filename_component(folder ${ROFF} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${ROFF} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "scdoc failed on ${SOURCE}")
endif()
execute_process(COMMAND ${GZIP} -9n INPUT_FILE ${ROFF} OUTPUT_FILE ${ROFF}.gz RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${ROFF}")
endif()
