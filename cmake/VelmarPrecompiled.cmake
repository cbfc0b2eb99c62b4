# Precompiled headers, one per family of targets that are compiled alike. Most of the time of a
# build goes into parsing the Qt and GoogleTest headers again for every file; each family parses
# them once, and every target of the family reuses that. A family's targets must not define a
# macro differently from its header target (clang refuses such a header; gcc ignores it), so
# each header target links what its family links and nothing more:
#
#   core     QtCore only: every velmar_core_library(), velmar-cli, velmar-sim
#   widgets  QtWidgets: the shared widgets, the windows, velmar-ui
#   gtest    GoogleTest suites (QtCore)
#   qtest    window suites (QtWidgets, QtTest, GoogleTest)
#
# velmar_use_precompiled(target family) makes a target reuse its family's header.

# Qt's test library defines the test's own folders for QFINDTESTDATA, which no suite here uses;
# left in, they would differ from target to target and no window suite could share a header.
get_target_property(_velmar_test_defs Qt6::Test INTERFACE_COMPILE_DEFINITIONS)
list(FILTER _velmar_test_defs EXCLUDE REGEX "^QT_TESTCASE_")
set_target_properties(Qt6::Test PROPERTIES INTERFACE_COMPILE_DEFINITIONS "${_velmar_test_defs}")

set(_velmar_pch_std <algorithm> <array> <chrono> <cstdint> <functional> <memory> <optional> <span>
    <string> <vector>)
set(_velmar_pch_core <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QElapsedTimer> <QEventLoop>
    <QFile> <QFileInfo> <QHash> <QList> <QMap> <QObject> <QRegularExpression> <QSaveFile> <QString>
    <QStringList> <QTemporaryDir> <QTextStream> <QTimer>)
set(_velmar_pch_widgets <QtWidgets/QtWidgets>)
set(_velmar_pch_gtest <gtest/gtest.h> ${PROJECT_SOURCE_DIR}/tests/support/QtPrinters.h)

function(_velmar_pch_target name)
  cmake_parse_arguments(ARG "" "" "LIBS;HEADERS" ${ARGN})
  add_library(${name} OBJECT ${PROJECT_SOURCE_DIR}/cmake/pch/PrecompiledHeader.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_precompile_headers(${name} PRIVATE ${ARG_HEADERS})
endfunction()

_velmar_pch_target(velmar_pch_core LIBS Qt6::Core HEADERS ${_velmar_pch_std} ${_velmar_pch_core})
_velmar_pch_target(velmar_pch_widgets LIBS Qt6::Widgets
  HEADERS ${_velmar_pch_std} ${_velmar_pch_core} ${_velmar_pch_widgets})
_velmar_pch_target(velmar_pch_gtest LIBS Qt6::Core GTest::gtest
  HEADERS ${_velmar_pch_std} ${_velmar_pch_core} ${_velmar_pch_gtest})
_velmar_pch_target(velmar_pch_qtest LIBS Qt6::Widgets Qt6::Test GTest::gtest
  HEADERS ${_velmar_pch_std} ${_velmar_pch_core} ${_velmar_pch_widgets} <QtTest/QtTest> ${_velmar_pch_gtest})

function(velmar_use_precompiled target family)
  target_precompile_headers(${target} REUSE_FROM velmar_pch_${family})
endfunction()
