#pragma once

#include <QString>

class TCustomComPort;

// The port in one short line for a status bar: name, rate, data bits, parity and stop bits,
// and whether it is open, e.g. "/dev/ttyUSB0 57600 8N1, open". A raw TCP port has its line set
// at the far end and says so instead.
QString PortStatusText(const TCustomComPort& port);
