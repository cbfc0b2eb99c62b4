#include "SettingsDialogs.h"

#include "SettingsDispatch.h"
#include "TFormEXM62.h"
#include "TFormEinst.h"
#include "TFormEinst_K03.h"
#include "TFormEinst_LCD.h"

namespace {

SettingsDialogRunner& runner()
{
    static SettingsDialogRunner r = [](QDialog& dialog) { return dialog.exec(); };
    return r;
}

} // namespace

std::unique_ptr<TFormEinstBase> CreateSettingsDialog(std::uint8_t kind, Link& link, QWidget* owner)
{
    const auto dialog = SettingsDispatch::dialogFor(kind);
    if (!dialog)
        return nullptr;
    switch (*dialog) {
    case SettingsDispatch::Dialog::BaseBoard: return std::make_unique<TFormEinst>(link, owner);
    case SettingsDispatch::Dialog::CpuBoard: return std::make_unique<TFormEinst_K03>(link, owner);
    case SettingsDispatch::Dialog::LcdModule: return std::make_unique<TFormEinst_LCD>(link, owner);
    case SettingsDispatch::Dialog::IoModule: return std::make_unique<TFormEXM62>(link, owner);
    }
    return nullptr;
}

int RunSettingsDialog(QDialog& dialog) { return runner()(dialog); }

void SetSettingsDialogRunner(SettingsDialogRunner r)
{
    runner() = r ? std::move(r) : [](QDialog& dialog) { return dialog.exec(); };
}
