# Makes one language's copy of the window resources: cmake -DTEMPLATE=window.rc.in
#   -DTABLE=strings_xx.inc -DFALLBACK=strings_en.inc -DOUTPUT=window_xx.rc -P
# @N@ becomes string N of TABLE (of FALLBACK where TABLE has none), as an .rc string text.
foreach(var TEMPLATE TABLE FALLBACK OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "GenerateWindowRc: ${var} not given")
  endif()
endforeach()

# One-line entries of a table: {id, "text"},
function(read_table path prefix)
  file(STRINGS "${path}" lines ENCODING UTF-8 REGEX "^\\{[0-9]+, \".*\"\\},?$")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^\\{([0-9]+), \"(.*)\"\\},?$" _ "${line}")
    set(${prefix}_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" PARENT_SCOPE)
  endforeach()
endfunction()
read_table("${FALLBACK}" built_in)
read_table("${TABLE}" table)

file(READ "${TEMPLATE}" text)
string(REGEX MATCHALL "@[0-9]+@" placeholders "${text}")
list(REMOVE_DUPLICATES placeholders)
foreach(placeholder IN LISTS placeholders)
  string(REGEX REPLACE "@([0-9]+)@" "\\1" id "${placeholder}")
  if(DEFINED table_${id})
    set(value "${table_${id}}")
  elseif(DEFINED built_in_${id})
    set(value "${built_in_${id}}")
  else()
    message(FATAL_ERROR "GenerateWindowRc: string ${id} is in no table")
  endif()
  # C escapes carry over to .rc texts except the quote, which .rc doubles.
  string(REPLACE "\\\"" "\"\"" value "${value}")
  string(REPLACE "${placeholder}" "${value}" text "${text}")
endforeach()
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
