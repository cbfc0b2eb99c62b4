# velmar_core_library(name sources... [LIBS libs...])
#
# A library of the tool's core: QtCore only, so that the windows, the tests and a command-line
# front end can all use it. Its own sources see a private include folder that shadows the
# configuration headers QtGui and QtWidgets include first, each holding an #error, so that a
# widget or GUI include in a core library fails to build. Consumers are not affected.
# Every QtCore-only library uses this function:
#
#   velmar_core_library(velmar_script_core Interpreter.cpp Interpreter.h LIBS velmar_link)
set(VELMAR_CORE_GUARD_DIR ${CMAKE_CURRENT_LIST_DIR}/core-guard)

function(velmar_core_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_include_directories(${name} BEFORE PRIVATE ${VELMAR_CORE_GUARD_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} Qt6::Core)
  velmar_use_precompiled(${name} core)
endfunction()
