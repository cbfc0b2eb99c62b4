#pragma once

#include <QString>

// One control of a configuration byte's dialog: the key that names it in machine-readable
// output (an identifier that stays when the text beside the control changes), that text, and
// whether it is selected or ticked.
struct ConfigControl {
    QString key;
    QString text;
    bool on = false;
    friend bool operator==(const ConfigControl&, const ConfigControl&) = default;
};
