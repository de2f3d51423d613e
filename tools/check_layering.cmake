# Fails when module code (entry/, logonui/, store/, setup/, res/) includes a
# host library directly: the module sees the device only through platform/.
file(GLOB_RECURSE sources
  ${SOURCE_DIR}/entry/*.[ch]* ${SOURCE_DIR}/logonui/*.[ch]* ${SOURCE_DIR}/store/*.[ch]*
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
