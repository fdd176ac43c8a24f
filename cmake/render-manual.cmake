# cmake -DIN=<file> -DOUT=<file> [-DGROFF=<groff>] -P render-manual.cmake
# Writes IN as a Windows text file (CRLF line ends) to OUT; with GROFF, IN is
# a manual page and is rendered as plain text first (no bold or underline).
if(GROFF)
  execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou ${IN}
    OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR errors)
    message(FATAL_ERROR "${GROFF} failed on ${IN}: ${errors}")
  endif()
else()
  file(READ ${IN} text)
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")
