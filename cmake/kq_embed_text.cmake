# Turns a text file into a C++ source that defines one function returning it
# as a string_view, so that a page is compiled into the program:
#   cmake -DINPUT=page.html -DOUTPUT=page.cpp -DNAMESPACE=kq::x -DFUNCTION=pageText -P kq_embed_text.cmake
# The text is split into raw string literals of at most 16 000 bytes (some
# compilers limit one literal's length) joined by the preprocessor.
file(READ ${INPUT} text)
string(FIND "${text}" ")kqtext\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the raw string's end marker )kqtext\"")
endif()
string(LENGTH "${text}" length)
set(pieces "")
set(offset 0)
while(offset LESS length)
  string(SUBSTRING "${text}" ${offset} 16000 piece)
  string(APPEND pieces "R\"kqtext(${piece})kqtext\"\n")
  math(EXPR offset "${offset} + 16000")
endwhile()
if(pieces STREQUAL "")
  set(pieces "\"\"")
endif()
file(WRITE ${OUTPUT}.tmp
"// Generated from ${INPUT} by cmake/kq_embed_text.cmake; do not edit.
#include <string_view>

namespace ${NAMESPACE} {

std::string_view ${FUNCTION}() {
    static constexpr char text[] =
${pieces};
    return {text, sizeof text - 1};
}

}  // namespace ${NAMESPACE}
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
