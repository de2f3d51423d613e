# Fails when module code (entry/, setup/, logonui/, lockout/, store/, res/) includes a
# host library directly: the module sees the device only through platform/.
file(GLOB_RECURSE sources
  ${SOURCE_DIR}/entry/*.[ch]* ${SOURCE_DIR}/logonui/*.[ch]* ${SOURCE_DIR}/store/*.[ch]*
  ${SOURCE_DIR}/lockout/*.[ch]*
  ${SOURCE_DIR}/setup/*.[ch]* ${SOURCE_DIR}/res/*.[ch]*)
set(forbidden "SDL|sqlite3|unistd\\.h|fcntl\\.h|dlfcn\\.h|pthread\\.h|sys/|windows\\.h")
set(bad "")
foreach(file ${sources})
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${forbidden})")
  if(lines)
    list(APPEND bad "${file}: ${lines}")
  endif()
endforeach()
if(bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "module code includes host headers:\n${bad}")
endif()

# ---------------------------------------------------------------------------
# The module's folders form one line, each seeing only the folders below it:
#   entry > setup > logonui > lockout > store > res, platform
# (res/ and platform/ include no module folder). A file may include its own
# folder and anything lower; an include of a higher folder is a cycle.
set(module_line entry setup logonui lockout store res)
set(cycles "")
list(LENGTH module_line line_length)
math(EXPR last "${line_length} - 1")
foreach(index RANGE ${last})
  list(GET module_line ${index} folder)
  list(SUBLIST module_line 0 ${index} higher)
  if(NOT higher)
    continue()
  endif()
  string(REPLACE ";" "|" higher_pattern "${higher}")
  file(GLOB_RECURSE folder_files ${SOURCE_DIR}/${folder}/*.[ch]*)
  foreach(file ${folder_files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"(${higher_pattern})/")
    if(lines)
      list(APPEND cycles "${file}: ${lines}")
    endif()
  endforeach()
endforeach()
file(GLOB_RECURSE platform_files ${SOURCE_DIR}/platform/*.[ch]*)
foreach(file ${platform_files})
  string(REPLACE ";" "|" module_pattern "${module_line}")
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"(${module_pattern})/")
  if(lines)
    list(APPEND cycles "${file}: ${lines}")
  endif()
endforeach()
if(cycles)
  string(REPLACE ";" "\n" cycles "${cycles}")
  message(FATAL_ERROR "module folders include a folder above them in the line:\n${cycles}")
endif()
