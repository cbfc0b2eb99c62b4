// Must not build: a core library that includes a GUI class.
#include <QtGui/QColor>
