#pragma once

#include <QIcon>
#include <QString>

// The 32 x 32 images of the toolbar buttons, drawn so that the tool ships no image files.
// Kinds: "script", "debug", "settings", "firmware", "awl".
QIcon ToolIcon(const QString& kind);
