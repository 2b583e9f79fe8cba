# Writes a man page from a program's --help and --version:
#   cmake -DPROGRAM=path -DNAME=name -DSUMMARY=text [-DCOMMANDS="a;b"] -DOUTPUT=page.1 -P manpage.cmake
# The help text goes in as it is printed (no filling), so the page says
# exactly what --help says.

function(help_of out)
  execute_process(COMMAND ${PROGRAM} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NAME} ${ARGN} --help exited with ${status}")
  endif()
  # roff: a backslash is \e; a line starting with . or ' would be a request.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REGEX REPLACE "(^|\n)-" "\\1\\\\-" text "${text}")
  set(${out} ".nf\n${text}.fi\n" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE)
string(TOUPPER "${NAME}" title)
help_of(body)
set(page ".TH ${title} 1 \"\" \"${version}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${NAME} \\- ${SUMMARY}\n.SH DESCRIPTION\n${body}")
if(COMMANDS)
  string(APPEND page ".SH COMMANDS\n")
  foreach(command ${COMMANDS})
    help_of(text ${command})
    string(APPEND page ".SS ${command}\n${text}")
  endforeach()
endif()
string(APPEND page ".SH SEE ALSO\nThe user guide: /usr/share/doc/vornt/GUIDE.md\n")
file(WRITE ${OUTPUT} "${page}")
