# Writes the dialog templates of a resource script as C++ for the Win32 stand-in:
#   cmake -DRC=res/dialog.rc -DOUT=resources.cpp -P cmake/dialogs.cmake
# windres compiles the script into the Windows program; this hands the same DIALOG
# resources to platform/core through core::AddDialogTemplates, so that the controls
# are written once, in the script. Each statement is copied as written (ids, styles
# and texts stay expressions for the compiler, with the script's own quoted #includes
# on hand), one CONTROL statement per line; anything in a DIALOG the stand-in would
# not understand stops the build with the script's file name and line.
if(NOT RC OR NOT OUT)
  message(FATAL_ERROR "usage: cmake -DRC=FILE.rc -DOUT=FILE.cpp -P dialogs.cmake")
endif()

file(READ "${RC}" script)
# One list element per line; semicolons and square brackets (which decide where
# CMake splits a list) are kept aside and put back in what is written.
string(REPLACE ";" "@SEMICOLON@" script "${script}")
string(REPLACE "[" "@LBRACKET@" script "${script}")
string(REPLACE "]" "@RBRACKET@" script "${script}")
string(REPLACE "\r" "" script "${script}")
string(REPLACE "\n" ";" lines "${script}")
get_filename_component(rc_name "${RC}" NAME)

function(fail line message)
  message(FATAL_ERROR "${RC}:${line}: ${message}")
endfunction()

# Splits the arguments of a statement at the commas outside string literals into
# out_count and out_0, out_1, ...; the literals come back as written.
function(split_arguments line text)
  set(strings 0)
  while(text MATCHES "\"([^\"\\\\]|\\\\.)*\"")
    set(literal "${CMAKE_MATCH_0}")
    string(FIND "${text}" "${literal}" at)
    string(LENGTH "${literal}" length)
    math(EXPR after "${at} + ${length}")
    string(SUBSTRING "${text}" ${after} 1 next)
    if(next STREQUAL "\"")
      fail(${line} "a doubled quote inside a string: write the text without one")
    endif()
    set(string_${strings} "${literal}")
    string(SUBSTRING "${text}" 0 ${at} before)
    string(SUBSTRING "${text}" ${after} -1 rest)
    set(text "${before}@STRING${strings}@${rest}")
    math(EXPR strings "${strings} + 1")
  endwhile()
  string(REPLACE "," ";" pieces "${text}")
  set(count 0)
  foreach(piece IN LISTS pieces)
    string(STRIP "${piece}" piece)
    if(piece STREQUAL "")
      fail(${line} "an empty argument")
    endif()
    foreach(i RANGE ${strings})
      if(DEFINED string_${i})
        string(REPLACE "@STRING${i}@" "${string_${i}}" piece "${piece}")
      endif()
    endforeach()
    set(out_${count} "${piece}" PARENT_SCOPE)
    math(EXPR count "${count} + 1")
  endforeach()
  set(out_count ${count} PARENT_SCOPE)
endfunction()

set(includes "")
set(tables "")
set(dialogs "")
set(state outside)  # outside, header (between DIALOG and BEGIN), controls
set(dialog_count 0)
set(number 0)
foreach(text IN LISTS lines)
  math(EXPR number "${number} + 1")
  string(STRIP "${text}" text)
  if(text STREQUAL "" OR text MATCHES "^//")
    continue()
  endif()
  if(state STREQUAL "outside")
    if(text MATCHES "^#include[ \t]+(\"[^\"]+\")")
      string(APPEND includes "#include ${CMAKE_MATCH_1}\n")
    elseif(text MATCHES "^([A-Za-z_][A-Za-z0-9_]*|[0-9]+)[ \t]+DIALOG[ \t]+(.+)$")
      set(id "${CMAKE_MATCH_1}")
      split_arguments(${number} "${CMAKE_MATCH_2}")
      if(NOT out_count EQUAL 4)
        fail(${number} "DIALOG takes x, y, width and height")
      endif()
      set(rect "${out_0}, ${out_1}, ${out_2}, ${out_3}")
      set(dialog_line ${number})
      set(style "0")
      set(caption "\"\"")
      set(font "0, \"\"")
      set(controls "")
      set(state header)
    elseif(text MATCHES "^[A-Za-z_0-9]+[ \t]+DIALOGEX([ \t]|$)")
      fail(${number} "DIALOGEX: the stand-in reads classic DIALOG templates only")
    endif()
  elseif(state STREQUAL "header")
    if(text MATCHES "^STYLE[ \t]+(.+)$")
      set(style "${CMAKE_MATCH_1}")
    elseif(text MATCHES "^CAPTION[ \t]+(\".*\")$")
      set(caption "${CMAKE_MATCH_1}")
    elseif(text MATCHES "^FONT[ \t]+(.+)$")
      split_arguments(${number} "${CMAKE_MATCH_1}")
      if(NOT out_count EQUAL 2)
        fail(${number} "FONT takes a point size and a face")
      endif()
      set(font "${out_0}, ${out_1}")
    elseif(text STREQUAL "BEGIN" OR text STREQUAL "{")
      set(state controls)
    else()
      fail(${number} "a DIALOG statement the stand-in does not read: ${text}")
    endif()
  else()
    if(text MATCHES "^CONTROL[ \t]+(.+)$")
      split_arguments(${number} "${CMAKE_MATCH_1}")
      if(NOT out_count EQUAL 8)
        fail(${number} "CONTROL takes text, id, class, style, x, y, width and height on one line")
      endif()
      string(APPEND controls "#line ${number} \"${RC}\"\n"
             "    {${out_0}, ${out_1}, ${out_2}, ${out_3}, ${out_4}, ${out_5}, ${out_6}, ${out_7}},\n")
    elseif(text STREQUAL "END" OR text STREQUAL "}")
      if(controls STREQUAL "")
        fail(${number} "a dialog without controls")
      endif()
      string(APPEND tables "const core::ControlTemplate kControls${dialog_count}[] = {\n${controls}};\n")
      string(APPEND dialogs "#line ${dialog_line} \"${RC}\"\n"
             "    {${id}, ${caption}, ${style}, ${rect}, ${font}, kControls${dialog_count},\n"
             "     sizeof kControls${dialog_count} / sizeof kControls${dialog_count}[0]},\n")
      math(EXPR dialog_count "${dialog_count} + 1")
      set(state outside)
    else()
      fail(${number} "only CONTROL statements are read inside a dialog, not: ${text}")
    endif()
  endif()
endforeach()
if(NOT state STREQUAL "outside")
  fail(${number} "the script ends inside a DIALOG")
endif()
if(dialog_count EQUAL 0)
  fail(${number} "no DIALOG in the script")
endif()

set(code "// Made by cmake/dialogs.cmake from ${rc_name} at build time; edit the script, not this.
#include \"platform/win32.h\"
#include \"platform/core/resources.h\"

${includes}
namespace {

${tables}
const core::DialogTemplate kDialogs[] = {
${dialogs}};

// Before main, as Windows maps a program's resources with the program.
[[maybe_unused]] const bool kAdded = (core::AddDialogTemplates(kDialogs, sizeof kDialogs / sizeof kDialogs[0]), true);

}  // namespace
")
string(REPLACE "@SEMICOLON@" ";" code "${code}")
string(REPLACE "@LBRACKET@" "[" code "${code}")
string(REPLACE "@RBRACKET@" "]" code "${code}")
# Written only when it changes, so that an unchanged script compiles nothing again.
file(WRITE "${OUT}.new" "${code}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
