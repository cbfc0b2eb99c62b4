#pragma once

#include "SimBoard.h"
#include "TFormEinstBase.h"

#include <QTest>

// Shows a settings dialog and waits until the line is quiet again after the telegrams of its
// read on show (the board's telegram log holds at least `telegrams` entries).
inline bool showAndSettle(TFormEinstBase& dialog, SimBoard& board, qsizetype telegrams)
{
    dialog.show();
    return QTest::qWaitFor([&] { return board.telegramLog().size() >= telegrams && !dialog.steps().link().busy(); });
}
