#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>

class Link;
class TFormEinstBase;

// The settings dialog that belongs to a board kind byte (0, 1, 2 or 16), or none.
std::unique_ptr<TFormEinstBase> CreateSettingsDialog(std::uint8_t kind, Link& link, QWidget* owner);

// Shows a settings dialog modally. Tests replace how it is run so that nothing waits for
// a click; an empty runner restores exec().
int RunSettingsDialog(QDialog& dialog);
using SettingsDialogRunner = std::function<int(QDialog&)>;
void SetSettingsDialogRunner(SettingsDialogRunner runner);
