# Writes a man page from a program's own --help and --version texts, through
# help2man, so the page says what the program says. For a program with
# subcommands (kelvclip-cli), each subcommand's --help becomes a subsection.
#
#   cmake -DPROGRAM=... -DNAME=... -DOUTPUT=page.1.gz -DHELP2MAN=...
#         [-DSUBCOMMANDS=ON] [-DSEE_ALSO=other-page] -P MakeManPage.cmake
foreach(var PROGRAM NAME OUTPUT HELP2MAN)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeManPage.cmake: ${var} is not set")
  endif()
endforeach()

# Text shown verbatim in roff: a backslash is written as \e, and a line
# starting with a dot or an apostrophe would be read as a request.
function(roff_verbatim text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

get_filename_component(work "${OUTPUT}" DIRECTORY)
get_filename_component(base "${OUTPUT}" NAME_WE)
set(include "${work}/${base}.h2m")
set(page "${work}/${base}.1")

set(sections "")
if(SUBCOMMANDS)
  execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed (${rc})")
  endif()
  # The subcommands are the indented words under "Subcommands:".
  string(REGEX REPLACE ".*\nSubcommands:\n" "" list "${help}")
  string(REGEX MATCHALL "(^|\n)  [a-z][a-z0-9-]*" names "${list}")
  set(sections "[SUBCOMMANDS]\n")
  foreach(name IN LISTS names)
    string(STRIP "${name}" name)
    execute_process(COMMAND "${PROGRAM}" ${name} --help OUTPUT_VARIABLE text RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${PROGRAM} ${name} --help failed (${rc})")
    endif()
    roff_verbatim("${text}" text)
    string(APPEND sections ".SS ${name}\n.nf\n${text}.fi\n")
  endforeach()
endif()
if(SEE_ALSO)
  string(APPEND sections "[SEE ALSO]\n.BR ${SEE_ALSO} (1)\n")
endif()
file(WRITE "${include}" "${sections}")

execute_process(
  COMMAND "${HELP2MAN}" --no-info --section=1 "--name=${NAME}" "--include=${include}"
          "--output=${page}" "${PROGRAM}"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man failed on ${PROGRAM} (${rc})")
endif()
# Debian installs man pages compressed, without a time stamp in the header.
execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${page} (${rc})")
endif()
