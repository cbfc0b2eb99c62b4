// Must not build: a core library that includes a widget.
#include <QtWidgets/QWidget>
