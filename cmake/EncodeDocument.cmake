# cmake -DINPUT=<UTF-8 text> -DOUTPUT=<file> -DICONV=<iconv> -P EncodeDocument.cmake
# Writes the text in Shift-JIS (code page 932) with CR LF line ends, as the
# program's documents are read. iconv stops at a character that code page
# 932 does not have, and so does the build.
file(READ "${INPUT}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}.crlf" "${text}")
execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP932 "${OUTPUT}.crlf"
                OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE result)
file(REMOVE "${OUTPUT}.crlf")
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "${INPUT} has a character that code page 932 does not have")
endif()
