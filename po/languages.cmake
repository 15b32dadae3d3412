# The languages the game speaks, as data: English (the texts' source) and every catalogue that
# po/LINGUAS names, in that order, each with its own name as its catalogue spells it (the msgstr
# of the msgid "English"). Writes generated/game/language_table.inc for game/language.h; a new
# catalogue and its LINGUAS line reconfigure the build.
set(TESSARY_PO_DIR ${PROJECT_SOURCE_DIR}/po)
file(STRINGS ${TESSARY_PO_DIR}/LINGUAS lingua_lines)
set(TESSARY_LINGUAS "")
foreach(line IN LISTS lingua_lines)
  string(REGEX REPLACE "#.*" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^[a-z][a-z][a-z]?(_[A-Z][A-Z])?$")
    message(FATAL_ERROR "po/LINGUAS: \"${line}\" is not a language code such as de or pt_BR")
  endif()
  list(APPEND TESSARY_LINGUAS ${line})
endforeach()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${TESSARY_PO_DIR}/LINGUAS)

set(table "    {\"en\", \"English\"},\n")
foreach(code IN LISTS TESSARY_LINGUAS)
  set(po ${TESSARY_PO_DIR}/${code}.po)
  if(NOT EXISTS ${po})
    message(FATAL_ERROR "po/LINGUAS names ${code}, but po/${code}.po is missing")
  endif()
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${po})
  file(READ ${po} catalogue)
  if(NOT catalogue MATCHES "\nmsgid \"English\"\nmsgstr \"([^\"\\\\\n]+)\"\n")
    message(FATAL_ERROR "po/${code}.po: no one-line msgstr for msgid \"English\" (the name "
                        "of the language, written in it)")
  endif()
  string(APPEND table "    {\"${code}\", \"${CMAKE_MATCH_1}\"},\n")
endforeach()
# What a step built from the catalogues depends on (the desktop file, the picture sets' names).
set(TESSARY_CATALOGUE_FILES ${TESSARY_PO_DIR}/LINGUAS)
foreach(code IN LISTS TESSARY_LINGUAS)
  list(APPEND TESSARY_CATALOGUE_FILES ${TESSARY_PO_DIR}/${code}.po)
endforeach()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/game/language_table.inc
     CONTENT "// Generated from po/LINGUAS and the catalogues by po/languages.cmake: do not edit.\n${table}"
     @ONLY)
