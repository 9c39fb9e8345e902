# Renders a manual page to plain text with Windows line ends:
#   cmake -DGROFF=groff -DINPUT=page.1 -DOUTPUT=page.txt -P ManualText.cmake
execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou -rLL=78n ${INPUT}
  OUTPUT_VARIABLE text RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "groff failed on ${INPUT}: ${errors}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
