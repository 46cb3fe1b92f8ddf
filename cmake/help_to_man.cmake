# Writes a manual page from a program's --help text, so the two never differ:
#   cmake -DPROGRAM=path -DNAME=veltor -DSUMMARY="..." -DVERSION=4.0.1
#         [-DCOMMANDS="dump;info"] -DOUTPUT=veltor.1 -P help_to_man.cmake
# With COMMANDS, each "PROGRAM COMMAND --help" follows as a section of its own.

function(help_text out)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${rc}): ${err}")
  endif()
  # roff: backslashes doubled, lines starting with . or ' protected, dashes
  # kept as hyphen-minus.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" upper)
string(TIMESTAMP today "%Y-%m-%d" UTC)
help_text(main ${PROGRAM} --help)
set(page ".TH ${upper} 1 \"${today}\" \"Veltor ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${NAME} \\- ${SUMMARY}\n.SH DESCRIPTION\n.nf\n${main}.fi\n")
if(COMMANDS)
  string(APPEND page ".SH COMMANDS\n")
  foreach(command ${COMMANDS})
    help_text(text ${PROGRAM} ${command} --help)
    string(APPEND page ".SS ${command}\n.nf\n${text}.fi\n")
  endforeach()
endif()
string(APPEND page ".SH FILES\n.TP\n~/.config/Veltor/Dicom Viewer V4.0.1.ini\nthe settings (or the file named by VELTOR_SETTINGS)\n")
string(APPEND page ".SH SEE ALSO\n.BR veltor (1),\n.BR veltor\\-viewer (1)\n")
file(WRITE "${OUTPUT}" "${page}")
