# Checks who may include whom, three rules (docs/layers.md, docs/logon.md).

# Appends "file: include lines" to `out` for each of `files` with an include
# whose target matches `pattern` (the text after the opening < or ").
function(find_includes out pattern)
  set(found ${${out}})
  foreach(file ${ARGN})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${pattern})")
    if(lines)
      list(APPEND found "${file}: ${lines}")
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(fail_on found what)
  if(found)
    string(REPLACE ";" "\n" found "${found}")
    message(FATAL_ERROR "${what}:\n${found}")
  endif()
endfunction()

# 1. Module code (entry/, setup/, logonui/, lockout/, store/, res/) sees the
# device only through platform/, never a host library directly.
set(module_line entry setup logonui lockout store res)
set(module_sources "")
foreach(folder ${module_line})
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.[ch]*)
  list(APPEND module_sources ${files})
endforeach()
set(bad "")
find_includes(bad "SDL|sqlite3|unistd\\.h|fcntl\\.h|dlfcn\\.h|pthread\\.h|sys/|windows\\.h"
  ${module_sources})
fail_on("${bad}" "module code includes host headers")

# 2. The platform's own layers: platform core (platform/*) < gfx < window <
# dialog < controls < shell < afx < script. A file may include its own layer
# and the layers to its left; the core includes no window-system header.
set(layers gfx window dialog controls shell afx script)
file(GLOB core ${SOURCE_DIR}/platform/*.h ${SOURCE_DIR}/platform/*.cpp)
find_includes(bad "platform/ui/" ${core})
file(GLOB loose ${SOURCE_DIR}/platform/ui/*.*)
foreach(file ${loose})
  list(APPEND bad "${file}: not in a layer folder")
endforeach()
list(LENGTH layers count)
foreach(index RANGE 1 ${count})
  math(EXPR below "${index} - 1")
  list(GET layers ${below} layer)
  if(index LESS count)
    list(SUBLIST layers ${index} -1 higher)
    string(REPLACE ";" "|" higher "${higher}")
    file(GLOB_RECURSE files ${SOURCE_DIR}/platform/ui/${layer}/*.[ch]*)
    find_includes(bad "platform/ui/(${higher})/" ${files})
  endif()
endforeach()
fail_on("${bad}" "platform layering broken (a layer includes one to its right)")

# 3. The module's folders form one line, each seeing only the folders below
# it: entry > setup > logonui > lockout > store > res, platform. The
# platform includes no module folder at all.
set(cycles "")
list(LENGTH module_line line_length)
foreach(index RANGE 1 ${line_length})
  math(EXPR at "${index} - 1")
  list(GET module_line ${at} folder)
  list(SUBLIST module_line 0 ${at} higher)
  if(higher)
    string(REPLACE ";" "|" higher "${higher}")
    file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.[ch]*)
    find_includes(cycles "(${higher})/" ${files})
  endif()
endforeach()
string(REPLACE ";" "|" module_pattern "${module_line}")
file(GLOB_RECURSE platform_files ${SOURCE_DIR}/platform/*.[ch]*)
find_includes(cycles "(${module_pattern})/" ${platform_files})
fail_on("${cycles}" "module folders include a folder above them in the line")
